#pragma once

// What the options window's handlers need of the window, its controls and the services around
// it. The Qt window implements it; tests use a fake.

#include <string>

namespace agendix::app {

enum class WindowState { Normal = 0, Minimized = 1 };

// The four option check boxes.
enum class OptionBox { WStartup, MouseOver, Tomorrow, Startup };

class OptionsWindow {
  public:
    virtual ~OptionsWindow() = default;

    // Keeps the window above all others.
    virtual void SetTopMost() = 0;

    virtual void SetVisible(bool visible) = 0;
    virtual WindowState GetWindowState() const = 0;
    // A change of state raises the resize handler before this returns.
    virtual void SetWindowState(WindowState state) = 0;

    virtual void SetTimerEnabled(bool enabled) = 0;

    // 0 unticked, 1 ticked. Setting a box to a value other than its current one raises that
    // box's click handler before this returns.
    virtual int BoxValue(OptionBox box) const = 0;
    virtual void SetBoxValue(OptionBox box, int value) = 0;

    // The minutes box and the spin control attached to it.
    virtual void SetIntervalText(const std::string& text) = 0;
    virtual int SpinnerValue() const = 0;

    // Pops the tray menu up at the mouse position and returns after the choice.
    virtual void PopUpTrayMenu() = 0;
    // Shows the About box modally, owned by this window.
    virtual void ShowAboutBox() = 0;
    // Unloads the window: its unload handler runs, and the program ends with it.
    virtual void Unload() = 0;

    virtual void ProcessPendingMessages() = 0;
    // Tells the user about a failure in one message box that stays on top and is reused; a new
    // message replaces the one shown.
    virtual void ShowFailure(const std::string& message) = 0;
    // Closes that message box, if it is open.
    virtual void CloseFailure() = 0;
};

}  // namespace agendix::app
