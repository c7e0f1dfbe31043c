#include "common/tests/TurkishLocale.h"

#include <clocale>

namespace agendix::common::testing {

ScopedTurkishLocale::ScopedTurkishLocale() : previous_(std::setlocale(LC_CTYPE, nullptr)) {
    // The names of glibc's locales, then the name the Windows C runtime knows the locale by.
    for (const char* name :
         {"tr_TR.UTF-8", "tr_TR.utf8", "tr_TR.ISO-8859-9", "tr_TR", "Turkish_Turkey.1254"}) {
        if (std::setlocale(LC_CTYPE, name)) {
            active_ = true;
            return;
        }
    }
}

ScopedTurkishLocale::~ScopedTurkishLocale() {
    std::setlocale(LC_CTYPE, previous_.c_str());
}

}  // namespace agendix::common::testing
