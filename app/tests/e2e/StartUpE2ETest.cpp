// Start-up with real agendix processes on Qt's offscreen platform: one instance per session,
// one usage report per start, and a start that no counter can hold up.

#include <gtest/gtest.h>
#include <signal.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <vector>

#include "settings/usage/tests/CounterRecorder.h"

namespace agendix::app {
namespace {

using settings::testing::CounterRecorder;

constexpr QByteArrayView kExpectedTarget = "/counts/count.asp?key=471&app=agendix-e2e&version=1.0";

class StartUpE2ETest : public ::testing::Test {
  protected:
    ~StartUpE2ETest() override {
        for (auto& process : processes) {
            process->kill();
            process->waitForFinished(5000);
        }
    }

    QProcess& Start() {
        auto process = std::make_unique<QProcess>();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        environment.insert("XDG_RUNTIME_DIR", session.path());
        environment.insert("XDG_CONFIG_HOME", session.filePath("config"));
        environment.insert("XDG_DATA_HOME", session.filePath("data"));
        environment.insert("DISPLAY", ":e2e");
        environment.remove("WAYLAND_DISPLAY");
        process->setProcessEnvironment(environment);
        process->setProcessChannelMode(QProcess::ForwardedChannels);
        process->start(AGENDIX_E2E_PROGRAM, {});
        processes.push_back(std::move(process));
        return *processes.back();
    }

    int Running() const {
        int running = 0;
        for (const auto& process : processes) {
            running += process->state() != QProcess::NotRunning ? 1 : 0;
        }
        return running;
    }

    static bool EndedQuietly(const QProcess& process) {
        return process.state() == QProcess::NotRunning &&
               process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    }

    int argc = 1;
    char name[16] = "app_e2e_tests";
    char* argv[2] = {name, nullptr};
    QCoreApplication application{argc, argv};
    QTemporaryDir session;
    std::vector<std::unique_ptr<QProcess>> processes;
};

TEST_F(StartUpE2ETest, EachStartReportsOnceAndASecondInstanceEndsSilently) {
    CounterRecorder counter(CounterRecorder::Mode::Answering, AGENDIX_E2E_COUNTER_PORT);
    ASSERT_TRUE(counter.isListening()) << "port " << AGENDIX_E2E_COUNTER_PORT << " is taken";

    QProcess& first = Start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return counter.requests().size() == 1; }, 10000));
    EXPECT_EQ(counter.requests()[0].method, "POST");
    EXPECT_EQ(counter.requests()[0].target, kExpectedTarget);
    EXPECT_EQ(counter.requests()[0].body, "");

    QProcess& second = Start();
    ASSERT_TRUE(second.waitForFinished(10000));
    EXPECT_TRUE(EndedQuietly(second));
    QTest::qWait(200);
    EXPECT_EQ(counter.requests().size(), 1U);
    EXPECT_EQ(first.state(), QProcess::Running);
}

TEST_F(StartUpE2ETest, CopiesStartedTogetherLeaveExactlyOneRunning) {
    CounterRecorder counter(CounterRecorder::Mode::Answering, AGENDIX_E2E_COUNTER_PORT);
    constexpr int kCopies = 8;
    for (int i = 0; i < kCopies; ++i) {
        Start();
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return Running() <= 1; }, 20000));
    QTest::qWait(500);
    EXPECT_EQ(Running(), 1);
    EXPECT_EQ(counter.requests().size(), 1U);
    for (const auto& process : processes) {
        if (process->state() == QProcess::NotRunning) {
            EXPECT_TRUE(EndedQuietly(*process));
        }
    }
}

TEST_F(StartUpE2ETest, ACopyKilledWithSigkillDoesNotStopTheNextStart) {
    CounterRecorder counter(CounterRecorder::Mode::Answering, AGENDIX_E2E_COUNTER_PORT);
    QProcess& killed = Start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return counter.requests().size() == 1; }, 10000));
    ::kill(static_cast<pid_t>(killed.processId()), SIGKILL);
    ASSERT_TRUE(killed.waitForFinished(5000));

    QProcess& next = Start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return counter.requests().size() == 2; }, 10000));
    QTest::qWait(300);
    EXPECT_EQ(next.state(), QProcess::Running);
}

TEST_F(StartUpE2ETest, ACounterThatNeverAnswersHoldsTheStartUpForTheBoundOnly) {
    CounterRecorder counter(CounterRecorder::Mode::Silent, AGENDIX_E2E_COUNTER_PORT);
    QProcess& process = Start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return counter.requests().size() == 1; }, 10000));
    QElapsedTimer waited;
    waited.start();

    // The program gives the exchange up by closing its connection, then goes on.
    ASSERT_TRUE(QTest::qWaitFor([&] { return counter.disconnections() == 1; }, 10000));
    EXPECT_LT(waited.elapsed(), 4000);
    QTest::qWait(300);
    EXPECT_EQ(process.state(), QProcess::Running);
}

}  // namespace
}  // namespace agendix::app
