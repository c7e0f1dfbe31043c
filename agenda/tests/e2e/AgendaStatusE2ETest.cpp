// agendix-agenda --json run as a status bar runs it: a real process reading real calendar files
// whose appointments are placed around the real time of day. What it prints must parse as JSON,
// and its text and tool tip as markup.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

extern char** environ;

namespace agendix::scan {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// agendix-agenda with its standard output on a pipe that the test reads line by line.
class Agenda {
  public:
    explicit Agenda(std::vector<std::string> arguments) {
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0) {
            return;
        }
        output_ = fds[0];
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
        std::string program = AGENDIX_AGENDA_PROGRAM;
        std::vector<char*> argv{program.data()};
        for (std::string& argument : arguments) {
            argv.push_back(argument.data());
        }
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) {
            pid_ = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
    }

    ~Agenda() {
        CloseOutput();
        if (pid_ > 0 && !Exited(0ms)) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }

    Agenda(const Agenda&) = delete;
    Agenda& operator=(const Agenda&) = delete;

    // The next line without its line end; none when nothing comes within `timeout` or the output
    // has ended.
    std::optional<std::string> ReadLine(Clock::duration timeout) {
        const auto deadline = Clock::now() + timeout;
        for (;;) {
            if (const auto end = buffer_.find('\n'); end != std::string::npos) {
                std::string line = buffer_.substr(0, end);
                buffer_.erase(0, end + 1);
                return line;
            }
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            pollfd ready{output_, POLLIN, 0};
            if (left <= 0ms || poll(&ready, 1, static_cast<int>(left.count())) != 1) {
                return std::nullopt;
            }
            char chunk[4096];
            const ssize_t count = read(output_, chunk, sizeof chunk);
            if (count <= 0) {
                return std::nullopt;
            }
            buffer_.append(chunk, static_cast<std::size_t>(count));
        }
    }

    void CloseOutput() {
        if (output_ >= 0) {
            close(output_);
            output_ = -1;
        }
    }

    void Signal(int signal) const { kill(pid_, signal); }

    // Whether the process ended within `timeout`; its exit status is then in `status`.
    bool Exited(Clock::duration timeout) {
        const auto deadline = Clock::now() + timeout;
        while (status_ < 0) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                status_ = status;
            } else if (Clock::now() >= deadline) {
                return false;
            } else {
                std::this_thread::sleep_for(20ms);
            }
        }
        return true;
    }

    // "exit N" or "signal N" once Exited.
    std::string Ending() const {
        return WIFEXITED(status_) ? "exit " + std::to_string(WEXITSTATUS(status_))
                                  : "signal " + std::to_string(WTERMSIG(status_));
    }

  private:
    pid_t pid_ = -1;
    int output_ = -1;
    int status_ = -1;
    std::string buffer_;
};

QJsonObject Parse(const std::string& line) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(line), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << line;
    EXPECT_TRUE(document.isObject()) << line;
    return document.object();
}

// Whether Pango would take `text` as markup: well-formed once wrapped in an element.
bool IsMarkup(const QString& text) {
    QXmlStreamReader reader(QStringLiteral("<markup>") + text + QStringLiteral("</markup>"));
    while (!reader.atEnd()) {
        reader.readNext();
    }
    return !reader.hasError();
}

std::string Field(const QJsonObject& object, const char* name) {
    return object.value(QString::fromLatin1(name)).toString().toStdString();
}

// The first object the command prints, after checking that both markup fields are markup.
QJsonObject FirstObject(Agenda& agenda) {
    const auto line = agenda.ReadLine(10s);
    EXPECT_TRUE(line) << "no output";
    const QJsonObject object = Parse(line.value_or("{}"));
    EXPECT_TRUE(IsMarkup(object.value("text").toString())) << line.value_or("");
    EXPECT_TRUE(IsMarkup(object.value("tooltip").toString())) << line.value_or("");
    return object;
}

// The local wall time `minutes` from the moment the test began, in iCalendar's floating form.
class AroundNow {
  public:
    AroundNow() : now_(std::time(nullptr)) {}

    std::string At(int minutes) const {
        const std::tm local = Local(minutes);
        char text[32];
        std::strftime(text, sizeof text, "%Y%m%dT%H%M%S", &local);
        return text;
    }
    std::string HourMinute(int minutes) const {
        const std::tm local = Local(minutes);
        char text[8];
        std::strftime(text, sizeof text, "%H:%M", &local);
        return text;
    }
    std::string Date() const { return At(0).substr(0, 8); }
    // Whether the moments from `from` to `until` minutes away all fall on today.
    bool TodayHolds(int from, int until) const {
        return At(from).substr(0, 8) == Date() && At(until).substr(0, 8) == Date();
    }

  private:
    std::tm Local(int minutes) const {
        const std::time_t moment = now_ + minutes * 60;
        std::tm local{};
        localtime_r(&moment, &local);
        return local;
    }

    std::time_t now_;
};

std::string Event(const std::string& uid, const std::string& start, const std::string& end,
                  const std::string& summary, const std::string& location = "") {
    return "BEGIN:VEVENT\r\nUID:" + uid + "\r\nDTSTAMP:20260101T000000Z\r\nDTSTART:" + start +
           "\r\nDTEND:" + end + "\r\nSUMMARY:" + summary + "\r\nLOCATION:" + location +
           "\r\nEND:VEVENT\r\n";
}

std::string AllDay(const std::string& uid, const std::string& date, const std::string& summary) {
    return "BEGIN:VEVENT\r\nUID:" + uid +
           "\r\nDTSTAMP:20260101T000000Z\r\nDTSTART;VALUE=DATE:" + date + "\r\nSUMMARY:" + summary +
           "\r\nEND:VEVENT\r\n";
}

// Written as editors and synchronisers save: a new file renamed over the old one.
void WriteCalendar(const fs::path& path, const std::string& events) {
    const fs::path next = path.string() + ".new";
    std::ofstream(next, std::ios::binary)
        << "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Agendix tests//EN\r\n"
        << events << "END:VCALENDAR\r\n";
    fs::rename(next, path);
}

class AgendaStatus : public ::testing::Test {
  protected:
    QTemporaryDir folder;
    const fs::path calendar = fs::path(folder.path().toStdString()) / "calendar.ics";
    const AroundNow around;

    // Runs `agendix-agenda --json` once over `events`; the object it printed, once it ended.
    QJsonObject StatusOf(const std::string& events) {
        WriteCalendar(calendar, events);
        Agenda agenda({"--calendar", calendar.string(), "--json"});
        const QJsonObject object = FirstObject(agenda);
        EXPECT_EQ(agenda.ReadLine(5s), std::nullopt) << "more than one line";
        EXPECT_TRUE(agenda.Exited(5s));
        EXPECT_EQ(agenda.Ending(), "exit 0");
        EXPECT_EQ(object.value("class"), object.value("alt"));
        return object;
    }
};

TEST_F(AgendaStatus, DuringAnAppointmentShowsItEscapedWithItsProgress) {
    if (!around.TodayHolds(-10, 150)) {
        GTEST_SKIP() << "the appointments would not all fall on today";
    }
    const QJsonObject status =
        StatusOf(Event("now", around.At(-10), around.At(20), "Review & <b>\"plan\"</b>", "R&D") +
                 Event("soon", around.At(25), around.At(55), "Standup") +
                 Event("later", around.At(120), around.At(150), "Later") +
                 AllDay("holiday", around.Date(), "Holiday"));
    EXPECT_EQ(Field(status, "class"), "now");
    EXPECT_EQ(Field(status, "text"), "Review &amp; &lt;b&gt;&quot;plan&quot;&lt;/b&gt; (until " +
                                         around.HourMinute(20) + ")");
    EXPECT_EQ(status.value("percentage").toInt(), 33);
    const std::string tooltip = Field(status, "tooltip");
    EXPECT_EQ(tooltip.rfind("Today:\n", 0), 0u) << tooltip;
    EXPECT_NE(tooltip.find("] Review &amp; &lt;b&gt;&quot;plan&quot;&lt;/b&gt; (R&amp;D)\n"),
              std::string::npos)
        << tooltip;
    EXPECT_NE(tooltip.find(" [00:00 - 00:00] Holiday ()"), std::string::npos) << tooltip;
}

TEST_F(AgendaStatus, BeforeAnAppointmentWithinTheHourCountsDown) {
    if (!around.TodayHolds(0, 55)) {
        GTEST_SKIP() << "the appointment would not fall on today";
    }
    const QJsonObject status = StatusOf(Event("soon", around.At(25), around.At(55), "Standup") +
                                        AllDay("holiday", around.Date(), "Holiday"));
    EXPECT_EQ(Field(status, "class"), "soon");
    EXPECT_EQ(Field(status, "text"), "Standup in 25 min");
    EXPECT_EQ(status.value("percentage").toInt(-1), 0);
}

TEST_F(AgendaStatus, AfterTheDaysAppointmentsShowsNothingButListsThem) {
    if (!around.TodayHolds(-120, 0)) {
        GTEST_SKIP() << "the appointment would not fall on today";
    }
    const QJsonObject status = StatusOf(Event("past", around.At(-120), around.At(-60), "Earlier"));
    EXPECT_EQ(Field(status, "class"), "empty");
    EXPECT_EQ(Field(status, "text"), "");
    EXPECT_EQ(Field(status, "tooltip"), "Today:\n [" + around.HourMinute(-120) + " - " +
                                            around.HourMinute(-60) + "] Earlier ()");
}

TEST_F(AgendaStatus, AnUnreadableCalendarIsAnErrorObjectThatBarsShow) {
    const fs::path named = calendar.parent_path() / "R&D <team>" / "calendar.ics";
    fs::create_directory(named.parent_path());
    std::ofstream(named) << "not a calendar\n";
    Agenda agenda({"--calendar", named.string(), "--json"});
    const QJsonObject status = FirstObject(agenda);
    EXPECT_EQ(Field(status, "class"), "error");
    EXPECT_EQ(Field(status, "alt"), "error");
    EXPECT_EQ(Field(status, "text"), "Calendar unavailable");
    EXPECT_NE(Field(status, "tooltip").find("R&amp;D &lt;team&gt;"), std::string::npos)
        << Field(status, "tooltip");
    ASSERT_TRUE(agenda.Exited(5s));
    EXPECT_EQ(agenda.Ending(), "exit 0");  // a bar hides the output of a command that fails
}

TEST_F(AgendaStatus, AWrongCommandLineIsAnErrorObjectAndAFailure) {
    Agenda agenda({"--json", "--tomorow"});
    const QJsonObject status = FirstObject(agenda);
    EXPECT_EQ(Field(status, "class"), "error");
    EXPECT_EQ(Field(status, "tooltip"), "unknown option: --tomorow");
    ASSERT_TRUE(agenda.Exited(5s));
    EXPECT_EQ(agenda.Ending(), "exit 2");
}

// A day whose only appointment takes the whole day: nothing the minutes change, so every line
// printed comes from a change of the calendar.
class AgendaFollow : public AgendaStatus {
  protected:
    const std::string day = "20261207";

    Agenda Follow() {
        return Agenda(
            {"--calendar", calendar.string(), "--date", "2026-12-07", "--json", "--follow"});
    }
};

TEST_F(AgendaFollow, PrintsWhenTheCalendarChangesWhatItShowsAndOnlyThen) {
    WriteCalendar(calendar, AllDay("a", day, "Holiday"));
    Agenda agenda = Follow();
    EXPECT_EQ(Field(FirstObject(agenda), "tooltip"), "Today:\n [00:00 - 00:00] Holiday ()");

    WriteCalendar(calendar, AllDay("a", day, "Holiday & party"));
    EXPECT_EQ(Field(FirstObject(agenda), "tooltip"),
              "Today:\n [00:00 - 00:00] Holiday &amp; party ()");

    // Saved again unchanged, or changed on another day: the status stays, nothing is printed.
    WriteCalendar(calendar, AllDay("a", day, "Holiday & party") + AllDay("b", "20261224", "Eve"));
    EXPECT_EQ(agenda.ReadLine(2s), std::nullopt);

    // Half-written: what was read before stays, marked stale, until the file is whole again.
    std::ofstream(calendar, std::ios::binary)
        << "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VEVENT\r\n";
    const QJsonObject stale = FirstObject(agenda);
    EXPECT_EQ(Field(stale, "class"), "stale");
    EXPECT_NE(Field(stale, "tooltip").find("Holiday &amp; party"), std::string::npos);
    WriteCalendar(calendar, AllDay("a", day, "Holiday & party"));
    EXPECT_EQ(Field(FirstObject(agenda), "class"), "empty");

    // The bar goes away: the command ends without waiting for anything more to print.
    agenda.CloseOutput();
    ASSERT_TRUE(agenda.Exited(5s));
    EXPECT_EQ(agenda.Ending(), "exit 0");
}

TEST_F(AgendaFollow, ACalendarMissingAtTheStartIsShownWhenItComes) {
    Agenda agenda = Follow();
    EXPECT_EQ(Field(FirstObject(agenda), "class"), "error");
    WriteCalendar(calendar, AllDay("a", day, "Holiday"));
    const QJsonObject status = FirstObject(agenda);
    EXPECT_EQ(Field(status, "class"), "empty");
    EXPECT_EQ(Field(status, "tooltip"), "Today:\n [00:00 - 00:00] Holiday ()");
}

TEST_F(AgendaFollow, WatchesEveryCalendarNamed) {
    const fs::path second = calendar.parent_path() / "home.ics";
    WriteCalendar(calendar, AllDay("a", day, "Holiday"));
    WriteCalendar(second, "");
    Agenda agenda({"--calendar", calendar.string(), "--calendar", second.string(), "--date",
                   "2026-12-07", "--json", "--follow"});
    EXPECT_EQ(Field(FirstObject(agenda), "tooltip"), "Today:\n [00:00 - 00:00] Holiday ()");

    WriteCalendar(second, AllDay("b", day, "Birthday"));
    EXPECT_EQ(Field(FirstObject(agenda), "tooltip"),
              "Today:\n [00:00 - 00:00] Holiday ()\n [00:00 - 00:00] Birthday ()");
}

TEST_F(AgendaFollow, EndsCleanlyWhenTerminated) {
    WriteCalendar(calendar, AllDay("a", day, "Holiday"));
    Agenda agenda = Follow();
    FirstObject(agenda);
    agenda.Signal(SIGTERM);
    ASSERT_TRUE(agenda.Exited(5s));
    EXPECT_EQ(agenda.Ending(), "exit 0");
}

}  // namespace
}  // namespace agendix::scan
