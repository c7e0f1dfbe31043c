// agendix.exe: the notification-area program on Windows. Takes the instance mutex, then runs the
// start procedure with the groupware calendar (read on a worker thread), the clock, the registry
// settings, the start-up list, the shell's notification area and the usage counter, then the
// message loop.

#include <windows.h>

#include <atomic>
#include <exception>
#include <functional>
#include <memory>
#include <string>

#include "about/win32/RegistrySysInfo.h"
#include "about/win32/SystemSysInfo.h"
#include "about/win32/Win32AboutBox.h"
#include "app/win32/Win32OptionsWindow.h"
#include "app/win32/Win32StartUp.h"
#include "common/win32/WideText.h"
#include "controls/groupbox/win32/SystemThemeApi.h"
#include "controls/tray/win32/NativeNotifyIconData.h"
#include "scan/core/BackgroundCalendar.h"
#include "scan/win32/AutomationCalendar.h"
#include "scan/win32/SystemClock.h"
#include "settings/autostart/win32/RegistryScriptShell.h"
#include "settings/store/win32/RegistrySettingsStore.h"
#include "settings/usage/win32/WinHttpCounterPost.h"

namespace {

using namespace agendix;

constexpr wchar_t kInstanceMutex[] = L"Local\\Agendix.Instance";
// The program's icon in its resources (agendix.rc).
constexpr int kIconResource = 1;

// Where the program's own configuration keeps the calendar's automation server.
constexpr char kCalendarSection[] = "Calendar";
constexpr char kProgramIdKey[] = "ProgramId";
constexpr char kDefaultProgramId[] = "Outlook.Application";

HICON LoadProgramIcon(HINSTANCE instance, int side) {
    return static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(kIconResource), IMAGE_ICON,
                                         side, side, LR_DEFAULTCOLOR));
}

std::string ProgramPath(const common::ApplicationInfo& info) {
    return info.Path + "\\" + info.EXEName + ".exe";
}

// The groupware calendar of the automation server `programId`, read on a worker thread so that
// a program that is slow to start or does not answer never holds up the window and the icon.
// `changed` is called on that thread.
std::unique_ptr<scan::CalendarApplicationFactory> MakeCalendar(const std::string& programId,
                                                               std::function<void()> changed) {
    return scan::MakeBackgroundCalendar(
        scan::MakeAutomationCalendar(common::WideFromUtf8(programId)),
        {.name = "The calendar program \"" + programId + "\"", .changed = std::move(changed)});
}

// What the options window works with. Made when the start procedure asks for the window, so
// that a second copy, which ends before that, touches nothing.
struct ProgramServices {
    ProgramServices(HINSTANCE instance, const common::ApplicationInfo& info,
                    std::function<void()> calendarChanged)
        : icon(LoadProgramIcon(instance, GetSystemMetrics(SM_CXICON))),
          smallIcon(LoadProgramIcon(instance, GetSystemMetrics(SM_CXSMICON))),
          calendar(MakeCalendar(
              store.GetValue(info.Title, kCalendarSection, kProgramIdKey, kDefaultProgramId),
              std::move(calendarChanged))),
          autostart(scriptShells),
          sysInfo(registry, sysInfoFiles),
          themeTest(themeApi),
          window{instance,
                 icon,
                 smallIcon,
                 info,
                 *calendar,
                 clock,
                 store,
                 autostart,
                 controls::SendToShell,
                 themeTest,
                 [instance, &info, this](HWND owner) {
                     about::ShowAboutBox(instance, owner, info, icon, sysInfo);
                 },
                 ProgramPath(info)} {}

    HICON icon;
    HICON smallIcon;
    settings::RegistrySettingsStore store;
    const std::unique_ptr<scan::CalendarApplicationFactory> calendar;
    const scan::SystemClock clock;
    settings::RegistryScriptShells scriptShells;
    settings::ScriptShellAutostart autostart;
    about::SystemRegistry registry;
    about::SystemSysInfoFiles sysInfoFiles;
    about::RegistrySysInfo sysInfo;
    const controls::SystemThemeApi themeApi;
    const controls::Win32ThemeTest themeTest;
    const app::Win32OptionsWindowServices window;
};

int RunMessageLoop(app::Win32OptionsWindow& window) {
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (!window.PreTranslate(message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    return static_cast<int>(message.wParam);
}

int Run(HINSTANCE instance, const common::ApplicationInfo& info) {
    // Where the calendar's worker thread sends its changes: the options window once it is there.
    std::atomic<HWND> calendarListener{nullptr};
    std::unique_ptr<ProgramServices> program;
    std::unique_ptr<app::Win32OptionsWindow> window;
    settings::WinHttpCounterPost counter(common::WideFromUtf8(AGENDIX_USAGE_HOST));
    app::Win32StartUp steps(counter, [&] {
        program = std::make_unique<ProgramServices>(instance, info, [&calendarListener] {
            app::Win32OptionsWindow::PostCalendarChanged(calendarListener.load());
        });
        window = std::make_unique<app::Win32OptionsWindow>(program->window);
        calendarListener.store(window->Window());
        window->Show();
    });
    if (!app::Main(info, steps)) {
        return 0;
    }
    return RunMessageLoop(*window);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    // Held until the process ends; taken before anything else so a second copy costs nothing.
    const app::InstanceMutex instanceMutex(kInstanceMutex);
    const common::ApplicationInfo info = app::CurrentApplicationInfo(instanceMutex.PrevInstance());
    try {
        return Run(instance, info);
    } catch (const std::exception& failure) {
        MessageBoxA(nullptr, failure.what(), info.Title.c_str(), MB_OK | MB_ICONERROR);
        return 1;
    }
}
