#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "about/core/AboutBox.h"

namespace agendix::about {
namespace {

const common::ApplicationInfo kAgendix{false, "agendix", "/usr/bin", "Agendix", 1, 0, 13};

TEST(AboutTextsTest, LoadHandlerTextsComeFromTheApplicationInformation) {
    const AboutTexts texts = LoadTexts(kAgendix);
    EXPECT_EQ(texts.caption, "About Agendix");
    EXPECT_EQ(texts.version, "Version 1.0, build 13");
    EXPECT_EQ(texts.title, "Agendix");
    EXPECT_EQ(texts.description, "Shows todays and tomorrows outlook calender items.");
    EXPECT_EQ(texts.disclaimer.find("Copyright"), 0U);
    EXPECT_NE(texts.disclaimer.find("\r\n\r\n"), std::string::npos);
}

struct RecordingOpener : UrlOpener {
    std::vector<std::string> opened;
    bool fail = false;
    bool OpenUrl(const std::string& target) override {
        opened.push_back(target);
        if (fail) {
            throw std::runtime_error("no handler");
        }
        return true;
    }
};

TEST(AboutLinksTest, IndexZeroMailsTheAuthorAnyOtherOpensTheHomePage) {
    RecordingOpener opener;
    OpenLink(opener, 0);
    OpenLink(opener, 1);
    OpenLink(opener, 7);
    EXPECT_EQ(opener.opened,
              (std::vector<std::string>{"mailto:agendix@example.org", kHomePage, kHomePage}));
    opener.fail = true;
    EXPECT_NO_THROW(OpenLink(opener, 0));
}

// A tool that is there or not, starts or not, or fails in its own way.
struct FakeTool : SysInfoTool {
    std::string program;
    bool startFails = false;
    bool findThrows = false;
    std::vector<std::string> started;

    std::string FindTool() override {
        if (findThrows) {
            throw 42;
        }
        return program;
    }
    bool StartTool(const std::string& path) override {
        started.push_back(path);
        return !startFails;
    }
};

struct RecordingMessages : common::MessageService {
    std::vector<std::string> shown;
    void ShowMessage(const std::string& text, const std::string& caption) override {
        shown.push_back(caption + ": " + text);
    }
};

TEST(StartSysInfo, StartsTheToolThereIsAndOtherwiseSaysItIsUnavailable) {
    const std::vector<std::string> unavailable{
        "Agendix: System Information Is Unavailable At This Time"};
    FakeTool tool;
    RecordingMessages messages;
    tool.program = "/usr/bin/hardinfo";
    StartSysInfo(tool, messages, "Agendix");
    EXPECT_EQ(tool.started, std::vector<std::string>{"/usr/bin/hardinfo"});
    EXPECT_TRUE(messages.shown.empty());

    tool.startFails = true;
    StartSysInfo(tool, messages, "Agendix");
    EXPECT_EQ(messages.shown, unavailable);

    FakeTool none;
    RecordingMessages noneMessages;
    StartSysInfo(none, noneMessages, "Agendix");
    EXPECT_TRUE(none.started.empty());
    EXPECT_EQ(noneMessages.shown, unavailable);

    FakeTool failing;
    failing.findThrows = true;
    RecordingMessages failingMessages;
    EXPECT_NO_THROW(StartSysInfo(failing, failingMessages, "Agendix"));
    EXPECT_EQ(failingMessages.shown, unavailable);
}

}  // namespace
}  // namespace agendix::about
