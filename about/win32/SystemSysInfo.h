#pragma once

// The system's side of the About box on Windows: the registry, the tool's file and its start,
// links opened by the shell and plain message boxes. Texts are UTF-8, the program's code page.
// Built for Windows only.

#include "about/core/AboutBox.h"
#include "about/win32/RegistrySysInfo.h"
#include "common/core/MessageService.h"

namespace agendix::about {

class SystemRegistry final : public Registry {
  public:
    LONG OpenKey(HKEY root, const std::string& keyName, REGSAM access, HKEY& key) override;
    LONG QueryValue(HKEY key, const std::string& valueName, DWORD& type, BYTE* data,
                    DWORD& size) override;
    LONG CloseKey(HKEY key) override;
};

class SystemSysInfoFiles final : public SysInfoFiles {
  public:
    std::string ProgramIn(const std::string& folder) override;
    bool StartProgram(const std::string& path) override;
};

// Opens a link with the shell's handler for it, on behalf of `owner`.
class ShellUrlOpener final : public UrlOpener {
  public:
    explicit ShellUrlOpener(HWND owner) : owner_(owner) {}
    bool OpenUrl(const std::string& target) override;

  private:
    HWND owner_;
};

// A modal message box owned by `owner`, with an OK button only and no icon.
class Win32MessageService final : public common::MessageService {
  public:
    Win32MessageService(HWND owner, std::string title) : owner_(owner), title_(std::move(title)) {}
    void ShowMessage(const std::string& text, const std::string& caption) override;

  private:
    HWND owner_;
    std::string title_;
};

}  // namespace agendix::about
