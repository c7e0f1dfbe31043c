// A stand-in for a groupware program's automation server, for the tests of the calendar read
// through automation: an in-process COM server whose objects answer by name through IDispatch
// (application -> GetNamespace("MAPI") -> GetDefaultFolder(9) -> Items -> GetFirst/GetNext,
// Sort, IncludeRecurrences, Restrict -> appointments -> GetRecurrencePattern -> GetOccurrence).
// It holds the calendar of calendar.ics beside it. Failures are raised as DISP_E_EXCEPTION with
// a description, as the real server raises them. A second class, "AgendixStandIn.Broken", fails
// to open its calendar folder; a third, "AgendixStandIn.Hung", never answers GetNamespace, as a
// server that hangs.

#include <objbase.h>
#include <oleauto.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cwchar>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace agendix::scan::testing {
namespace {

// {6A1C5E2B-9F41-4C8E-A5D3-2B7E0C91F4A1}: "AgendixStandIn.Application"
constexpr CLSID kWorkingClass = {
    0x6a1c5e2b, 0x9f41, 0x4c8e, {0xa5, 0xd3, 0x2b, 0x7e, 0x0c, 0x91, 0xf4, 0xa1}};
// {6A1C5E2B-9F41-4C8E-A5D3-2B7E0C91F4A2}: "AgendixStandIn.Broken"
constexpr CLSID kBrokenClass = {
    0x6a1c5e2b, 0x9f41, 0x4c8e, {0xa5, 0xd3, 0x2b, 0x7e, 0x0c, 0x91, 0xf4, 0xa2}};
// {6A1C5E2B-9F41-4C8E-A5D3-2B7E0C91F4A3}: "AgendixStandIn.Hung"
constexpr CLSID kHungClass = {
    0x6a1c5e2b, 0x9f41, 0x4c8e, {0xa5, 0xd3, 0x2b, 0x7e, 0x0c, 0x91, 0xf4, 0xa3}};

// How a class's application answers.
enum class Behaviour { Working, Broken, Hung };

// A failure the server reports to its caller as DISP_E_EXCEPTION.
struct Raised {
    std::wstring description;
};

// ---- The calendar ----------------------------------------------------------------------------

struct Entry {
    DATE start = 0;
    DATE end = 0;
    std::wstring subject;
    std::wstring location;
};

struct Occurrence {
    DATE originalStart = 0;
    Entry entry;
};

// A single appointment, or a series when it has occurrences (excluded ones left out).
struct CalendarEntry {
    Entry entry;
    std::vector<Occurrence> occurrences;
};

DATE At(int year, int month, int day, int hour = 0, int minute = 0) {
    SYSTEMTIME time{};
    time.wYear = static_cast<WORD>(year);
    time.wMonth = static_cast<WORD>(month);
    time.wDay = static_cast<WORD>(day);
    time.wHour = static_cast<WORD>(hour);
    time.wMinute = static_cast<WORD>(minute);
    DATE date = 0;
    SystemTimeToVariantTime(&time, &date);
    return date;
}

// The daily stand-up of 22 February to 7 March 2027, 08:30 to 08:45: 2 March excluded, 3 March
// moved to 13:00, 4 March moved to 11:00 on 5 March (which then has two).
CalendarEntry StandUp() {
    CalendarEntry series{
        {At(2027, 2, 22, 8, 30), At(2027, 2, 22, 8, 45), L"Stand-up Café ☕", L"Büro 3"}, {}};
    for (int day = 0; day < 14; ++day) {
        const DATE original = series.entry.start + day;  // DATE counts days
        Entry occurrence{original, series.entry.end + day, series.entry.subject,
                         series.entry.location};
        if (original == At(2027, 3, 2, 8, 30)) {
            continue;
        }
        if (original == At(2027, 3, 3, 8, 30)) {
            occurrence = {At(2027, 3, 3, 13, 0), At(2027, 3, 3, 13, 15), L"Stand-up (später)",
                          L"Büro 3"};
        } else if (original == At(2027, 3, 4, 8, 30)) {
            occurrence = {At(2027, 3, 5, 11, 0), At(2027, 3, 5, 11, 15), L"Stand-up (nachgeholt)",
                          L"Büro 3"};
        }
        series.occurrences.push_back({original, occurrence});
    }
    return series;
}

// The folder in its own order (that of calendar.ics).
const std::vector<CalendarEntry>& Calendar() {
    static const std::vector<CalendarEntry> calendar = {
        {{At(2027, 3, 3), At(2027, 3, 4), L"会議なしの日", L""}, {}},
        StandUp(),
        {{At(2027, 2, 28, 22, 0), At(2027, 3, 1, 2, 0), L"Night shift", L"Ward 4"}, {}},
        {{At(2027, 3, 1, 9, 0), At(2027, 3, 1, 10, 30), L"Review", L"Room 2"}, {}},
        {{At(2027, 3, 1, 12, 0), At(2027, 3, 1, 13, 0), L"Lunch", L""}, {}},
        {{At(2027, 3, 2, 14, 5), At(2027, 3, 2, 15, 0), L"Zahnarzt – Dr. Ünal", L"Praxis Ørsted"},
         {}},
        {{At(2027, 3, 5, 16, 0), At(2027, 3, 5, 17, 0), L"Planning", L"Ζ-Raum"}, {}},
    };
    return calendar;
}

// An item of a collection: an entry, or one occurrence of a series.
struct ItemRef {
    const CalendarEntry* entry = nullptr;
    const Occurrence* occurrence = nullptr;

    const Entry& Fields() const { return occurrence ? occurrence->entry : entry->entry; }
};

// ---- Answering by name -----------------------------------------------------------------------

void SetText(VARIANT* result, std::wstring_view text) {
    V_VT(result) = VT_BSTR;
    V_BSTR(result) = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
}

void SetDate(VARIANT* result, DATE date) {
    V_VT(result) = VT_DATE;
    V_DATE(result) = date;
}

void SetBool(VARIANT* result, bool value) {
    V_VT(result) = VT_BOOL;
    V_BOOL(result) = value ? VARIANT_TRUE : VARIANT_FALSE;
}

// `argument` converted to `type`; raised when it cannot be.
VARIANT Argument(VARIANT* argument, VARTYPE type) {
    VARIANT converted;
    VariantInit(&converted);
    if (argument == nullptr || FAILED(VariantChangeType(&converted, argument, 0, type))) {
        throw Raised{L"An argument is missing or of the wrong type."};
    }
    return converted;
}

std::wstring TextArgument(VARIANT* argument) {
    VARIANT text = Argument(argument, VT_BSTR);
    std::wstring value(V_BSTR(&text), SysStringLen(V_BSTR(&text)));
    VariantClear(&text);
    return value;
}

// An object answering by name: the member names are its DISPIDs' order, matched ignoring case.
class NamedObject : public IDispatch {
  public:
    virtual ~NamedObject() = default;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override {
        if (id == IID_IUnknown || id == IID_IDispatch) {
            *object = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) {
            delete this;
        }
        return left;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                            DISPID* ids) override {
        const std::vector<const wchar_t*> members = Members();
        HRESULT result = S_OK;
        for (UINT i = 0; i < count; ++i) {
            const auto found = std::find_if(members.begin(), members.end(), [&](auto member) {
                return _wcsicmp(member, names[i]) == 0;
            });
            ids[i] = found == members.end() ? DISPID_UNKNOWN
                                            : static_cast<DISPID>(found - members.begin() + 1);
            if (found == members.end()) {
                result = DISP_E_UNKNOWNNAME;
            }
        }
        return result;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* parameters,
                                     VARIANT* result, EXCEPINFO* exception, UINT*) override {
        const std::vector<const wchar_t*> members = Members();
        if (id < 1 || static_cast<std::size_t>(id) > members.size()) {
            return DISP_E_MEMBERNOTFOUND;
        }
        // The arguments in their order (IDispatch passes them last first).
        std::vector<VARIANT*> arguments;
        for (UINT i = parameters->cArgs; i > 0; --i) {
            arguments.push_back(&parameters->rgvarg[i - 1]);
        }
        VARIANT answer;
        VariantInit(&answer);
        try {
            Answer(members[static_cast<std::size_t>(id - 1)], flags, arguments, &answer);
        } catch (const Raised& raised) {
            if (exception != nullptr) {
                *exception = {};
                exception->bstrSource = SysAllocString(L"Agendix stand-in calendar");
                exception->bstrDescription = SysAllocString(raised.description.c_str());
                exception->scode = E_FAIL;
            }
            return DISP_E_EXCEPTION;
        }
        if (result != nullptr) {
            *result = answer;
        } else {
            VariantClear(&answer);
        }
        return S_OK;
    }

  protected:
    virtual std::vector<const wchar_t*> Members() const = 0;
    virtual void Answer(std::wstring_view member, WORD flags,
                        const std::vector<VARIANT*>& arguments, VARIANT* result) = 0;

    static VARIANT* First(const std::vector<VARIANT*>& arguments) {
        return arguments.empty() ? nullptr : arguments.front();
    }
    // Hands `object` out in `result`, which then holds its only reference.
    static void SetObject(VARIANT* result, NamedObject* object) {
        V_VT(result) = VT_DISPATCH;
        V_DISPATCH(result) = object;
    }

  private:
    std::atomic<ULONG> references_{1};
};

class Appointment;

class Pattern : public NamedObject {
  public:
    explicit Pattern(const CalendarEntry& series) : series_(series) {}

  protected:
    std::vector<const wchar_t*> Members() const override {
        return {L"StartTime", L"GetOccurrence"};
    }
    void Answer(std::wstring_view member, WORD, const std::vector<VARIANT*>& arguments,
                VARIANT* result) override;

  private:
    const CalendarEntry& series_;
};

class Appointment : public NamedObject {
  public:
    explicit Appointment(ItemRef item) : item_(item) {}

  protected:
    std::vector<const wchar_t*> Members() const override {
        return {L"Start", L"End", L"Subject", L"Location", L"IsRecurring", L"GetRecurrencePattern"};
    }
    void Answer(std::wstring_view member, WORD, const std::vector<VARIANT*>&,
                VARIANT* result) override {
        const Entry& fields = item_.Fields();
        const bool recurring = !item_.entry->occurrences.empty();
        if (member == L"Start") {
            SetDate(result, fields.start);
        } else if (member == L"End") {
            SetDate(result, fields.end);
        } else if (member == L"Subject") {
            SetText(result, fields.subject);
        } else if (member == L"Location") {
            SetText(result, fields.location);
        } else if (member == L"IsRecurring") {
            SetBool(result, recurring);
        } else if (!recurring) {
            throw Raised{L"The appointment is not recurring."};
        } else {
            SetObject(result, new Pattern(*item_.entry));
        }
    }

  private:
    ItemRef item_;
};

void Pattern::Answer(std::wstring_view member, WORD, const std::vector<VARIANT*>& arguments,
                     VARIANT* result) {
    if (member == L"StartTime") {
        SetDate(result, series_.entry.start);
        return;
    }
    VARIANT moment = Argument(First(arguments), VT_DATE);
    for (const Occurrence& occurrence : series_.occurrences) {
        // DATE counts days: one second is about 1.2e-5.
        if (std::abs(occurrence.originalStart - V_DATE(&moment)) < 1e-6) {
            SetObject(result, new Appointment({&series_, &occurrence}));
            return;
        }
    }
    throw Raised{L"No occurrence of the series starts at that moment."};
}

// The items of the folder, or of a restriction of them.
class Items : public NamedObject {
  public:
    explicit Items(std::vector<ItemRef> items, bool sorted = false)
        : items_(std::move(items)), sorted_(sorted) {}

  protected:
    std::vector<const wchar_t*> Members() const override {
        return {L"GetFirst", L"GetNext", L"Sort", L"IncludeRecurrences", L"Restrict"};
    }
    void Answer(std::wstring_view member, WORD flags, const std::vector<VARIANT*>& arguments,
                VARIANT* result) override {
        if (member == L"GetFirst" || member == L"GetNext") {
            next_ = member == L"GetFirst" ? 0 : next_;
            if (next_ < items_.size()) {
                SetObject(result, new Appointment(items_[next_++]));
            }  // else Nothing: an empty variant
        } else if (member == L"Sort") {
            if (TextArgument(First(arguments)) != L"[Start]") {
                throw Raised{L"The stand-in sorts by [Start] only."};
            }
            std::stable_sort(items_.begin(), items_.end(), [](const ItemRef& a, const ItemRef& b) {
                return a.Fields().start < b.Fields().start;
            });
            sorted_ = true;
        } else if (member == L"IncludeRecurrences") {
            if (flags & DISPATCH_PROPERTYPUT) {
                VARIANT include = Argument(First(arguments), VT_BOOL);
                includeRecurrences_ = V_BOOL(&include) != VARIANT_FALSE;
            } else {
                SetBool(result, includeRecurrences_);
            }
        } else {
            SetObject(result, new Items(Restricted(TextArgument(First(arguments))), sorted_));
        }
    }

  private:
    // The items of "[Start] >= 'FROM' AND [Start] < 'UNTIL'", dates in the user's locale; with
    // IncludeRecurrences, a series gives its occurrences in the range instead of itself.
    std::vector<ItemRef> Restricted(const std::wstring& filter) const {
        std::vector<std::wstring> parts(1);
        for (const wchar_t c : filter) {
            if (c == L'\'') {
                parts.emplace_back();
            } else {
                parts.back() += c;
            }
        }
        if (parts.size() != 5 || parts[0] != L"[Start] >= " || parts[2] != L" AND [Start] < " ||
            !parts[4].empty()) {
            throw Raised{L"Cannot read the restriction " + filter};
        }
        const DATE from = ParseDate(parts[1]);
        const DATE until = ParseDate(parts[3]);
        auto inRange = [&](const ItemRef& item) {
            return item.Fields().start >= from && item.Fields().start < until;
        };
        std::vector<ItemRef> found;
        for (const ItemRef& item : items_) {
            if (includeRecurrences_ && !item.occurrence && !item.entry->occurrences.empty()) {
                for (const Occurrence& occurrence : item.entry->occurrences) {
                    if (inRange({item.entry, &occurrence})) {
                        found.push_back({item.entry, &occurrence});
                    }
                }
            } else if (inRange(item)) {
                found.push_back(item);
            }
        }
        if (sorted_) {
            std::stable_sort(found.begin(), found.end(), [](const ItemRef& a, const ItemRef& b) {
                return a.Fields().start < b.Fields().start;
            });
        }
        return found;
    }

    static DATE ParseDate(std::wstring text) {
        DATE date = 0;
        if (FAILED(VarDateFromStr(text.data(), LOCALE_USER_DEFAULT, 0, &date))) {
            throw Raised{L"Not a date: " + text};
        }
        return date;
    }

    std::vector<ItemRef> items_;
    bool sorted_;
    bool includeRecurrences_ = false;
    std::size_t next_ = 0;
};

class Folder : public NamedObject {
  protected:
    std::vector<const wchar_t*> Members() const override { return {L"Items"}; }
    void Answer(std::wstring_view, WORD, const std::vector<VARIANT*>&, VARIANT* result) override {
        std::vector<ItemRef> items;
        for (const CalendarEntry& entry : Calendar()) {
            items.push_back({&entry, nullptr});
        }
        SetObject(result, new Items(std::move(items)));
    }
};

class Namespace : public NamedObject {
  public:
    explicit Namespace(Behaviour behaviour) : behaviour_(behaviour) {}

  protected:
    std::vector<const wchar_t*> Members() const override { return {L"GetDefaultFolder"}; }
    void Answer(std::wstring_view, WORD, const std::vector<VARIANT*>& arguments,
                VARIANT* result) override {
        if (behaviour_ == Behaviour::Broken) {
            throw Raised{L"The calendar store is offline."};
        }
        VARIANT folder = Argument(First(arguments), VT_I4);
        if (V_I4(&folder) != 9) {
            throw Raised{L"The stand-in has only the calendar folder (9)."};
        }
        SetObject(result, new Folder());
    }

  private:
    Behaviour behaviour_;
};

class Application : public NamedObject {
  public:
    explicit Application(Behaviour behaviour) : behaviour_(behaviour) {}

  protected:
    std::vector<const wchar_t*> Members() const override { return {L"GetNamespace"}; }
    void Answer(std::wstring_view, WORD, const std::vector<VARIANT*>& arguments,
                VARIANT* result) override {
        if (TextArgument(First(arguments)) != L"MAPI") {
            throw Raised{L"The only namespace is MAPI."};
        }
        if (behaviour_ == Behaviour::Hung) {
            Sleep(INFINITE);
        }
        SetObject(result, new Namespace(behaviour_));
    }

  private:
    Behaviour behaviour_;
};

// ---- The COM server --------------------------------------------------------------------------

class ClassFactory : public IClassFactory {
  public:
    explicit ClassFactory(Behaviour behaviour) : behaviour_(behaviour) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override {
        if (id == IID_IUnknown || id == IID_IClassFactory) {
            *object = static_cast<IClassFactory*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    // Static objects: counting references is not needed.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID id, void** object) override {
        *object = nullptr;
        if (outer != nullptr) {
            return CLASS_E_NOAGGREGATION;
        }
        auto* application = new Application(behaviour_);
        const HRESULT result = application->QueryInterface(id, object);
        application->Release();
        return result;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

  private:
    Behaviour behaviour_;
};

ClassFactory workingFactory(Behaviour::Working);
ClassFactory brokenFactory(Behaviour::Broken);
ClassFactory hungFactory(Behaviour::Hung);

}  // namespace
}  // namespace agendix::scan::testing

extern "C" HRESULT STDMETHODCALLTYPE DllGetClassObject(REFCLSID classId, REFIID id, void** object) {
    using namespace agendix::scan::testing;
    if (classId == kWorkingClass) {
        return workingFactory.QueryInterface(id, object);
    }
    if (classId == kBrokenClass) {
        return brokenFactory.QueryInterface(id, object);
    }
    if (classId == kHungClass) {
        return hungFactory.QueryInterface(id, object);
    }
    *object = nullptr;
    return CLASS_E_CLASSNOTAVAILABLE;
}

// The calendar's objects may be alive in the caller at any time: the server stays loaded.
extern "C" HRESULT STDMETHODCALLTYPE DllCanUnloadNow() {
    return S_FALSE;
}
