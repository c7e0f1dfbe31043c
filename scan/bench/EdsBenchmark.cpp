// How the calendar service source (Evolution Data Server) performs on a user-interface thread.
// Runs the real source on a QCoreApplication the way the program does: a scan at the start, a
// rescan (AppointmentScan::doIt) on the UI thread each time the source reports a change. A 1 ms
// precise timer ticks meanwhile; the longest gap between its ticks is the longest the UI thread
// was blocked. A second client on another thread times the service's own instance query of the
// kept days (for comparison: the worker reads a range by series instead, and a change by its
// event alone) and makes changes to today's events, timing each until the rescan shows it in the
// tray text.
//
// The gaps are reported with the UI thread's own CPU time during the longest one: a gap the
// thread spent mostly off the CPU was the machine's scheduling, not work or waiting on the
// thread (waits inside the source's calls show in their timed durations).
//
// Usage: scan_eds_benchmark SOURCE_UID [CHANGES]   (default 20 changes)
// Needs the calendar service on the session bus with that source; scan/bench/bench-eds.sh makes
// a private one with a generated calendar and runs this.

#include <sys/resource.h>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMetaObject>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <ctime>
#include <map>
#include <mutex>
#include <numeric>
#include <string>
#include <thread>
#include <vector>

#include "scan/bench/EdsChanges.h"
#include "scan/core/AppointmentScan.h"
#include "scan/linux/EdsCalendar.h"
#include "scan/linux/SystemClock.h"

namespace {

using namespace agendix::scan;
using Steady = std::chrono::steady_clock;
constexpr double kFrameMs = 16.0;

double MillisecondsSince(Steady::time_point start) {
    return std::chrono::duration<double, std::milli>(Steady::now() - start).count();
}

struct Figures {
    std::vector<double> values;
    void Add(double value) { values.push_back(value); }
    double Max() const {
        return values.empty() ? 0 : *std::max_element(values.begin(), values.end());
    }
    double Median() const {
        if (values.empty()) {
            return 0;
        }
        std::vector<double> sorted = values;
        std::sort(sorted.begin(), sorted.end());
        return sorted[sorted.size() / 2];
    }
    std::string Text() const {
        char text[96];
        std::snprintf(text, sizeof text, "n=%zu median %.2f ms, max %.2f ms", values.size(),
                      Median(), Max());
        return text;
    }
};

// The tray text the scans set, handed to the thread that waits for a change to show.
class SharedTray : public BalloonTray {
  public:
    void SetTrayToolTipTitle(const std::string&) override {}
    void SetTrayToolTip(const std::string& text) override {
        std::lock_guard lock(mutex_);
        text_ = text;
        ++version_;
        shown_.notify_all();
    }
    void Show(bool) override {}

    // Waits up to `seconds` for a tray text that `wanted` accepts.
    template <typename Predicate>
    bool WaitFor(Predicate wanted, int seconds) {
        std::unique_lock lock(mutex_);
        return shown_.wait_for(lock, std::chrono::seconds(seconds), [&] { return wanted(text_); });
    }

  private:
    std::mutex mutex_;
    std::condition_variable shown_;
    std::string text_;
    int version_ = 0;
};

// The UI thread's gaps between ticks of a 1 ms timer, by phase.
class Ticks {
  public:
    Ticks() {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(1);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            const double gap = static_cast<double>(clock_.nsecsElapsed()) / 1e6;
            clock_.restart();
            const double cpu = ThreadCpuMilliseconds();
            rusage usage{};
            getrusage(RUSAGE_THREAD, &usage);
            Phase& phase = phases_[current_];
            if (gap > phase.gaps.Max()) {
                phase.cpuInLongest = cpu - cpu_;
                phase.sleepsInLongest = usage.ru_nvcsw - usage_.ru_nvcsw;
                phase.preemptionsInLongest = usage.ru_nivcsw - usage_.ru_nivcsw;
            }
            cpu_ = cpu;
            usage_ = usage;
            phase.gaps.Add(gap);
            if (gap > kFrameMs) {
                ++phase.over;
            }
        });
        clock_.start();
        timer_.start();
    }
    void Enter(const std::string& phase) {
        current_ = phase;
        order_.push_back(phase);
    }
    void Report() const {
        std::printf("\nUI thread: gaps between ticks of a 1 ms precise timer\n");
        for (const std::string& name : order_) {
            const Phase& phase = phases_.at(name);
            std::printf(
                "  %-24s ticks %6zu  gaps over %.0f ms: %3d  longest %6.2f ms (in it: on a CPU "
                "%.2f ms, slept %ld times, preempted %ld times)\n",
                name.c_str(), phase.gaps.values.size(), kFrameMs, phase.over, phase.gaps.Max(),
                phase.cpuInLongest, phase.sleepsInLongest, phase.preemptionsInLongest);
        }
    }

  private:
    struct Phase {
        Figures gaps;
        int over = 0;
        // During the longest gap: the UI thread's own CPU time, how often it went to sleep
        // (waiting in the event loop is one; more mean it waited on something else too) and
        // how often the system took the CPU from it.
        double cpuInLongest = 0;
        long sleepsInLongest = 0;
        long preemptionsInLongest = 0;
    };

    static double ThreadCpuMilliseconds() {
        timespec now{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
    }

    double cpu_ = ThreadCpuMilliseconds();
    rusage usage_{};
    QTimer timer_;
    QElapsedTimer clock_;
    std::string current_ = "before";
    std::vector<std::string> order_;
    std::map<std::string, Phase> phases_;
};

std::time_t LocalMidnight(int dayOffset) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    local.tm_hour = local.tm_min = local.tm_sec = 0;
    local.tm_mday += dayOffset;
    local.tm_isdst = -1;
    return std::mktime(&local);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: scan_eds_benchmark SOURCE_UID [CHANGES]\n");
        return 2;
    }
    const std::string uid = argv[1];
    const int changeCount = argc > 2 ? std::atoi(argv[2]) : 20;

    Ticks ticks;
    SharedTray tray;
    SystemClock clock;
    NoMessagePump pump;
    std::unique_ptr<CalendarApplicationFactory> calendar;
    std::unique_ptr<AppointmentScan> scan;
    Figures scans, unready, construct;
    double loadMs = 0;
    std::atomic<int> failures = 0;
    Steady::time_point opened;
    std::thread changer;

    // The source's reports are coalesced into one rescan on the UI thread, as in the program.
    QTimer rescan;
    rescan.setSingleShot(true);
    rescan.setInterval(0);

    const auto startChanges = [&] {
        ticks.Enter("changes (" + std::to_string(changeCount) + ")");
        changer = std::thread([&] {
            try {
                EdsChanges changes(uid);
                Figures query;
                int instances = 0;
                for (int i = 0; i < 5; ++i) {
                    query.Add(
                        changes.QueryMilliseconds(LocalMidnight(-1), LocalMidnight(4), instances));
                }
                std::printf(
                    "the service's instance query (5 days, %d instances), second client: %s\n",
                    instances, query.Text().c_str());
                Figures latency;
                for (int i = 0; i < changeCount; ++i) {
                    const std::string summary = "Change " + std::to_string(i);
                    const auto started = Steady::now();
                    bool shown = false;
                    if (i % 4 == 3) {
                        changes.Remove("bench-change");
                        shown = tray.WaitFor(
                            [](const std::string& t) { return t.find("Change ") == t.npos; }, 30);
                    } else {
                        changes.Put("bench-change", summary, 6 + i % 4, i % 4 != 0);
                        shown = tray.WaitFor(
                            [&](const std::string& t) {
                                return t.find(summary + " ") != t.npos ||
                                       t.find(summary + "\n") != t.npos;
                            },
                            30);
                    }
                    if (shown) {
                        latency.Add(MillisecondsSince(started));
                    } else {
                        std::printf("change %d did not show within 30 s\n", i);
                        ++failures;
                    }
                    std::this_thread::sleep_for(std::chrono::milliseconds(100));
                }
                std::printf("change → rescanned tray text: %s\n", latency.Text().c_str());
            } catch (const std::exception& failure) {
                std::printf("the changes failed: %s\n", failure.what());
                ++failures;
            }
            QMetaObject::invokeMethod(
                &application, [&] { QCoreApplication::quit(); }, Qt::QueuedConnection);
        });
    };

    const auto runScan = [&] {
        const auto started = Steady::now();
        try {
            scan->doIt(1);
            scans.Add(MillisecondsSince(started));
            if (loadMs == 0) {
                loadMs = MillisecondsSince(opened);
                startChanges();
            }
        } catch (const CalendarError&) {
            unready.Add(MillisecondsSince(started));  // still opening: a report follows
        }
    };
    QObject::connect(&rescan, &QTimer::timeout, runScan);

    QTimer::singleShot(1000, [&] {
        ticks.Enter("connect and load");
        opened = Steady::now();
        calendar = MakeEdsCalendar(
            {.sourceUid = uid, .readWait = std::chrono::milliseconds(0), .changed = [&rescan] {
                 QMetaObject::invokeMethod(&rescan, qOverload<>(&QTimer::start),
                                           Qt::QueuedConnection);
             }});
        construct.Add(MillisecondsSince(opened));
        scan = std::make_unique<AppointmentScan>(*calendar, clock, tray, pump);
        runScan();
    });
    QTimer::singleShot(15 * 60 * 1000, [&] {
        std::printf("gave up after a quarter of an hour\n");
        ++failures;
        QCoreApplication::quit();
    });
    ticks.Enter("idle (timer alone, 1 s)");
    QCoreApplication::exec();
    if (changer.joinable()) {
        changer.join();
    }
    const auto closing = Steady::now();
    scan.reset();
    calendar.reset();
    const double closeMs = MillisecondsSince(closing);

    std::printf("making the source (UI thread): %s\n", construct.Text().c_str());
    std::printf(
        "start → first complete scan: %.1f ms (scans before it, calendar still opening: "
        "%s)\n",
        loadMs, unready.Text().c_str());
    std::printf("AppointmentScan::doIt reading the snapshot (UI thread): %s\n",
                scans.Text().c_str());
    std::printf("ending the source (UI thread, joins the worker): %.2f ms\n", closeMs);
    ticks.Report();
    return failures == 0 ? 0 : 1;
}
