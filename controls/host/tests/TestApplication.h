#pragma once

#include <QApplication>

namespace agendix::controls::testing {

// Widget tests share one QApplication, made on first use (on the offscreen platform under ctest).
inline QApplication& TestApplication() {
    static int argc = 1;
    static char name[] = "agendix-tests";
    static char* argv[] = {name, nullptr};
    static QApplication application(argc, argv);
    return application;
}

}  // namespace agendix::controls::testing
