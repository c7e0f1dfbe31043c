#include "scan/win32/DispatchObject.h"

#include <objbase.h>
#include <oleauto.h>
#include <windows.h>

#include <cstdio>

#include "common/win32/SystemMessage.h"
#include "common/win32/WideText.h"

namespace agendix::scan {
namespace {

using common::Utf8FromWide;
using common::WideFromUtf8;
using Microsoft::WRL::ComPtr;

// The system's text for `result`, without its line end; its number when there is none.
std::string SystemMessage(HRESULT result) {
    char number[16];
    std::snprintf(number, sizeof number, "0x%08lX", static_cast<unsigned long>(result));
    const std::string message = common::SystemMessageText(static_cast<unsigned long>(result));
    return message.empty() ? std::string("error ") + number : message + " (" + number + ")";
}

// What the server said about its failure, and the exception record's texts freed.
std::string ExceptionText(EXCEPINFO& exception) {
    if (exception.pfnDeferredFillIn != nullptr) {
        exception.pfnDeferredFillIn(&exception);
    }
    std::string description;
    if (exception.bstrDescription != nullptr) {
        description =
            Utf8FromWide({exception.bstrDescription, SysStringLen(exception.bstrDescription)});
    }
    if (description.empty()) {
        description = SystemMessage(exception.scode != 0 ? exception.scode : DISP_E_EXCEPTION);
    }
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    return description;
}

std::string ProgramName(const ComSession& session) {
    return "\"" + Utf8FromWide(session.ProgramId()) + "\"";
}

[[noreturn]] void FailIn(const ComSession& session, const wchar_t* member,
                         const std::string& detail) {
    throw CalendarError("The calendar program " + ProgramName(session) + " failed in " +
                        Utf8FromWide(member) + ": " + detail);
}

}  // namespace

ComSession::ComSession(std::wstring programId) : programId_(std::move(programId)) {
    const HRESULT result = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    // A thread already in the multithreaded apartment can use COM as it is.
    if (FAILED(result) && result != RPC_E_CHANGED_MODE) {
        throw CalendarError("COM could not be started for the calendar program " +
                            ProgramName(*this) + ": " + SystemMessage(result));
    }
    uninitialize_ = SUCCEEDED(result);
}

ComSession::~ComSession() {
    if (uninitialize_) {
        CoUninitialize();
    }
}

ComVariant::ComVariant() {
    VariantInit(&value_);
}
ComVariant::~ComVariant() {
    VariantClear(&value_);
}
ComVariant::ComVariant(ComVariant&& other) noexcept : value_(other.value_) {
    VariantInit(&other.value_);
}

ComVariant ComVariant::FromInt(int value) {
    ComVariant variant;
    V_VT(&variant.value_) = VT_I4;
    V_I4(&variant.value_) = value;
    return variant;
}

ComVariant ComVariant::FromBool(bool value) {
    ComVariant variant;
    V_VT(&variant.value_) = VT_BOOL;
    V_BOOL(&variant.value_) = value ? VARIANT_TRUE : VARIANT_FALSE;
    return variant;
}

ComVariant ComVariant::FromText(std::string_view utf8) {
    return FromWide(WideFromUtf8(utf8));
}

ComVariant ComVariant::FromWide(std::wstring_view text) {
    ComVariant variant;
    V_VT(&variant.value_) = VT_BSTR;
    V_BSTR(&variant.value_) = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    if (V_BSTR(&variant.value_) == nullptr) {
        throw std::bad_alloc();
    }
    return variant;
}

ComVariant ComVariant::FromDate(const LocalDateTime& moment) {
    SYSTEMTIME time{};
    time.wYear = static_cast<WORD>(moment.date.year);
    time.wMonth = static_cast<WORD>(moment.date.month);
    time.wDay = static_cast<WORD>(moment.date.day);
    time.wHour = static_cast<WORD>(moment.hour);
    time.wMinute = static_cast<WORD>(moment.minute);
    time.wSecond = static_cast<WORD>(moment.second);
    ComVariant variant;
    V_VT(&variant.value_) = VT_DATE;
    if (!SystemTimeToVariantTime(&time, &V_DATE(&variant.value_))) {
        throw CalendarError("The date " + std::to_string(moment.date.year) + "-" +
                            std::to_string(moment.date.month) + "-" +
                            std::to_string(moment.date.day) +
                            " cannot be handed to a calendar program.");
    }
    return variant;
}

ComVariant DispatchObject::Call(const wchar_t* member, std::vector<ComVariant> arguments) const {
    return Invoke(member, DISPATCH_METHOD | DISPATCH_PROPERTYGET, arguments);
}

void DispatchObject::Put(const wchar_t* member, ComVariant value) const {
    std::vector<ComVariant> arguments;
    arguments.push_back(std::move(value));
    Invoke(member, DISPATCH_PROPERTYPUT, arguments);
}

DispatchObject DispatchObject::CallObject(const wchar_t* member,
                                          std::vector<ComVariant> arguments) const {
    const ComVariant result = Call(member, std::move(arguments));
    DispatchObject object = ObjectOf(member, result);
    if (!object) {
        FailIn(*session_, member, "it gave no object");
    }
    return object;
}

DispatchObject DispatchObject::CallOptionalObject(const wchar_t* member) const {
    return ObjectOf(member, Call(member));
}

bool DispatchObject::GetBool(const wchar_t* member) const {
    const ComVariant value = Converted(member, Call(member), VT_BOOL);
    return V_BOOL(value.Get()) != VARIANT_FALSE;
}

LocalDateTime DispatchObject::GetDate(const wchar_t* member) const {
    const ComVariant value = Converted(member, Call(member), VT_DATE);
    SYSTEMTIME time{};
    if (!VariantTimeToSystemTime(V_DATE(value.Get()), &time)) {
        FailIn(*session_, member, "it gave a date out of range");
    }
    return {{time.wYear, time.wMonth, time.wDay}, time.wHour, time.wMinute, time.wSecond};
}

std::string DispatchObject::GetText(const wchar_t* member) const {
    ComVariant result = Call(member);
    const VARTYPE type = V_VT(result.Get());
    if (type == VT_EMPTY || type == VT_NULL) {
        return {};
    }
    const ComVariant text = Converted(member, std::move(result), VT_BSTR);
    const BSTR value = V_BSTR(text.Get());
    return Utf8FromWide({value, SysStringLen(value)});
}

ComVariant DispatchObject::Invoke(const wchar_t* member, WORD kind,
                                  std::vector<ComVariant>& arguments) const {
    DISPID id = 0;
    auto* name = const_cast<LPOLESTR>(member);
    HRESULT result = dispatch_->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(result)) {
        FailIn(*session_, member, "it has no such member: " + SystemMessage(result));
    }
    // IDispatch takes the arguments last first; they stay owned by `arguments`.
    std::vector<VARIANT> reversed;
    for (auto argument = arguments.rbegin(); argument != arguments.rend(); ++argument) {
        reversed.push_back(*argument->Get());
    }
    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS parameters{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    if (kind == DISPATCH_PROPERTYPUT) {
        parameters.rgdispidNamedArgs = &putId;
        parameters.cNamedArgs = 1;
    }
    ComVariant answer;
    EXCEPINFO exception{};
    UINT wrongArgument = 0;
    result = dispatch_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, kind, &parameters,
                               kind == DISPATCH_PROPERTYPUT ? nullptr : answer.Get(), &exception,
                               &wrongArgument);
    if (result == DISP_E_EXCEPTION) {
        FailIn(*session_, member, ExceptionText(exception));
    }
    if (FAILED(result)) {
        FailIn(*session_, member, SystemMessage(result));
    }
    return answer;
}

ComVariant DispatchObject::Converted(const wchar_t* member, ComVariant result, VARTYPE type) const {
    ComVariant converted;
    const HRESULT status = VariantChangeType(converted.Get(), result.Get(), 0, type);
    if (FAILED(status)) {
        FailIn(*session_, member, "its answer has an unexpected type: " + SystemMessage(status));
    }
    return converted;
}

DispatchObject DispatchObject::ObjectOf(const wchar_t* member, const ComVariant& result) const {
    const VARIANT& value = *result.Get();
    switch (V_VT(&value)) {
        case VT_EMPTY:
        case VT_NULL:
            return {};
        case VT_DISPATCH:
            return {session_, ComPtr<IDispatch>(V_DISPATCH(&value))};
        case VT_UNKNOWN: {
            ComPtr<IDispatch> dispatch;
            if (V_UNKNOWN(&value) == nullptr) {
                return {};
            }
            if (SUCCEEDED(V_UNKNOWN(&value)->QueryInterface(IID_PPV_ARGS(&dispatch)))) {
                return {session_, dispatch};
            }
            break;
        }
        default:
            break;
    }
    FailIn(*session_, member, "it gave something else than an object");
}

DispatchObject CreateDispatchObject(std::shared_ptr<const ComSession> session) {
    CLSID classId{};
    if (FAILED(CLSIDFromProgID(session->ProgramId().c_str(), &classId))) {
        throw CalendarError("The calendar program " + ProgramName(*session) +
                            " is not installed: no program is registered under that name.");
    }
    ComPtr<IDispatch> dispatch;
    const HRESULT result =
        CoCreateInstance(classId, nullptr, CLSCTX_SERVER, IID_PPV_ARGS(&dispatch));
    if (FAILED(result)) {
        throw CalendarError("The calendar program " + ProgramName(*session) +
                            " did not start: " + SystemMessage(result));
    }
    return {std::move(session), std::move(dispatch)};
}

std::wstring LocaleDateText(const LocalDateTime& moment) {
    const ComVariant date = ComVariant::FromDate(moment);
    BSTR text = nullptr;
    if (FAILED(VarBstrFromDate(V_DATE(date.Get()), LOCALE_USER_DEFAULT, 0, &text))) {
        throw CalendarError("A date could not be written in the user's locale.");
    }
    std::wstring written(text, SysStringLen(text));
    SysFreeString(text);
    return written;
}

}  // namespace agendix::scan
