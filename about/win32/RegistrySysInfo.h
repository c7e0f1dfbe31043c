#pragma once

// The system-information tool on Windows: its path as the registry names it in one of two
// places, and the tool started from it.

#include <string>

#include "about/core/AboutBox.h"
#include "about/win32/Win32Types.h"

namespace agendix::about {

// The registry calls the lookup makes (RegOpenKeyEx, RegQueryValueEx, RegCloseKey); results
// are the platform's status codes, ERROR_SUCCESS for success.
class Registry {
  public:
    virtual ~Registry() = default;
    virtual LONG OpenKey(HKEY root, const std::string& keyName, REGSAM access, HKEY& key) = 0;
    // Reads `valueName` into `data` (`size` bytes on entry; the value's size on return).
    virtual LONG QueryValue(HKEY key, const std::string& valueName, DWORD& type, BYTE* data,
                            DWORD& size) = 0;
    virtual LONG CloseKey(HKEY key) = 0;
};

// Reads one value into `keyValue`: text as stored (one trailing zero character dropped), a
// number as signed decimal text; a value of another type leaves `keyValue` as it was. Returns
// false, with `keyValue` empty, when the key or the value cannot be read.
bool GetKeyValue(Registry& registry, HKEY root, const std::string& keyName,
                 const std::string& valueName, std::string& keyValue);

// The files of the tool: finding it in a folder and starting it.
class SysInfoFiles {
  public:
    virtual ~SysInfoFiles() = default;
    // The program's file in `folder` when it is there (folder + "\MSINFO32.EXE"); empty when it
    // is not.
    virtual std::string ProgramIn(const std::string& folder) = 0;
    // Starts the program as a normal window with the focus; false when it could not start.
    virtual bool StartProgram(const std::string& path) = 0;
};

// The tool named by the first registry place, else the tool in the folder that the second names.
class RegistrySysInfo final : public SysInfoTool {
  public:
    RegistrySysInfo(Registry& registry, SysInfoFiles& files) : registry_(registry), files_(files) {}

    std::string FindTool() override;
    bool StartTool(const std::string& program) override { return files_.StartProgram(program); }

  private:
    Registry& registry_;
    SysInfoFiles& files_;
};

}  // namespace agendix::about
