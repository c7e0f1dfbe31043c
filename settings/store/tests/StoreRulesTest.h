#pragma once

// The rules every settings store follows, run against each implementation. A type parameter
// makes an empty store with Make(); it owns whatever the store needs (a temporary folder).

#include <gtest/gtest.h>

#include "SettingsFormat.h"
#include "SettingsStore.h"

namespace agendix::settings {

template <typename StoreMaker>
class StoreRulesTest : public ::testing::Test {
  protected:
    StoreMaker maker_;
};

TYPED_TEST_SUITE_P(StoreRulesTest);

TYPED_TEST_P(StoreRulesTest, EmptyStoreGivesEveryDefault) {
    auto store = this->maker_.Make();
    EXPECT_EQ(store->GetValue(kSettingsApp, kSettingsSection, kKeyTimer), "");
    EXPECT_EQ(store->GetValue(kSettingsApp, kSettingsSection, kKeyAutoStart, "yes"), "yes");
    EXPECT_EQ(store->GetValue(kSettingsApp, kSettingsSection, kKeyTomorrow, "no"), "no");
    EXPECT_EQ(ReadCheckInterval(store->GetValue(kSettingsApp, kSettingsSection, kKeyTimer)), 2);
    EXPECT_FALSE(store->TakeWarning());
}

TYPED_TEST_P(StoreRulesTest, NamesMatchWithoutRegardToCaseAtEveryLevel) {
    auto store = this->maker_.Make();
    store->SaveValue("Agendix", "Settings", "Mouseover", "no");
    EXPECT_EQ(store->GetValue("Agendix", "Settings", "MouseOver", "yes"), "no");
    EXPECT_EQ(store->GetValue("AGENDIX", "settings", "mOUSEoVER", "yes"), "no");

    store->SaveValue("agendix", "SETTINGS", "MouseOver", "yes");
    EXPECT_EQ(store->GetValue("Agendix", "Settings", "Mouseover"), "yes");
}

TYPED_TEST_P(StoreRulesTest, DefaultAppliesOnlyToAnAbsentEntry) {
    auto store = this->maker_.Make();
    store->SaveValue(kSettingsApp, kSettingsSection, kKeyAutoStart, "");
    EXPECT_EQ(store->GetValue(kSettingsApp, kSettingsSection, kKeyAutoStart, "yes"), "");
    EXPECT_FALSE(IsFlagSet(store->GetValue(kSettingsApp, kSettingsSection, kKeyAutoStart, "yes")));
}

TYPED_TEST_P(StoreRulesTest, SaveReplacesAndEntriesStaySeparate) {
    auto store = this->maker_.Make();
    store->SaveValue("Agendix", "Settings", "timer", "10");
    store->SaveValue("Agendix", "Settings", "timer", "15");
    store->SaveValue("Agendix", "Other", "timer", "3");
    store->SaveValue("Another", "Settings", "timer", "4");
    EXPECT_EQ(store->GetValue("Agendix", "Settings", "timer"), "15");
    EXPECT_EQ(store->GetValue("Agendix", "Other", "timer"), "3");
    EXPECT_EQ(store->GetValue("Another", "Settings", "timer"), "4");
    EXPECT_EQ(store->GetValue("Agendix", "Settings", "Tomorrow", "none"), "none");
}

TYPED_TEST_P(StoreRulesTest, ValuesComeBackExactlyAsSaved) {
    auto store = this->maker_.Make();
    const std::string values[] = {"Yes",      " 7 ",           "a, b",     "@Variant(x)",
                                  "x=y;z#",   "quote \" \\ /", "Zürich ✓", "line\nbreak\ttab",
                                  "\x01\x1f", "[section]",     "  ",       "2.5e1"};
    for (const std::string& value : values) {
        store->SaveValue(kSettingsApp, kSettingsSection, "value", value);
        EXPECT_EQ(store->GetValue(kSettingsApp, kSettingsSection, "value"), value);
    }
}

TYPED_TEST_P(StoreRulesTest, RejectsNamesThatWouldBuildPaths) {
    auto store = this->maker_.Make();
    for (const char* name : {"", "a/b", "a\\b"}) {
        EXPECT_THROW(store->SaveValue(kSettingsApp, kSettingsSection, name, "x"), SettingsError);
        EXPECT_THROW(store->GetValue(name, kSettingsSection, kKeyTimer), SettingsError);
    }
}

REGISTER_TYPED_TEST_SUITE_P(StoreRulesTest, EmptyStoreGivesEveryDefault,
                            NamesMatchWithoutRegardToCaseAtEveryLevel,
                            DefaultAppliesOnlyToAnAbsentEntry, SaveReplacesAndEntriesStaySeparate,
                            ValuesComeBackExactlyAsSaved, RejectsNamesThatWouldBuildPaths);

}  // namespace agendix::settings
