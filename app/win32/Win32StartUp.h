#pragma once

// The start procedure's steps on Windows, the program's information and the check for a copy
// that runs already. Built for Windows only.

#include <windows.h>

#include <functional>
#include <string>

#include "app/core/StartUp.h"
#include "common/core/ApplicationInfo.h"
#include "settings/usage/core/UsageReport.h"

namespace agendix::app {

// Held for the life of the process: a named mutex of this user's session. The first copy
// creates it; a copy that finds it there is a second one.
class InstanceMutex {
  public:
    explicit InstanceMutex(const wchar_t* name);
    ~InstanceMutex();
    InstanceMutex(const InstanceMutex&) = delete;
    InstanceMutex& operator=(const InstanceMutex&) = delete;

    bool PrevInstance() const { return prevInstance_; }

  private:
    HANDLE mutex_;
    bool prevInstance_;
};

// This program's file name and folder, the title "Agendix" and this build's version.
common::ApplicationInfo CurrentApplicationInfo(bool prevInstance);

// The common controls prepared, the usage report over HTTP, and the main window made and shown
// by `showMainWindow`.
class Win32StartUp final : public StartUpSteps {
  public:
    Win32StartUp(settings::CounterPost& counter, std::function<void()> showMainWindow)
        : counter_(counter), showMainWindow_(std::move(showMainWindow)) {}

    void InitCommonControls() override;
    void SendUsageReport(const std::string& appName, const std::string& version) override;
    void ShowMainWindow() override { showMainWindow_(); }

  private:
    settings::CounterPost& counter_;
    std::function<void()> showMainWindow_;
};

}  // namespace agendix::app
