#pragma once

// Helpers for the watches' tests: an event loop and a scratch folder per test, files written the
// ways editors and synchronisers write them, and a count of a watch's Changed signals.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <filesystem>
#include <functional>
#include <string>

namespace agendix::triggers::testing {

class WatchTest : public ::testing::Test {
  protected:
    std::filesystem::path Scratch() const { return scratch_.path().toStdString(); }

  private:
    int argc_ = 1;
    char name_[24] = "triggers_linux_tests";
    char* argv_[2] = {name_, nullptr};
    QCoreApplication application_{argc_, argv_};
    QTemporaryDir scratch_;
};

// Opens, writes and closes `path` in place.
void WriteInPlace(const std::filesystem::path& path, const std::string& text);
// Writes a temporary file beside `path` and renames it over `path`, as editors save.
void WriteByRename(const std::filesystem::path& path, const std::string& text);

// Counts the Changed signals of a watch.
class ChangeCounter {
  public:
    template <typename Watch>
    explicit ChangeCounter(Watch& watch) : changes_(&watch, &Watch::Changed) {}

    // Makes `change`, then counts the Changed signals: none unless the first comes within a
    // second; then those until a quiet spell of more than twice the watches' settling time.
    int ChangesAfter(const std::function<void()>& change);
    // What the last Changed said.
    QString LastReason() const;

  private:
    QSignalSpy changes_;
};

}  // namespace agendix::triggers::testing
