#pragma once

#include <QApplication>

namespace agendix::controls::testing {

// Widget tests share one QApplication, made on first use (on the offscreen platform under ctest).
// It lives until the process ends: destroying it among the static objects at exit would run after
// Qt's own statics are gone.
inline QApplication& TestApplication() {
    static int argc = 1;
    static char name[] = "agendix-tests";
    static char* argv[] = {name, nullptr};
    static QApplication* const application = new QApplication(argc, argv);
    return *application;
}

}  // namespace agendix::controls::testing
