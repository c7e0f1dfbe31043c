#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "settings/store/win32/RegistrySettingsStore.h"

namespace agendix::settings {
namespace {

using ::testing::HasSubstr;

// "Software\Agendix tests\" and the running test's name.
std::wstring TestKey() {
    const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    return L"Software\\Agendix tests\\" + std::wstring(name.begin(), name.end());
}

// A store under a key of the test's own in the current user's registry, removed before and after.
class RegistrySettingsStoreTest : public ::testing::Test {
  protected:
    RegistrySettingsStoreTest() { RegDeleteTreeW(HKEY_CURRENT_USER, root_.c_str()); }
    ~RegistrySettingsStoreTest() override { RegDeleteTreeW(HKEY_CURRENT_USER, root_.c_str()); }

    // The raw registry value under the test's root, or nothing.
    std::optional<std::wstring> RawValue(const std::wstring& subKey, const std::wstring& name) {
        wchar_t text[256];
        DWORD bytes = sizeof text;
        if (RegGetValueW(HKEY_CURRENT_USER, (root_ + L"\\" + subKey).c_str(), name.c_str(),
                         RRF_RT_REG_SZ, nullptr, text, &bytes) != ERROR_SUCCESS) {
            return std::nullopt;
        }
        return std::wstring(text);
    }

    DWORD ValueCount(const std::wstring& subKey) {
        HKEY key = nullptr;
        DWORD values = 0;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, (root_ + L"\\" + subKey).c_str(), 0, KEY_READ, &key) ==
            ERROR_SUCCESS) {
            RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values,
                             nullptr, nullptr, nullptr, nullptr);
            RegCloseKey(key);
        }
        return values;
    }

    const std::wstring root_ = TestKey();
    RegistrySettingsStore store{root_};
};

TEST_F(RegistrySettingsStoreTest, SavedValueIsReadBackAndReplacedBySaves) {
    store.SaveValue("Agendix", "Settings", "timer", "5");
    EXPECT_EQ(store.GetValue("Agendix", "Settings", "timer"), "5");
    store.SaveValue("Agendix", "Settings", "timer", "10");
    EXPECT_EQ(store.GetValue("Agendix", "Settings", "timer"), "10");
    EXPECT_EQ(RawValue(L"Agendix\\Settings", L"timer"), L"10");
    EXPECT_FALSE(store.TakeWarning());
}

TEST_F(RegistrySettingsStoreTest, NamesMatchWithoutRegardToCase) {
    store.SaveValue("Agendix", "Settings", "Mouseover", "no");
    EXPECT_EQ(store.GetValue("AGENDIX", "settings", "MouseOver", "yes"), "no");
    store.SaveValue("agendix", "SETTINGS", "MouseOver", "yes");
    EXPECT_EQ(store.GetValue("Agendix", "Settings", "Mouseover"), "yes");
    EXPECT_EQ(ValueCount(L"Agendix\\Settings"), 1u);
}

TEST_F(RegistrySettingsStoreTest, DefaultOnlyForAMissingEntry) {
    EXPECT_EQ(store.GetValue("Agendix", "Settings", "WStartup", "yes"), "yes");  // no key at all
    store.SaveValue("Agendix", "Settings", "Tomorrow", "no");
    EXPECT_EQ(store.GetValue("Agendix", "Settings", "WStartup", "yes"), "yes");  // no value
    EXPECT_EQ(store.GetValue("Agendix", "Settings", "timer"), "");
    store.SaveValue("Agendix", "Settings", "WStartup", "");
    EXPECT_EQ(store.GetValue("Agendix", "Settings", "WStartup", "yes"), "");
}

TEST_F(RegistrySettingsStoreTest, TextsAreUtf8InTheProgramAndUtf16InTheRegistry) {
    const std::string longText(5000, 'x');
    store.SaveValue("Agendix", "Réglages", "Größe", "Zürich ☕ 会議");
    store.SaveValue("Agendix", "Réglages", "long", longText);
    EXPECT_EQ(store.GetValue("Agendix", "réglages", "GRÖßE"), "Zürich ☕ 会議");
    EXPECT_EQ(store.GetValue("Agendix", "Réglages", "long"), longText);
    EXPECT_EQ(RawValue(L"Agendix\\R\u00e9glages", L"Gr\u00f6\u00dfe"),
              L"Z\u00fcrich \u2615 \u4f1a\u8b70");
}

TEST_F(RegistrySettingsStoreTest, ValueOfAnotherTypeIsReportedNotTakenAsMissing) {
    store.SaveValue("Agendix", "Settings", "timer", "5");
    const DWORD number = 7;
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, (root_ + L"\\Agendix\\Settings").c_str(), L"timer",
                              REG_DWORD, &number, sizeof number),
              ERROR_SUCCESS);
    try {
        store.GetValue("Agendix", "Settings", "timer", "2");
        FAIL() << "no SettingsError";
    } catch (const SettingsError& error) {
        EXPECT_THAT(error.what(), HasSubstr("\"timer\""));
        EXPECT_THAT(error.what(), HasSubstr("Agendix\\Settings is not a text value"));
    }
}

// The default store keeps the options where Windows programs keep their per-user settings.
TEST(RegistrySettingsStoreDefaultTest, KeepsOptionsUnderTheApplicationSettingsKey) {
    const std::wstring application = L"Agendix test application";
    const std::wstring key = std::wstring(kApplicationSettingsKey) + L"\\" + application;
    RegDeleteTreeW(HKEY_CURRENT_USER, key.c_str());
    RegistrySettingsStore store;
    store.SaveValue("Agendix test application", "Settings", "Startup", "no");
    wchar_t text[8];
    DWORD bytes = sizeof text;
    EXPECT_EQ(RegGetValueW(HKEY_CURRENT_USER, (key + L"\\Settings").c_str(), L"Startup",
                           RRF_RT_REG_SZ, nullptr, text, &bytes),
              ERROR_SUCCESS);
    EXPECT_EQ(std::wstring(text), L"no");
    RegDeleteTreeW(HKEY_CURRENT_USER, key.c_str());
}

}  // namespace
}  // namespace agendix::settings
