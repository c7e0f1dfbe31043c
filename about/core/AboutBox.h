#pragma once

// The About box's logic: its texts, its two links and the system-information launcher, which
// looks the tool up in two registry places as the platform answers them.

#include <cstdint>
#include <string>

#include "common/core/ApplicationInfo.h"

namespace agendix::about {

// The project's contact addresses: placeholders under a reserved example domain.
inline constexpr char kAuthorMail[] = "agendix@example.org";
inline constexpr char kHomePage[] = "https://agendix.example.org/";

inline constexpr char kSysInfoUnavailable[] = "System Information Is Unavailable At This Time";

// What the load handler writes, in its order.
struct AboutTexts {
    std::string caption;  // "About " and the title
    std::string version;  // "Version 1.0, build 13"
    std::string title;
    std::string description;
    std::string disclaimer;  // copyright line, two line breaks (CR LF), residence line
};

AboutTexts LoadTexts(const common::ApplicationInfo& app);

// Opens a link with the desktop's handler (mail client, web browser).
class UrlOpener {
  public:
    virtual ~UrlOpener() = default;
    virtual bool OpenUrl(const std::string& target) = 0;
};

// The target of link `index`: 0 is the author's "mailto:" address, any other the home page.
std::string LinkTarget(int index);
// Opens link `index`; a link that cannot be opened fails silently.
void OpenLink(UrlOpener& opener, int index);

// The registry as the launcher reads it: keys opened under a root, values read into a buffer
// with their type and size. Results are platform status codes, 0 for success.
using RegistryKey = std::uintptr_t;
inline constexpr RegistryKey kHKeyLocalMachine = 0x80000002;
inline constexpr std::uint32_t kKeyRead = 0x20019;
inline constexpr std::uint32_t kRegSz = 1;     // text
inline constexpr std::uint32_t kRegDword = 4;  // 32-bit number, little-endian
inline constexpr long kErrorSuccess = 0;
inline constexpr long kErrorFileNotFound = 2;
inline constexpr long kErrorMoreData = 234;

class Registry {
  public:
    virtual ~Registry() = default;
    virtual long OpenKey(RegistryKey root, const std::string& keyName, std::uint32_t access,
                         RegistryKey& key) = 0;
    // Reads `valueName` into `data` (`size` bytes on entry; the value's size on return).
    virtual long QueryValue(RegistryKey key, const std::string& valueName, std::uint32_t& type,
                            unsigned char* data, std::uint32_t& size) = 0;
    virtual long CloseKey(RegistryKey key) = 0;
};

// Reads one value into `keyValue`: text as stored (one trailing zero character dropped), a
// number as signed decimal text; a value of another type leaves `keyValue` as it was. Returns
// false, with `keyValue` empty, when the key or the value cannot be read.
bool GetKeyValue(Registry& registry, RegistryKey root, const std::string& keyName,
                 const std::string& valueName, std::string& keyValue);

// Finding and starting the system-information program.
class SysInfoPlatform {
  public:
    virtual ~SysInfoPlatform() = default;
    // The program's file in `folder` when it is there (on Windows, folder + "\MSINFO32.EXE");
    // empty when it is not.
    virtual std::string ProgramIn(const std::string& folder) = 0;
    // Starts the program as a normal window with the focus; false when it could not start.
    virtual bool StartProgram(const std::string& path) = 0;
};

// A message box with only an OK button and no icon.
class MessageBox {
  public:
    virtual ~MessageBox() = default;
    virtual void ShowMessage(const std::string& text, const std::string& caption) = 0;
};

// Starts the tool named by the first registry place; else the tool in the folder named by the
// second. When neither works, or anything fails, shows kSysInfoUnavailable captioned `title`.
void StartSysInfo(Registry& registry, SysInfoPlatform& platform, MessageBox& messages,
                  const std::string& title);

}  // namespace agendix::about
