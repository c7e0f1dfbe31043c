#include "about/core/AboutBox.h"

namespace agendix::about {

AboutTexts LoadTexts(const common::ApplicationInfo& app) {
    AboutTexts texts;
    texts.caption = "About " + app.Title;
    texts.version = "Version " + std::to_string(app.Major) + "." + std::to_string(app.Minor) +
                    ", build " + std::to_string(app.Revision);
    texts.title = app.Title;
    texts.description = "Shows todays and tomorrows outlook calender items.";
    texts.disclaimer = "Copyright (C) 2026 The Agendix project\r\n\r\nAt home on the Internet";
    return texts;
}

std::string LinkTarget(int index) {
    return index == 0 ? std::string("mailto:") + kAuthorMail : std::string(kHomePage);
}

void OpenLink(UrlOpener& opener, int index) {
    try {
        opener.OpenUrl(LinkTarget(index));
    } catch (...) {
        // A link that cannot be opened is not worth a message.
    }
}

void StartSysInfo(SysInfoTool& tool, common::MessageService& messages, const std::string& title) {
    try {
        const std::string program = tool.FindTool();
        if (!program.empty() && tool.StartTool(program)) {
            return;
        }
    } catch (...) {
        // Every failure ends in the one message below.
    }
    messages.ShowMessage(kSysInfoUnavailable, title);
}

}  // namespace agendix::about
