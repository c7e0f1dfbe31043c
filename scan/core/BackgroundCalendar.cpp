#include "scan/core/BackgroundCalendar.h"

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <iterator>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "scan/core/PlainAppointments.h"

namespace agendix::scan {
namespace {

using Clock = std::chrono::steady_clock;

// Whole days: [first, end).
struct Days {
    CalendarDate first;
    CalendarDate end;

    bool operator==(const Days&) const = default;
};

// The days a read covers for a scan that asks for [from, until): from's day and the next (today
// and tomorrow in one read), or more when the scan asks for more.
Days DaysToRead(const LocalDateTime& from, const LocalDateTime& until) {
    const CalendarDate dayAfterUntil =
        until == StartOfDay(until.date) ? until.date : AddDays(until.date, 1);
    return {from.date, std::max(AddDays(from.date, 2), dayAfterUntil)};
}

struct ReadFailure {
    std::string message;
    bool notReady = false;  // the calendar itself said CalendarNotReady

    bool operator==(const ReadFailure&) const = default;
};

// What one read found.
struct ReadResult {
    Days days;
    std::vector<PlainAppointment> appointments;
    std::vector<std::string> problems;
    std::optional<ReadFailure> failure;

    bool operator==(const ReadResult&) const = default;

    bool Covers(const LocalDateTime& from, const LocalDateTime& until) const {
        return StartOfDay(days.first) <= from && until <= StartOfDay(days.end);
    }
};

ReadResult ReadDays(CalendarApplicationFactory& calendar, const Days& days) {
    ReadResult result{days, {}, {}, {}};
    try {
        const auto application = calendar.CreateApplication();
        const auto mapi = application->GetNamespace("MAPI");
        const auto folder = mapi->GetDefaultFolder(CalendarNamespace::kFolderCalendar);
        result.appointments =
            ReadAppointmentsIn(*folder->Items(), StartOfDay(days.first), StartOfDay(days.end));
        result.problems = folder->ReadProblems();
    } catch (const CalendarNotReady& error) {
        result.failure = ReadFailure{error.what(), true};
    } catch (const std::exception& error) {
        // Anything else the calendar throws is its failure too: nothing may end the worker.
        result.failure = ReadFailure{error.what(), false};
    }
    if (result.failure) {
        result.appointments.clear();
        result.problems.clear();
    }
    return result;
}

// The worker thread and what it shares with the scans; every field under `mutex_`. The thread
// holds it too, so it outlives the calendar while a read does not answer.
class Worker {
  public:
    Worker(std::unique_ptr<CalendarApplicationFactory> calendar, BackgroundCalendarOptions options)
        : calendar_(std::move(calendar)), options_(std::move(options)) {}

    const std::string& Name() const { return options_.name; }

    // What a scan finds when it asks for a read of `days` (none: it only looks).
    struct Look {
        std::shared_ptr<const ReadResult> last;  // null before the first read
        bool notAnswering = false;
    };

    Look AskForRead(const std::optional<Days>& days) {
        Look look;
        {
            const std::lock_guard lock(mutex_);
            look.notAnswering = reading_ && Clock::now() - readStart_ >= options_.answerWait;
            calledNotAnswering_ = calledNotAnswering_ || look.notAnswering;
            look.last = last_;
            if (days) {
                queued_ = *days;
            }
        }
        wake_.notify_all();
        return look;
    }

    // The thread: reads what is asked for until stopped, telling `changed` what is new.
    void Run() {
        std::unique_lock lock(mutex_);
        while (true) {
            wake_.wait(lock, [this] { return stop_ || queued_; });
            if (stop_) {
                return;
            }
            const Days days = *std::exchange(queued_, std::nullopt);
            reading_ = true;
            ++readsStarted_;
            readStart_ = Clock::now();
            calledNotAnswering_ = false;
            lock.unlock();
            wake_.notify_all();
            auto result = std::make_shared<const ReadResult>(ReadDays(*calendar_, days));
            lock.lock();
            reading_ = false;
            wake_.notify_all();
            if (stop_) {
                return;
            }
            const bool tell = !last_ || !(*last_ == *result) || calledNotAnswering_;
            last_ = std::move(result);
            if (tell) {
                Tell(lock);
            }
        }
    }

    // The watch thread: tells `changed` once when a read runs past the answer wait, so that a
    // scan says the calendar is not answering without waiting for the next check.
    void Watch() {
        std::unique_lock lock(mutex_);
        while (!stop_) {
            if (!reading_ || calledNotAnswering_) {
                wake_.wait(lock);
                continue;
            }
            const std::uint64_t read = readsStarted_;
            const bool ended = wake_.wait_until(lock, readStart_ + options_.answerWait, [&] {
                return stop_ || !reading_ || readsStarted_ != read;
            });
            if (!ended) {
                calledNotAnswering_ = true;
                Tell(lock);
            }
        }
    }

    // Ends the threads after what they are doing, without telling `changed` again. True when it is
    // inside a read, which may not answer.
    bool Stop() {
        bool reading = false;
        {
            const std::lock_guard lock(mutex_);
            stop_ = true;
            reading = reading_;
        }
        wake_.notify_all();
        return reading;
    }

  private:
    // Calls `changed` without holding `lock`, which a scan it starts at once needs.
    void Tell(std::unique_lock<std::mutex>& lock) {
        if (options_.changed) {
            lock.unlock();
            options_.changed();
            lock.lock();
        }
    }

    // Constant; the calendar is read by the thread only.
    const std::unique_ptr<CalendarApplicationFactory> calendar_;
    const BackgroundCalendarOptions options_;

    std::mutex mutex_;
    std::condition_variable wake_;
    std::shared_ptr<const ReadResult> last_;
    std::optional<Days> queued_;
    bool reading_ = false;
    std::uint64_t readsStarted_ = 0;
    Clock::time_point readStart_;
    // A scan or the watch called the running read not answering.
    bool calledNotAnswering_ = false;
    bool stop_ = false;
};

// What one scan reads: the result it took at its first need, kept while it covers the days asked
// for, so that the days of a scan see the calendar in one state.
class ScanReading {
  public:
    explicit ScanReading(std::shared_ptr<Worker> worker) : worker_(std::move(worker)) {}

    // The appointments that start in [from, until), in the calendar's order.
    std::vector<PlainAppointment> Appointments(const LocalDateTime& from,
                                               const LocalDateTime& until) {
        if (!taken_ || !taken_->Covers(from, until)) {
            // One read for all the days of the scan: a read of the later days alone would leave
            // out the earlier ones again.
            const Days days = DaysToRead(from, until);
            asked_ =
                asked_ ? Days{std::min(asked_->first, days.first), std::max(asked_->end, days.end)}
                       : days;
            Take(asked_);
        }
        const ReadResult& result = Usable();
        if (!result.Covers(from, until)) {
            throw CalendarNotReady("The calendar is still being read; its appointments follow.");
        }
        std::vector<PlainAppointment> found;
        std::copy_if(result.appointments.begin(), result.appointments.end(),
                     std::back_inserter(found), [&](const PlainAppointment& appointment) {
                         return from <= appointment.start && appointment.start < until;
                     });
        return found;
    }

    // Everything the last read found.
    std::vector<PlainAppointment> All() {
        if (!taken_) {
            Take(std::nullopt);
        }
        return Usable().appointments;
    }

    std::vector<std::string> Problems() const {
        return taken_ ? taken_->problems : std::vector<std::string>();
    }

  private:
    void Take(const std::optional<Days>& days) {
        const Worker::Look look = worker_->AskForRead(days);
        if (look.notAnswering) {
            taken_.reset();
            throw CalendarError(worker_->Name() +
                                " is not answering; its appointments follow once it does.");
        }
        taken_ = look.last;
    }

    // The result taken, or its failure thrown.
    const ReadResult& Usable() const {
        if (!taken_) {
            throw CalendarNotReady("The calendar is still being read; its appointments follow.");
        }
        if (const auto& failure = taken_->failure) {
            if (failure->notReady) {
                throw CalendarNotReady(failure->message);
            }
            throw CalendarError(failure->message);
        }
        return *taken_;
    }

    std::shared_ptr<Worker> worker_;
    std::shared_ptr<const ReadResult> taken_;
    std::optional<Days> asked_;  // the days this scan asked the worker for
};

// The folder's items as Items gives them: the appointments of the days a restriction names;
// walked without one, all that the last read found.
class BackgroundItems : public ItemCollection {
  public:
    explicit BackgroundItems(std::shared_ptr<ScanReading> reading) : reading_(std::move(reading)) {}

    std::unique_ptr<AppointmentItem> GetFirst() override { return All().GetFirst(); }
    std::unique_ptr<AppointmentItem> GetNext() override { return All().GetNext(); }
    std::unique_ptr<ItemCollection> Restrict(const LocalDateTime& from,
                                             const LocalDateTime& until) override {
        return std::make_unique<PlainCollection>(reading_->Appointments(from, until));
    }

  private:
    PlainCollection& All() {
        if (!all_) {
            all_ = std::make_unique<PlainCollection>(reading_->All());
        }
        return *all_;
    }

    std::shared_ptr<ScanReading> reading_;
    std::unique_ptr<PlainCollection> all_;
};

class BackgroundFolder : public CalendarFolder {
  public:
    explicit BackgroundFolder(std::shared_ptr<ScanReading> reading)
        : reading_(std::move(reading)) {}
    std::unique_ptr<ItemCollection> Items() override {
        return std::make_unique<BackgroundItems>(reading_);
    }
    std::vector<std::string> ReadProblems() const override { return reading_->Problems(); }

  private:
    std::shared_ptr<ScanReading> reading_;
};

// The worker reads the default calendar folder of the "MAPI" namespace, as the scan does.
class BackgroundNamespace : public CalendarNamespace {
  public:
    explicit BackgroundNamespace(std::shared_ptr<ScanReading> reading)
        : reading_(std::move(reading)) {}
    std::unique_ptr<CalendarFolder> GetDefaultFolder(int folderType) override {
        if (folderType != kFolderCalendar) {
            throw CalendarError("there is no default folder of type " + std::to_string(folderType) +
                                ", only the calendar (" + std::to_string(kFolderCalendar) + ")");
        }
        return std::make_unique<BackgroundFolder>(reading_);
    }

  private:
    std::shared_ptr<ScanReading> reading_;
};

class BackgroundApplication : public CalendarApplication {
  public:
    explicit BackgroundApplication(std::shared_ptr<ScanReading> reading)
        : reading_(std::move(reading)) {}
    std::unique_ptr<CalendarNamespace> GetNamespace(std::string_view type) override {
        if (type != "MAPI") {
            throw CalendarError("unknown calendar namespace \"" + std::string(type) + "\"");
        }
        return std::make_unique<BackgroundNamespace>(reading_);
    }

  private:
    std::shared_ptr<ScanReading> reading_;
};

class BackgroundCalendar : public CalendarApplicationFactory {
  public:
    BackgroundCalendar(std::unique_ptr<CalendarApplicationFactory> calendar,
                       BackgroundCalendarOptions options)
        : worker_(std::make_shared<Worker>(std::move(calendar), std::move(options))),
          thread_([worker = worker_] { worker->Run(); }),
          watch_([worker = worker_] { worker->Watch(); }) {}

    // An idle worker is joined (it may be telling `changed`, which returns at once); one inside
    // a read is left to end on its own, holding what it reads. The watch never waits for a read.
    ~BackgroundCalendar() override {
        const bool reading = worker_->Stop();
        watch_.join();
        if (reading) {
            thread_.detach();
        } else {
            thread_.join();
        }
    }
    BackgroundCalendar(const BackgroundCalendar&) = delete;
    BackgroundCalendar& operator=(const BackgroundCalendar&) = delete;

    std::unique_ptr<CalendarApplication> CreateApplication() override {
        return std::make_unique<BackgroundApplication>(std::make_shared<ScanReading>(worker_));
    }

  private:
    std::shared_ptr<Worker> worker_;
    std::thread thread_;
    std::thread watch_;
};

}  // namespace

std::unique_ptr<CalendarApplicationFactory> MakeBackgroundCalendar(
    std::unique_ptr<CalendarApplicationFactory> calendar, BackgroundCalendarOptions options) {
    return std::make_unique<BackgroundCalendar>(std::move(calendar), std::move(options));
}

}  // namespace agendix::scan
