#pragma once

// Late-bound calls on automation objects: members called by name through IDispatch, arguments
// and results as VARIANTs. Every failure throws CalendarError whose message names the program
// identifier and the member, with the server's own description when it gave one.

#include <oaidl.h>
#include <wrl/client.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "scan/core/CalendarSource.h"

namespace agendix::scan {

// COM on this thread (a single-threaded apartment, unless the thread already had COM) for as
// long as the session lives, and the program identifier of the server it talks to.
class ComSession {
  public:
    explicit ComSession(std::wstring programId);
    ~ComSession();
    ComSession(const ComSession&) = delete;
    ComSession& operator=(const ComSession&) = delete;

    const std::wstring& ProgramId() const { return programId_; }

  private:
    std::wstring programId_;
    bool uninitialize_ = false;
};

// An owned VARIANT.
class ComVariant {
  public:
    ComVariant();
    ~ComVariant();
    ComVariant(ComVariant&& other) noexcept;
    ComVariant& operator=(ComVariant&&) = delete;
    ComVariant(const ComVariant&) = delete;

    static ComVariant FromInt(int value);
    static ComVariant FromBool(bool value);
    static ComVariant FromText(std::string_view utf8);
    static ComVariant FromWide(std::wstring_view text);
    static ComVariant FromDate(const LocalDateTime& moment);

    VARIANT* Get() { return &value_; }
    const VARIANT* Get() const { return &value_; }

  private:
    VARIANT value_;
};

// One automation object of a session; null when default-constructed. The session (and COM with
// it) lives at least as long as the object.
class DispatchObject {
  public:
    DispatchObject() = default;
    DispatchObject(std::shared_ptr<const ComSession> session,
                   Microsoft::WRL::ComPtr<IDispatch> dispatch)
        : session_(std::move(session)), dispatch_(std::move(dispatch)) {}

    explicit operator bool() const { return dispatch_ != nullptr; }

    // Calls the method or reads the property `member` with `arguments` in their order.
    ComVariant Call(const wchar_t* member, std::vector<ComVariant> arguments = {}) const;
    void Put(const wchar_t* member, ComVariant value) const;

    // The object the member gives; a failure when it gives none.
    DispatchObject CallObject(const wchar_t* member, std::vector<ComVariant> arguments = {}) const;
    // The object the member gives, or a null object for Nothing.
    DispatchObject CallOptionalObject(const wchar_t* member) const;
    bool GetBool(const wchar_t* member) const;
    LocalDateTime GetDate(const wchar_t* member) const;
    std::string GetText(const wchar_t* member) const;

  private:
    ComVariant Invoke(const wchar_t* member, WORD kind, std::vector<ComVariant>& arguments) const;
    // `result` turned into `type`; a failure naming `member` when it cannot be.
    ComVariant Converted(const wchar_t* member, ComVariant result, VARTYPE type) const;
    DispatchObject ObjectOf(const wchar_t* member, const ComVariant& result) const;

    std::shared_ptr<const ComSession> session_;
    Microsoft::WRL::ComPtr<IDispatch> dispatch_;
};

// A new object of the session's program identifier.
DispatchObject CreateDispatchObject(std::shared_ptr<const ComSession> session);

// `moment` as the user's locale writes a date and time (the date alone at midnight).
std::wstring LocaleDateText(const LocalDateTime& moment);

}  // namespace agendix::scan
