#include "settings/autostart/win32/RegistryScriptShell.h"

#include <windows.h>

#include <array>
#include <string>
#include <utility>

#include "common/core/Ascii.h"
#include "common/win32/SystemMessage.h"
#include "common/win32/WideText.h"

namespace agendix::settings {
namespace {

using settings::AutostartError;

struct ValueName {
    HKEY root;
    std::wstring key;
    std::wstring value;
};

// The root by its long or short name, the key path and the value's name of a full name.
ValueName SplitFullName(std::string_view fullName) {
    static const std::array<std::pair<std::string_view, HKEY>, 4> roots{{
        {"HKEY_CURRENT_USER\\", HKEY_CURRENT_USER},
        {"HKCU\\", HKEY_CURRENT_USER},
        {"HKEY_LOCAL_MACHINE\\", HKEY_LOCAL_MACHINE},
        {"HKLM\\", HKEY_LOCAL_MACHINE},
    }};
    const auto lastSeparator = fullName.rfind('\\');
    for (const auto& [prefix, root] : roots) {
        if (fullName.size() > prefix.size() && common::StartsWithNoCase(fullName, prefix) &&
            lastSeparator >= prefix.size()) {
            return {
                root,
                common::WideFromUtf8(fullName.substr(prefix.size(), lastSeparator - prefix.size())),
                common::WideFromUtf8(fullName.substr(lastSeparator + 1))};
        }
    }
    throw AutostartError("the registry value \"" + std::string(fullName) +
                         "\" names no known root key");
}

std::string SystemMessage(LSTATUS status) {
    const std::string message = common::SystemMessageText(static_cast<unsigned long>(status));
    return message.empty() ? "error " + std::to_string(status) : message;
}

class RegistryScriptShell final : public ScriptShell {
  public:
    void RegWrite(std::string_view fullName, std::string_view value) override {
        const ValueName name = SplitFullName(fullName);
        const std::wstring text = common::WideFromUtf8(value);
        const LSTATUS status =
            RegSetKeyValueW(name.root, name.key.c_str(), name.value.c_str(), REG_SZ, text.c_str(),
                            static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
        if (status != ERROR_SUCCESS) {
            throw AutostartError("could not write the registry value \"" + std::string(fullName) +
                                 "\": " + SystemMessage(status));
        }
    }

    void RegDelete(std::string_view fullName) override {
        const ValueName name = SplitFullName(fullName);
        const LSTATUS status = RegDeleteKeyValueW(name.root, name.key.c_str(), name.value.c_str());
        if (status != ERROR_SUCCESS) {
            throw AutostartError("could not remove the registry value \"" + std::string(fullName) +
                                 "\": " + SystemMessage(status));
        }
    }
};

}  // namespace

std::unique_ptr<ScriptShell> RegistryScriptShells::CreateObject(std::string_view programId) {
    if (!common::EqualsNoCase(programId, "WScript.Shell")) {
        throw AutostartError("there is no object \"" + std::string(programId) + "\"");
    }
    return std::make_unique<RegistryScriptShell>();
}

}  // namespace agendix::settings
