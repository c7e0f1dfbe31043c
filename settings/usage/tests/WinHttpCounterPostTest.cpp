// The WinHTTP client against a loopback endpoint (CounterServer.py), which ctest starts before
// these tests: it records every request in a file, one JSON object a line.

#include <winsock2.h>
#include <ws2tcpip.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "settings/usage/win32/WinHttpCounterPost.h"

namespace agendix::settings {
namespace {

using namespace std::chrono_literals;

std::wstring ServerHost() {
    std::ifstream file(std::string(AGENDIX_COUNTER_SERVER_DIR) + "/port");
    int port = 0;
    file >> port;
    EXPECT_NE(port, 0) << "the counter server is not running";
    return L"127.0.0.1:" + std::to_wstring(port);
}

// "test=NAME-N", N new for each call: it tells this request from those of other tests and runs.
std::string Marker(const std::string& name) {
    return "test=" + name + "-" +
           std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
}

// The requests recorded so far whose target contains `marker`.
std::vector<nlohmann::json> RequestsWith(const std::string& marker) {
    std::ifstream log(std::string(AGENDIX_COUNTER_SERVER_DIR) + "/requests.jsonl");
    std::vector<nlohmann::json> found;
    for (std::string line; std::getline(log, line);) {
        const auto request = nlohmann::json::parse(line);
        if (request["target"].get<std::string>().find(marker) != std::string::npos) {
            found.push_back(request);
        }
    }
    return found;
}

long long MillisecondsOf(const std::function<void()>& action) {
    const auto start = std::chrono::steady_clock::now();
    action();
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start)
        .count();
}

TEST(WinHttpCounterPostTest, SendsExactlyOnePostWithAnEmptyBody) {
    WinHttpCounterPost http(ServerHost());
    const std::string target =
        "/counts/count.asp?key=471&app=my%20app&version=1.0&" + Marker("once");
    http.Post(target, 3000ms);
    const auto requests = RequestsWith(target);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0]["method"], "POST");
    EXPECT_EQ(requests[0]["target"], target);
    EXPECT_EQ(requests[0]["body"], "");
}

TEST(WinHttpCounterPostTest, AnEndpointThatNeverAnswersIsGivenUpAtTheTimeLimit) {
    WinHttpCounterPost http(ServerHost());
    const std::string marker = Marker("silent");
    const long long elapsed = MillisecondsOf([&] { http.Post("/silent/?" + marker, 300ms); });
    EXPECT_GE(elapsed, 250);
    EXPECT_LT(elapsed, 1500);
    EXPECT_EQ(RequestsWith(marker).size(), 1u);
}

TEST(WinHttpCounterPostTest, RedirectsAreNotFollowed) {
    WinHttpCounterPost http(ServerHost());
    const std::string marker = Marker("redirect");
    http.Post("/redirect/?" + marker, 3000ms);
    EXPECT_EQ(RequestsWith(marker).size(), 1u);
    EXPECT_TRUE(RequestsWith("/counts/redirected").empty());
}

// A port that was free a moment ago: nothing listens there.
std::wstring ClosedPortHost() {
    WSADATA winsock;
    WSAStartup(MAKEWORD(2, 2), &winsock);
    const SOCKET probe = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof address;
    bind(probe, reinterpret_cast<sockaddr*>(&address), length);
    getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
    closesocket(probe);
    WSACleanup();
    return L"127.0.0.1:" + std::to_wstring(ntohs(address.sin_port));
}

TEST(WinHttpCounterPostTest, NoServerOrNoSuchHostCostsLittleAndThrowsNothing) {
    WinHttpCounterPost closed(ClosedPortHost());
    EXPECT_LT(MillisecondsOf([&] { closed.Post("/counts/count.asp", 3000ms); }), 1500);
    WinHttpCounterPost malformed(L"127.0.0.1:notaport");
    EXPECT_LT(MillisecondsOf([&] { malformed.Post("/counts/count.asp", 3000ms); }), 3500);
}

}  // namespace
}  // namespace agendix::settings
