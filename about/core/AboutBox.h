#pragma once

// The About box's logic: its texts, its two links and the system-information launcher.

#include <string>

#include "common/core/ApplicationInfo.h"
#include "common/core/MessageService.h"

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

// The desktop's system-information tool.
class SysInfoTool {
  public:
    virtual ~SysInfoTool() = default;
    // The tool's program when there is one; empty when there is none.
    virtual std::string FindTool() = 0;
    // Starts `program` as a normal window with the focus; false when it could not start.
    virtual bool StartTool(const std::string& program) = 0;
};

// Starts the system-information tool. When there is none, or it does not start, or anything
// fails, shows kSysInfoUnavailable captioned `title`.
void StartSysInfo(SysInfoTool& tool, common::MessageService& messages, const std::string& title);

}  // namespace agendix::about
