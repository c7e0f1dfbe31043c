#include "controls/groupbox/qt/QtThemePlatform.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QStyleFactory>

namespace agendix::controls {
namespace {

QApplication& Application() {
    static int argc = 1;
    static char name[] = "theme-tests";
    static char* argv[] = {name, nullptr};
    static QApplication application(argc, argv);
    return application;
}

TEST(QtThemePlatform, WithoutAWidgetApplicationTheLookIsClassic) {
    if (QCoreApplication::instance() != nullptr) {
        GTEST_SKIP() << "an earlier test of this process made the application";
    }
    EXPECT_FALSE(QtThemePlatform().CanDrawThemed());
}

TEST(QtThemePlatform, FollowsTheApplicationStyleAtEveryCall) {
    Application();
    const QtThemePlatform platform;
    QApplication::setStyle(QStyleFactory::create("Fusion"));
    EXPECT_TRUE(platform.CanDrawThemed());
    QApplication::setStyle(QStyleFactory::create("Windows"));
    EXPECT_FALSE(platform.CanDrawThemed());
    QApplication::setStyle(QStyleFactory::create("Fusion"));
    EXPECT_TRUE(platform.CanDrawThemed());
    QApplication::setStyle(QStyleFactory::create("WINDOWS"));
    EXPECT_FALSE(platform.CanDrawThemed());
}

}  // namespace
}  // namespace agendix::controls
