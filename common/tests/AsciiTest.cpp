#include "common/core/Ascii.h"

#include <gtest/gtest.h>

#include "common/tests/TurkishLocale.h"

namespace agendix::common::testing {
namespace {

// Names and keywords are ASCII: neither the locale nor bytes of other encodings change how they
// compare.
TEST(Ascii, CaseAndLettersAreThoseOfAsciiInEveryLocale) {
    const ScopedTurkishLocale turkish;  // where one is installed
    EXPECT_TRUE(EqualsNoCase("BEGIN:VEVENT", "begin:vEvent"));
    EXPECT_TRUE(EndsWithNoCase("WORK.ICS", ".ics"));
    EXPECT_FALSE(EndsWithNoCase("ics", ".ics"));
    EXPECT_FALSE(EqualsNoCase("I", "\xFD"));  // a dotless i in ISO-8859-9
    EXPECT_TRUE(IsAsciiAlphanumeric('z') && IsAsciiAlphanumeric('Q') && IsAsciiAlphanumeric('0'));
    for (const char other : {'/', '_', '\xC3', '\xE9', '\xFD'}) {  // UTF-8 lead byte, Latin-1 e
        EXPECT_FALSE(IsAsciiAlphanumeric(other)) << static_cast<int>(other);
    }
}

}  // namespace
}  // namespace agendix::common::testing
