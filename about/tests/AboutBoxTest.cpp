#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>
#include <stdexcept>

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

// Keys with their values (type and raw bytes); records what the launcher opens and reads.
struct FakeRegistry : Registry {
    struct Value {
        std::uint32_t type;
        std::string bytes;
    };
    std::map<std::string, std::map<std::string, Value>> keys;
    std::vector<std::string> opened;
    std::vector<std::uint32_t> accesses;
    int closed = 0;

    long OpenKey(RegistryKey root, const std::string& keyName, std::uint32_t access,
                 RegistryKey& key) override {
        opened.push_back(keyName);
        accesses.push_back(access);
        if (root != kHKeyLocalMachine || !keys.contains(keyName)) {
            return kErrorFileNotFound;
        }
        key = opened.size();
        return kErrorSuccess;
    }
    long QueryValue(RegistryKey key, const std::string& valueName, std::uint32_t& type,
                    unsigned char* data, std::uint32_t& size) override {
        const auto& values = keys.at(opened.at(key - 1));
        const auto found = values.find(valueName);
        if (found == values.end()) {
            return kErrorFileNotFound;
        }
        const Value& value = found->second;
        if (value.bytes.size() > size) {
            return kErrorMoreData;
        }
        std::memcpy(data, value.bytes.data(), value.bytes.size());
        type = value.type;
        size = static_cast<std::uint32_t>(value.bytes.size());
        return kErrorSuccess;
    }
    long CloseKey(RegistryKey) override {
        ++closed;
        return kErrorSuccess;
    }
};

constexpr char kSysInfoKey[] = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
constexpr char kLocationKey[] = "SOFTWARE\\Microsoft\\Shared Tools Location";

// The Windows layout: the tool is MSINFO32.EXE in the folder the second place names.
struct FakeSysInfo : SysInfoPlatform, MessageBox {
    std::set<std::string> files;
    std::vector<std::string> started;
    std::vector<std::string> messages;
    bool startFails = false;

    std::string ProgramIn(const std::string& folder) override {
        const std::string path = folder + "\\MSINFO32.EXE";
        return files.contains(path) ? path : "";
    }
    bool StartProgram(const std::string& path) override {
        started.push_back(path);
        return !startFails;
    }
    void ShowMessage(const std::string& text, const std::string& caption) override {
        messages.push_back(caption + ": " + text);
    }
};

class StartSysInfoTest : public ::testing::Test {
  protected:
    void Run() { StartSysInfo(registry, platform, platform, "Agendix"); }

    FakeRegistry registry;
    FakeSysInfo platform;
    const std::string unavailable =
        std::string("Agendix: ") + "System Information Is Unavailable At This Time";
};

TEST_F(StartSysInfoTest, TheFirstPlaceStartsItsToolAndTheSecondIsNotAsked) {
    registry.keys[kSysInfoKey]["PATH"] = {kRegSz, std::string("C:\\Bin\\msinfo.exe\0", 18)};
    registry.keys[kLocationKey]["MSINFO"] = {kRegSz, "C:\\Other"};
    Run();
    EXPECT_EQ(platform.started, std::vector<std::string>{"C:\\Bin\\msinfo.exe"});
    EXPECT_EQ(registry.opened, std::vector<std::string>{kSysInfoKey});
    EXPECT_TRUE(platform.messages.empty());
}

TEST_F(StartSysInfoTest, TheSecondPlaceStartsTheToolFileInItsFolder) {
    registry.keys[kSysInfoKey] = {};  // key there, value missing
    registry.keys[kLocationKey]["MSINFO"] = {kRegSz, "C:\\Tools"};
    platform.files = {"C:\\Tools\\MSINFO32.EXE"};
    Run();
    EXPECT_EQ(platform.started, std::vector<std::string>{"C:\\Tools\\MSINFO32.EXE"});
    EXPECT_EQ(registry.closed, 2);
    EXPECT_TRUE(platform.messages.empty());
}

TEST_F(StartSysInfoTest, NoToolFoundShowsTheMessageAndStartsNothing) {
    Run();
    EXPECT_EQ(platform.messages, std::vector<std::string>{unavailable});
    EXPECT_TRUE(platform.started.empty());

    registry.keys[kLocationKey]["MSINFO"] = {kRegSz, "C:\\Tools"};  // folder without the file
    Run();
    EXPECT_EQ(platform.messages.size(), 2U);
    EXPECT_TRUE(platform.started.empty());
}

TEST_F(StartSysInfoTest, AToolThatFailsToStartShowsTheMessage) {
    registry.keys[kSysInfoKey]["PATH"] = {kRegSz, "/usr/bin/missing"};
    platform.startFails = true;
    Run();
    EXPECT_EQ(platform.messages, std::vector<std::string>{unavailable});
}

class GetKeyValueTest : public ::testing::Test {
  protected:
    bool Read(const std::string& valueName) {
        return GetKeyValue(registry, kHKeyLocalMachine, "Key", valueName, value);
    }
    FakeRegistry registry;
    std::string value = "caller's text";
};

TEST_F(GetKeyValueTest, TextWithAndWithoutItsTerminatingZeroReadsTheSame) {
    registry.keys["Key"]["zero"] = {kRegSz, std::string("C:\\Tools\0", 9)};
    registry.keys["Key"]["plain"] = {kRegSz, "C:\\Tools"};
    registry.keys["Key"]["two zeros"] = {kRegSz, std::string("ab\0\0", 4)};
    ASSERT_TRUE(Read("zero"));
    EXPECT_EQ(value, "C:\\Tools");
    ASSERT_TRUE(Read("plain"));
    EXPECT_EQ(value, "C:\\Tools");
    ASSERT_TRUE(Read("two zeros"));  // only one zero character is dropped
    EXPECT_EQ(value, std::string("ab\0", 3));
    EXPECT_EQ(registry.accesses.front(), kKeyRead);
    EXPECT_EQ(registry.closed, 3);
}

TEST_F(GetKeyValueTest, NumbersAreSignedDecimalsAndOtherTypesLeaveTheCallersText) {
    registry.keys["Key"]["seven"] = {kRegDword, std::string("\x07\0\0\0", 4)};
    registry.keys["Key"]["minus two"] = {kRegDword, "\xFE\xFF\xFF\xFF"};
    registry.keys["Key"]["binary"] = {3, "\x01\x02"};
    ASSERT_TRUE(Read("seven"));
    EXPECT_EQ(value, "7");
    ASSERT_TRUE(Read("minus two"));
    EXPECT_EQ(value, "-2");
    value = "caller's text";
    EXPECT_TRUE(Read("binary"));
    EXPECT_EQ(value, "caller's text");
}

TEST_F(GetKeyValueTest, AMissingKeyOrValueOrAnOversizedValueGivesFalseAndNoText) {
    EXPECT_FALSE(Read("anything"));
    EXPECT_EQ(value, "");
    EXPECT_EQ(registry.closed, 0);

    registry.keys["Key"]["huge"] = {kRegSz, std::string(1025, 'x')};
    value = "caller's text";
    EXPECT_FALSE(Read("missing"));
    EXPECT_EQ(value, "");
    value = "caller's text";
    EXPECT_FALSE(Read("huge"));
    EXPECT_EQ(value, "");
    EXPECT_EQ(registry.closed, 2);
}

}  // namespace
}  // namespace agendix::about
