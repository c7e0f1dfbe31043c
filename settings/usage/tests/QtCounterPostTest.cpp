#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpServer>

#include "settings/usage/qt/QtCounterPost.h"
#include "settings/usage/tests/CounterRecorder.h"

namespace agendix::settings {
namespace {

using testing::CounterRecorder;
using namespace std::chrono_literals;

class QtCounterPostTest : public ::testing::Test {
  protected:
    int argc = 1;
    char name[16] = "usage_qt_tests";
    char* argv[2] = {name, nullptr};
    QCoreApplication app{argc, argv};
};

TEST_F(QtCounterPostTest, SendsExactlyOnePostWithAnEmptyBody) {
    CounterRecorder counter;
    ASSERT_TRUE(counter.isListening());
    QtCounterPost http(counter.host());

    SendUsageReport(http, "my app", "1.0");

    ASSERT_EQ(counter.requests().size(), 1U);
    EXPECT_EQ(counter.requests()[0].method, "POST");
    EXPECT_EQ(counter.requests()[0].target, "/counts/count.asp?key=471&app=my%20app&version=1.0");
    EXPECT_EQ(counter.requests()[0].body, "");
    EXPECT_EQ(counter.connections(), 1);
}

TEST_F(QtCounterPostTest, AnEndpointThatNeverAnswersIsGivenUpAtTheTimeLimit) {
    CounterRecorder counter(CounterRecorder::Mode::Silent);
    QtCounterPost http(counter.host());
    QElapsedTimer elapsed;
    elapsed.start();

    http.Post("/counts/count.asp?key=471&app=a&version=1", 300ms);

    EXPECT_GE(elapsed.elapsed(), 290);
    EXPECT_LT(elapsed.elapsed(), 1500);
    EXPECT_EQ(counter.requests().size(), 1U);
}

TEST_F(QtCounterPostTest, NoServerCostsNearlyNothing) {
    quint16 closedPort = 0;
    {
        QTcpServer probe;  // a port that was free a moment ago and is closed now
        ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
        closedPort = probe.serverPort();
    }
    QtCounterPost http(QStringLiteral("127.0.0.1:%1").arg(closedPort));
    QElapsedTimer elapsed;
    elapsed.start();

    SendUsageReport(http, "agendix", "1.0");

    EXPECT_LT(elapsed.elapsed(), 500);
}

}  // namespace
}  // namespace agendix::settings
