#include "settings/autostart/win32/RegistryScriptShell.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace agendix::settings::testing {
namespace {

constexpr char kKey[] = "HKEY_CURRENT_USER\\Software\\AgendixTests\\Run\\";
constexpr wchar_t kKeyPath[] = L"Software\\AgendixTests\\Run";

std::wstring ReadValue(const wchar_t* name) {
    wchar_t data[512] = {};
    DWORD size = sizeof(data);
    if (RegGetValueW(HKEY_CURRENT_USER, kKeyPath, name, RRF_RT_REG_SZ, nullptr, data, &size) !=
        ERROR_SUCCESS) {
        return L"<none>";
    }
    return data;
}

class RegistryScriptShellTest : public ::testing::Test {
  protected:
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\AgendixTests"); }
    RegistryScriptShells shells_;
};

TEST_F(RegistryScriptShellTest, WritesReplacesAndDeletesATextValue) {
    const auto shell = shells_.CreateObject("wscript.shell");
    shell->RegWrite(std::string(kKey) + "Agendix", "C:\\Programme\\Agendix\\agendix.exe");
    shell->RegWrite(std::string(kKey) + "Agendix", "C:\\B\xC3\xBCro\\agendix.exe");
    EXPECT_EQ(ReadValue(L"Agendix"), L"C:\\B\u00fcro\\agendix.exe");
    shell->RegDelete(std::string(kKey) + "Agendix");
    EXPECT_EQ(ReadValue(L"Agendix"), L"<none>");
}

TEST_F(RegistryScriptShellTest, ShortRootNamesAndAnyLetterCaseWork) {
    const auto shell = shells_.CreateObject("WSCRIPT.SHELL");
    shell->RegWrite("hkcu\\Software\\AgendixTests\\Run\\Short", "x");
    EXPECT_EQ(ReadValue(L"Short"), L"x");
}

TEST_F(RegistryScriptShellTest, FailuresNameTheValueAndWhy) {
    const auto shell = shells_.CreateObject("WScript.Shell");
    try {
        shell->RegDelete(std::string(kKey) + "Missing");
        FAIL() << "deleting a missing value succeeded";
    } catch (const settings::AutostartError& failure) {
        EXPECT_NE(std::string(failure.what()).find("Run\\Missing"), std::string::npos)
            << failure.what();
    }
    EXPECT_THROW(shell->RegWrite("HKEY_NOWHERE\\Key\\Value", "x"), settings::AutostartError);
    EXPECT_THROW(shell->RegWrite("Agendix", "x"), settings::AutostartError);
    EXPECT_THROW(shells_.CreateObject("Scripting.FileSystemObject"), settings::AutostartError);
}

}  // namespace
}  // namespace agendix::settings::testing
