#include "controls/tray/win32/Win32Tray.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <vector>

#include "controls/tray/win32/NativeNotifyIconData.h"

namespace agendix::controls::testing {
namespace {

using Field = NotifyIconData::Field;
using TextField = NotifyIconData::TextField;

// The 64-bit program's record: 8-byte handles, each aligned to 8 bytes.
static_assert(sizeof(void*) != 8 || NOTIFYICONDATAA_V2_SIZE == 504);
static_assert(sizeof(void*) != 8 || offsetof(NOTIFYICONDATAA, hIcon) == 32);

TEST(NativeNotifyIconData, CarriesEveryMemberIntoTheSystemsRecord) {
    NotifyIconData data;
    data.Set(Field::hWnd, 0x0001007A);
    data.Set(Field::uID, 1);
    data.Set(Field::uFlags, 0x13);
    data.Set(Field::uCallbackMessage, 0x200);
    data.Set(Field::hIcon, 0x00020044);
    data.Set(Field::dwInfoFlags, 0);
    data.SetText(TextField::szInfoTitle, "Today:");
    data.SetText(TextField::szInfo, std::string("Caf\xC3\xA9 \xE2\x98\x95\r\n\0", 12));
    data.SetText(TextField::szTip, "");

    const NOTIFYICONDATAA native = ToNativeRecord(data);
    EXPECT_EQ(native.cbSize, NOTIFYICONDATAA_V2_SIZE);
    EXPECT_EQ(native.hWnd, reinterpret_cast<HWND>(0x0001007A));
    EXPECT_EQ(native.uID, 1u);
    EXPECT_EQ(native.uFlags, 0x13u);
    EXPECT_EQ(native.uCallbackMessage, 0x200u);
    EXPECT_EQ(native.hIcon, reinterpret_cast<HICON>(0x00020044));
    EXPECT_EQ(native.uTimeout, 0u);
    // The texts byte for byte, with their padding: the UTF-8 the shell reads in this code page.
    const auto& bytes = data.Bytes();
    EXPECT_EQ(std::memcmp(native.szInfo, bytes.data() + NotifyIconData::Offset(TextField::szInfo),
                          sizeof(native.szInfo)),
              0);
    EXPECT_EQ(std::memcmp(native.szInfoTitle,
                          bytes.data() + NotifyIconData::Offset(TextField::szInfoTitle),
                          sizeof(native.szInfoTitle)),
              0);
    EXPECT_STREQ(native.szInfo, "Caf\xC3\xA9 \xE2\x98\x95\r\n");
}

TEST(NativeNotifyIconData, HandlesWidenWithTheirSign) {
    NotifyIconData data;
    data.Set(Field::hWnd, 0xFFFF1234);
    const NOTIFYICONDATAA native = ToNativeRecord(data);
    EXPECT_EQ(native.hWnd, LongToHandle(static_cast<LONG>(0xFFFF1234)));
    EXPECT_EQ(HandleToLong(native.hWnd), static_cast<LONG>(0xFFFF1234));
}

struct ShellCall {
    DWORD message;
    NotifyIconData data;
};

class Win32TrayTest : public ::testing::Test {
  protected:
    Win32Tray tray_{GetModuleHandleW(nullptr), LoadIconA(nullptr, IDI_APPLICATION),
                    [this](DWORD message, const NotifyIconData& data) {
                        calls_.push_back({message, data});
                        return shellTakesIt_;
                    },
                    [this](TrayEvent event) { events_.push_back(event); }};
    std::vector<ShellCall> calls_;
    std::vector<TrayEvent> events_;
    BOOL shellTakesIt_ = TRUE;

    // The shell's callback: the icon's mouse message as the x of a mouse move.
    void IconReports(UINT mouseMessage) {
        SendMessageW(tray_.Window(), WM_MOUSEMOVE, 0, MAKELPARAM(mouseMessage, 0));
    }
    void Timer1Ticks() { SendMessageW(tray_.Window(), WM_TIMER, 1, 0); }
    // Whether the timer that adds a refused icon again runs; a tick of it when it does.
    bool AddAgainTicks() {
        return KillTimer(tray_.Window(), 2) != 0 &&
               SendMessageW(tray_.Window(), WM_TIMER, 2, 0) == 0;
    }
};

TEST_F(Win32TrayTest, TheRecordNamesTheControlsWindowAndIcon) {
    tray_.SetTrayToolTipTitle("Today:");
    tray_.SetTrayToolTip(std::string("x\0", 2));
    tray_.Show(true);
    ASSERT_EQ(calls_.size(), 1u);
    EXPECT_EQ(calls_[0].message, static_cast<DWORD>(NIM_ADD));
    const NOTIFYICONDATAA native = ToNativeRecord(calls_[0].data);
    EXPECT_EQ(native.hWnd, tray_.Window());
    EXPECT_EQ(native.hIcon, LoadIconA(nullptr, IDI_APPLICATION));
    EXPECT_EQ(calls_[0].data.Text(TextField::szInfoTitle), "Today:");
}

TEST_F(Win32TrayTest, IconMessagesBecomeEventsUnderTheLock) {
    tray_.Show(true);
    IconReports(WM_LBUTTONDOWN);
    IconReports(WM_RBUTTONDOWN);  // within the lock: dropped
    EXPECT_EQ(events_, std::vector<TrayEvent>{TrayEvent::LeftClick});
    Timer1Ticks();
    IconReports(WM_LBUTTONUP);  // releases raise nothing
    IconReports(WM_RBUTTONDOWN);
    Timer1Ticks();
    IconReports(WM_MOUSEMOVE);
    EXPECT_EQ(events_, (std::vector<TrayEvent>{TrayEvent::LeftClick, TrayEvent::RightClick,
                                               TrayEvent::MouseOver}));
}

TEST_F(Win32TrayTest, ANewTaskBarGetsTheShownIconAgain) {
    tray_.RestoreIcon();
    EXPECT_TRUE(calls_.empty()) << "no icon shown, none to add";
    tray_.Show(true);
    tray_.RestoreIcon();
    ASSERT_EQ(calls_.size(), 2u);
    EXPECT_EQ(calls_[1].message, static_cast<DWORD>(NIM_ADD));
    EXPECT_EQ(calls_[1].data.Bytes(), calls_[0].data.Bytes());
    tray_.Show(false);
    EXPECT_EQ(calls_.back().message, static_cast<DWORD>(NIM_DELETE));
}

TEST_F(Win32TrayTest, AnIconTheShellRefusedIsAddedAgainEachSecondUntilTaken) {
    shellTakesIt_ = FALSE;
    tray_.Show(true);
    ASSERT_TRUE(AddAgainTicks());
    ASSERT_TRUE(AddAgainTicks());
    shellTakesIt_ = TRUE;
    ASSERT_TRUE(AddAgainTicks());
    EXPECT_FALSE(AddAgainTicks()) << "the icon was taken: no more tries";
    ASSERT_EQ(calls_.size(), 4u);
    for (const ShellCall& call : calls_) {
        EXPECT_EQ(call.message, static_cast<DWORD>(NIM_ADD));
    }

    tray_.Show(false);
    shellTakesIt_ = FALSE;
    tray_.Show(true);
    tray_.Show(false);
    EXPECT_FALSE(AddAgainTicks()) << "no icon shown: none to add";
}

}  // namespace
}  // namespace agendix::controls::testing
