#include "about/win32/RegistrySysInfo.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <set>
#include <vector>

namespace agendix::about {
namespace {

// Keys with their values (type and raw bytes); records what the launcher opens and reads.
struct FakeRegistry : Registry {
    struct Value {
        DWORD type;
        std::string bytes;
    };
    std::map<std::string, std::map<std::string, Value>> keys;
    std::vector<std::string> opened;
    std::vector<REGSAM> accesses;
    int closed = 0;

    LONG OpenKey(HKEY root, const std::string& keyName, REGSAM access, HKEY& key) override {
        opened.push_back(keyName);
        accesses.push_back(access);
        if (root != HKEY_LOCAL_MACHINE || !keys.contains(keyName)) {
            return ERROR_FILE_NOT_FOUND;
        }
        key = reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(opened.size()));
        return ERROR_SUCCESS;
    }
    LONG QueryValue(HKEY key, const std::string& valueName, DWORD& type, BYTE* data,
                    DWORD& size) override {
        const auto& values = keys.at(opened.at(reinterpret_cast<std::uintptr_t>(key) - 1));
        const auto found = values.find(valueName);
        if (found == values.end()) {
            return ERROR_FILE_NOT_FOUND;
        }
        const Value& value = found->second;
        if (value.bytes.size() > size) {
            return ERROR_MORE_DATA;
        }
        std::memcpy(data, value.bytes.data(), value.bytes.size());
        type = value.type;
        size = static_cast<DWORD>(value.bytes.size());
        return ERROR_SUCCESS;
    }
    LONG CloseKey(HKEY) override {
        ++closed;
        return ERROR_SUCCESS;
    }
};

constexpr char kSysInfoKey[] = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
constexpr char kLocationKey[] = "SOFTWARE\\Microsoft\\Shared Tools Location";

// The Windows layout: the tool is MSINFO32.EXE in the folder the second place names.
struct FakeSysInfo : SysInfoFiles, common::MessageService {
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
    void Run() {
        RegistrySysInfo tool(registry, platform);
        StartSysInfo(tool, platform, "Agendix");
    }

    FakeRegistry registry;
    FakeSysInfo platform;
    const std::string unavailable =
        std::string("Agendix: ") + "System Information Is Unavailable At This Time";
};

TEST_F(StartSysInfoTest, TheFirstPlaceStartsItsToolAndTheSecondIsNotAsked) {
    registry.keys[kSysInfoKey]["PATH"] = {REG_SZ, std::string("C:\\Bin\\msinfo.exe\0", 18)};
    registry.keys[kLocationKey]["MSINFO"] = {REG_SZ, "C:\\Other"};
    Run();
    EXPECT_EQ(platform.started, std::vector<std::string>{"C:\\Bin\\msinfo.exe"});
    EXPECT_EQ(registry.opened, std::vector<std::string>{kSysInfoKey});
    EXPECT_TRUE(platform.messages.empty());
}

TEST_F(StartSysInfoTest, TheSecondPlaceStartsTheToolFileInItsFolder) {
    registry.keys[kSysInfoKey] = {};  // key there, value missing
    registry.keys[kLocationKey]["MSINFO"] = {REG_SZ, "C:\\Tools"};
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

    registry.keys[kLocationKey]["MSINFO"] = {REG_SZ, "C:\\Tools"};  // folder without the file
    Run();
    EXPECT_EQ(platform.messages.size(), 2U);
    EXPECT_TRUE(platform.started.empty());
}

TEST_F(StartSysInfoTest, AToolThatFailsToStartShowsTheMessage) {
    registry.keys[kSysInfoKey]["PATH"] = {REG_SZ, "/usr/bin/missing"};
    platform.startFails = true;
    Run();
    EXPECT_EQ(platform.messages, std::vector<std::string>{unavailable});
}

class GetKeyValueTest : public ::testing::Test {
  protected:
    bool Read(const std::string& valueName) {
        return GetKeyValue(registry, HKEY_LOCAL_MACHINE, "Key", valueName, value);
    }
    FakeRegistry registry;
    std::string value = "caller's text";
};

TEST_F(GetKeyValueTest, TextWithAndWithoutItsTerminatingZeroReadsTheSame) {
    registry.keys["Key"]["zero"] = {REG_SZ, std::string("C:\\Tools\0", 9)};
    registry.keys["Key"]["plain"] = {REG_SZ, "C:\\Tools"};
    registry.keys["Key"]["two zeros"] = {REG_SZ, std::string("ab\0\0", 4)};
    ASSERT_TRUE(Read("zero"));
    EXPECT_EQ(value, "C:\\Tools");
    ASSERT_TRUE(Read("plain"));
    EXPECT_EQ(value, "C:\\Tools");
    ASSERT_TRUE(Read("two zeros"));  // only one zero character is dropped
    EXPECT_EQ(value, std::string("ab\0", 3));
    EXPECT_EQ(registry.accesses.front(), KEY_READ);
    EXPECT_EQ(registry.closed, 3);
}

TEST_F(GetKeyValueTest, NumbersAreSignedDecimalsAndOtherTypesLeaveTheCallersText) {
    registry.keys["Key"]["seven"] = {REG_DWORD, std::string("\x07\0\0\0", 4)};
    registry.keys["Key"]["minus two"] = {REG_DWORD, "\xFE\xFF\xFF\xFF"};
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

    registry.keys["Key"]["huge"] = {REG_SZ, std::string(1025, 'x')};
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
