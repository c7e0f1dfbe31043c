#include "settings/store/win32/RegistrySettingsStore.h"

#include <windows.h>

#include "common/win32/SystemMessage.h"
#include "common/win32/WideText.h"

namespace agendix::settings {
namespace {

using common::Utf8FromWide;
using common::WideFromUtf8;

// An open registry key, closed at the end of its scope.
class OpenKey {
  public:
    OpenKey() = default;
    ~OpenKey() {
        if (key_ != nullptr) {
            RegCloseKey(key_);
        }
    }
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;

    HKEY* Out() { return &key_; }
    HKEY Get() const { return key_; }

  private:
    HKEY key_ = nullptr;
};

std::string SystemMessage(LSTATUS status) {
    const std::string message = common::SystemMessageText(static_cast<unsigned long>(status));
    return message.empty() ? "error " + std::to_string(status) : message;
}

std::wstring KeyPath(const std::wstring& rootKey, std::string_view application,
                     std::string_view section) {
    return rootKey + L"\\" + WideFromUtf8(application) + L"\\" + WideFromUtf8(section);
}

[[noreturn]] void Fail(const std::string& what, const std::wstring& keyPath, std::string_view key,
                       LSTATUS status) {
    throw SettingsError("The setting \"" + std::string(key) + "\" could not be " + what +
                        " in the registry key HKEY_CURRENT_USER\\" + Utf8FromWide(keyPath) + ": " +
                        SystemMessage(status));
}

}  // namespace

std::optional<std::string> RegistrySettingsStore::FindValue(std::string_view application,
                                                            std::string_view section,
                                                            std::string_view key) const {
    const std::wstring keyPath = KeyPath(rootKey_, application, section);
    const std::wstring valueName = WideFromUtf8(key);
    OpenKey settings;
    LSTATUS status =
        RegOpenKeyExW(HKEY_CURRENT_USER, keyPath.c_str(), 0, KEY_QUERY_VALUE, settings.Out());
    if (status == ERROR_FILE_NOT_FOUND) {
        return std::nullopt;
    }
    if (status != ERROR_SUCCESS) {
        Fail("read", keyPath, key, status);
    }
    // The value may change between asking its size and reading it: ask again when it grew.
    std::wstring text;
    for (;;) {
        DWORD bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
        DWORD type = 0;
        status = RegQueryValueExW(settings.Get(), valueName.c_str(), nullptr, &type,
                                  reinterpret_cast<BYTE*>(text.data()), &bytes);
        if (status == ERROR_FILE_NOT_FOUND) {
            return std::nullopt;
        }
        if (status == ERROR_SUCCESS && type != REG_SZ && type != REG_EXPAND_SZ) {
            throw SettingsError("The setting \"" + std::string(key) +
                                "\" in the registry key HKEY_CURRENT_USER\\" +
                                Utf8FromWide(keyPath) + " is not a text value.");
        }
        if (status == ERROR_SUCCESS && bytes <= text.size() * sizeof(wchar_t)) {
            text.resize(bytes / sizeof(wchar_t));
            break;
        }
        if (status != ERROR_SUCCESS && status != ERROR_MORE_DATA) {
            Fail("read", keyPath, key, status);
        }
        text.resize(bytes / sizeof(wchar_t) + 1);
    }
    // A stored text may or may not carry its terminating NUL.
    while (!text.empty() && text.back() == L'\0') {
        text.pop_back();
    }
    return Utf8FromWide(text);
}

void RegistrySettingsStore::StoreValue(std::string_view application, std::string_view section,
                                       std::string_view key, std::string_view value) {
    const std::wstring keyPath = KeyPath(rootKey_, application, section);
    const std::wstring text = WideFromUtf8(value);
    OpenKey settings;
    LSTATUS status =
        RegCreateKeyExW(HKEY_CURRENT_USER, keyPath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_SET_VALUE, nullptr, settings.Out(), nullptr);
    if (status != ERROR_SUCCESS) {
        Fail("saved", keyPath, key, status);
    }
    status = RegSetValueExW(settings.Get(), WideFromUtf8(key).c_str(), 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(text.c_str()),
                            static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    if (status != ERROR_SUCCESS) {
        Fail("saved", keyPath, key, status);
    }
    // Saved for good before returning, as the store promises.
    RegFlushKey(settings.Get());
}

}  // namespace agendix::settings
