#include "controls/groupbox/win32/Win32ThemeTest.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace agendix::controls {
namespace {

using ::testing::_;
using ::testing::Invoke;
using ::testing::Return;

class FakeThemeApi : public ThemeApi {
  public:
    MOCK_METHOD(void, GetVersionExA, (OSVERSIONINFOA&), (const, override));
    MOCK_METHOD(int, IsAppThemed, (), (const, override));
    MOCK_METHOD(void, DllGetVersion, (DLLVERSIONINFO&), (const, override));

    void SetSystemVersion(std::uint32_t major, std::uint32_t minor) {
        ON_CALL(*this, GetVersionExA(_)).WillByDefault(Invoke([=](OSVERSIONINFOA& info) {
            EXPECT_EQ(info.dwOSVersionInfoSize, 148u);
            EXPECT_EQ(info.dwMajorVersion, 0u);
            info.dwMajorVersion = major;
            info.dwMinorVersion = minor;
        }));
    }
    void SetControlsVersion(std::uint32_t major) {
        ON_CALL(*this, DllGetVersion(_)).WillByDefault(Invoke([=](DLLVERSIONINFO& info) {
            EXPECT_EQ(info.cbSize, 20u);
            EXPECT_EQ(info.dwMajorVersion, 0u);
            info.dwMajorVersion = major;
        }));
    }
};

TEST(CanDrawThemed, SystemOlderThanVisualStylesIsClassicWithoutAskingForThemes) {
    ::testing::StrictMock<FakeThemeApi> platform;
    platform.SetSystemVersion(5, 0);
    EXPECT_CALL(platform, GetVersionExA(_)).Times(1);
    EXPECT_FALSE(Win32ThemeTest(platform).CanDrawThemed());
}

TEST(CanDrawThemed, ThemedApplicationWithCommonControls6IsThemed) {
    for (const auto& [major, minor] : {std::pair{5u, 1u}, std::pair{6u, 0u}}) {
        ::testing::NiceMock<FakeThemeApi> platform;
        platform.SetSystemVersion(major, minor);
        platform.SetControlsVersion(6);
        ON_CALL(platform, IsAppThemed()).WillByDefault(Return(1));
        EXPECT_TRUE(Win32ThemeTest(platform).CanDrawThemed()) << major << "." << minor;
    }
}

TEST(CanDrawThemed, CommonControls5IsClassicEvenWhenThemed) {
    ::testing::NiceMock<FakeThemeApi> platform;
    platform.SetSystemVersion(5, 1);
    platform.SetControlsVersion(5);
    ON_CALL(platform, IsAppThemed()).WillByDefault(Return(1));
    EXPECT_FALSE(Win32ThemeTest(platform).CanDrawThemed());
}

TEST(CanDrawThemed, ThemesSwitchedOffIsClassicWithoutAskingTheControlsVersion) {
    ::testing::StrictMock<FakeThemeApi> platform;
    platform.SetSystemVersion(6, 1);
    ::testing::InSequence order;
    EXPECT_CALL(platform, GetVersionExA(_));
    EXPECT_CALL(platform, IsAppThemed()).WillOnce(Return(0));
    EXPECT_FALSE(Win32ThemeTest(platform).CanDrawThemed());
}

TEST(CanDrawThemed, FailedQueriesLeaveZeroRecordsAndGiveClassic) {
    ::testing::NiceMock<FakeThemeApi> failing;
    EXPECT_FALSE(Win32ThemeTest(failing).CanDrawThemed());

    ::testing::NiceMock<FakeThemeApi> controlsQueryFails;
    controlsQueryFails.SetSystemVersion(6, 1);
    ON_CALL(controlsQueryFails, IsAppThemed()).WillByDefault(Return(1));
    EXPECT_FALSE(Win32ThemeTest(controlsQueryFails).CanDrawThemed());
}

TEST(CanDrawThemed, AsksAgainOnEveryCall) {
    ::testing::NiceMock<FakeThemeApi> platform;
    platform.SetSystemVersion(6, 1);
    platform.SetControlsVersion(6);
    EXPECT_CALL(platform, IsAppThemed()).WillOnce(Return(1)).WillOnce(Return(0));
    EXPECT_TRUE(Win32ThemeTest(platform).CanDrawThemed());
    EXPECT_FALSE(Win32ThemeTest(platform).CanDrawThemed());
}

}  // namespace
}  // namespace agendix::controls
