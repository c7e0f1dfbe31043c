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

TEST(QtThemePlatform, FollowsTheApplicationStyleAtEveryCall) {
    Application();
    const QtThemePlatform platform;
    QApplication::setStyle(QStyleFactory::create("Fusion"));
    EXPECT_TRUE(CanDrawThemed(platform));
    QApplication::setStyle(QStyleFactory::create("Windows"));
    EXPECT_FALSE(CanDrawThemed(platform));
    QApplication::setStyle(QStyleFactory::create("Fusion"));
    EXPECT_TRUE(CanDrawThemed(platform));
}

TEST(QtThemePlatform, RecordsOfAnotherSizeAreLeftZero) {
    const QtThemePlatform platform;
    OSVERSIONINFOA osVersion;
    osVersion.dwOSVersionInfoSize = 0;
    platform.GetVersionExA(osVersion);
    EXPECT_EQ(osVersion.dwMajorVersion, 0u);
    DLLVERSIONINFO controls;
    platform.DllGetVersion(controls);
    EXPECT_GE(controls.dwMajorVersion, 6u);
}

}  // namespace
}  // namespace agendix::controls
