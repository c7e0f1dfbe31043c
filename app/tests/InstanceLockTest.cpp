#include <gtest/gtest.h>
#include <sys/stat.h>

#include <map>

#include "app/linux/InstanceLock.h"
#include "app/linux/ProgramInfo.h"

namespace agendix::app {
namespace {

namespace fs = std::filesystem;

common::EnvironmentLookup Environment(std::map<std::string, std::string> values) {
    return [values = std::move(values)](const char* name) -> std::optional<std::string> {
        const auto found = values.find(name);
        return found == values.end() ? std::nullopt : std::optional(found->second);
    };
}

class InstanceLockTest : public ::testing::Test {
  protected:
    void SetUp() override {
        folder = fs::temp_directory_path() /
                 ("agendix-lock-test-" + std::to_string(getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    void TearDown() override { fs::remove_all(folder); }

    fs::path folder;
};

TEST_F(InstanceLockTest, IsNamedAfterTheSessionsDisplayInTheRuntimeFolder) {
    const std::string runtime = folder.string();
    EXPECT_EQ(
        InstanceLockPath(Environment(
            {{"XDG_RUNTIME_DIR", runtime}, {"WAYLAND_DISPLAY", "wayland-0"}, {"DISPLAY", ":1"}})),
        folder / "agendix-wayland-0.lock");
    EXPECT_EQ(InstanceLockPath(Environment({{"XDG_RUNTIME_DIR", runtime}, {"DISPLAY", ":0.0"}})),
              folder / "agendix-_0.lock");
    EXPECT_EQ(InstanceLockPath(Environment({{"XDG_RUNTIME_DIR", runtime}, {"DISPLAY", ":0"}})),
              folder / "agendix-_0.lock");
    EXPECT_EQ(
        InstanceLockPath(Environment({{"XDG_RUNTIME_DIR", runtime}, {"DISPLAY", "host/x:10.0"}})),
        folder / "agendix-host_x_10.lock");
    EXPECT_EQ(InstanceLockPath(Environment({{"XDG_RUNTIME_DIR", runtime}})),
              folder / "agendix-nodisplay.lock");
}

TEST_F(InstanceLockTest, WithoutARuntimeFolderUsesAPrivateFolderOfTheUser) {
    const fs::path path =
        InstanceLockPath(Environment({{"TMPDIR", folder.string()}, {"DISPLAY", ":3"}}));
    const fs::path expectedFolder = folder / ("agendix-" + std::to_string(getuid()));
    EXPECT_EQ(path, expectedFolder / "agendix-_3.lock");
    struct stat status {};
    ASSERT_EQ(stat(expectedFolder.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0700U);
}

TEST_F(InstanceLockTest, AFolderOthersCanWriteToIsNotUsed) {
    const fs::path shared = folder / ("agendix-" + std::to_string(getuid()));
    fs::create_directory(shared);
    chmod(shared.c_str(), 0777);
    EXPECT_TRUE(InstanceLockPath(Environment({{"TMPDIR", folder.string()}})).empty());
}

TEST_F(InstanceLockTest, OnlyOneHolderAtATimeAndTheLockIsFreedWithItsHolder) {
    const fs::path file = folder / "agendix-test.lock";
    {
        const InstanceLock first(file);
        EXPECT_EQ(first.state(), InstanceLock::State::Held);
        EXPECT_FALSE(first.PrevInstance());
        const InstanceLock second(file);
        EXPECT_EQ(second.state(), InstanceLock::State::HeldByAnother);
        EXPECT_TRUE(second.PrevInstance());
    }
    EXPECT_EQ(InstanceLock(file).state(), InstanceLock::State::Held);
}

TEST_F(InstanceLockTest, NoPlaceForTheLockLetsTheProgramRun) {
    const InstanceLock nowhere(folder / "missing" / "agendix.lock");
    EXPECT_EQ(nowhere.state(), InstanceLock::State::Unavailable);
    EXPECT_FALSE(nowhere.PrevInstance());
    EXPECT_FALSE(InstanceLock(fs::path()).PrevInstance());
}

TEST(ProgramInfoTest, DescribesTheRunningProgramAndThisBuildsVersion) {
    const common::ApplicationInfo info = CurrentApplicationInfo(true);
    EXPECT_TRUE(info.PrevInstance);
    EXPECT_EQ(info.EXEName, "app_linux_tests");
    EXPECT_TRUE(fs::exists(fs::path(info.Path) / "app_linux_tests"));
    EXPECT_EQ(info.Title, "Agendix");
    EXPECT_EQ(info.Major, 1);
    EXPECT_EQ(info.Minor, 0);
    EXPECT_EQ(info.Revision, 13);
}

}  // namespace
}  // namespace agendix::app
