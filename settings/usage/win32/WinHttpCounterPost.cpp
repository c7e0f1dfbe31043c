#include "settings/usage/win32/WinHttpCounterPost.h"

#include <windows.h>
#include <winhttp.h>

#include <algorithm>
#include <atomic>

#include "common/win32/WideText.h"

namespace agendix::settings {
namespace {

using Clock = std::chrono::steady_clock;

// A WinHTTP handle, closed at the end of its scope.
class HttpHandle {
  public:
    explicit HttpHandle(HINTERNET handle) : handle_(handle) {}
    ~HttpHandle() {
        if (handle_ != nullptr) {
            WinHttpCloseHandle(handle_);
        }
    }
    HttpHandle(const HttpHandle&) = delete;
    HttpHandle& operator=(const HttpHandle&) = delete;

    explicit operator bool() const { return handle_ != nullptr; }
    HINTERNET Get() const { return handle_; }

  private:
    HINTERNET handle_;
};

struct HostAndPort {
    std::wstring host;
    INTERNET_PORT port = INTERNET_DEFAULT_HTTP_PORT;
};

// "host" or "host:port"; an address in brackets ("[::1]:8080") keeps its brackets.
HostAndPort SplitHost(const std::wstring& counterHost) {
    const std::size_t colon = counterHost.rfind(L':');
    const std::size_t bracket = counterHost.rfind(L']');
    if (colon == std::wstring::npos || (bracket != std::wstring::npos && colon < bracket)) {
        return {counterHost};
    }
    const std::wstring port = counterHost.substr(colon + 1);
    if (port.empty() || port.size() > 5 ||
        !std::all_of(port.begin(), port.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; }) ||
        std::stoul(port) > 65535) {
        return {counterHost};  // not a port: WinHTTP refuses the name, and the report is dropped
    }
    return {counterHost.substr(0, colon), static_cast<INTERNET_PORT>(std::stoul(port))};
}

// One exchange's state, shared with WinHTTP's callbacks on its own threads: `answered` is set
// when the answer's headers came or the request failed. The sender and the request handle's
// last callback each hold a reference; the last one to let go frees it.
struct ExchangeState {
    HANDLE answered = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::atomic<int> references{2};

    ~ExchangeState() { CloseHandle(answered); }
    void Release() {
        if (--references == 0) {
            delete this;
        }
    }
};

void CALLBACK OnStatus(HINTERNET request, DWORD_PTR context, DWORD status, void*, DWORD) {
    auto* exchange = reinterpret_cast<ExchangeState*>(context);
    switch (status) {
        case WINHTTP_CALLBACK_STATUS_SENDREQUEST_COMPLETE:
            if (!WinHttpReceiveResponse(request, nullptr)) {
                SetEvent(exchange->answered);
            }
            break;
        case WINHTTP_CALLBACK_STATUS_HEADERS_AVAILABLE:  // the answer itself is not read
        case WINHTTP_CALLBACK_STATUS_REQUEST_ERROR:
            SetEvent(exchange->answered);
            break;
        case WINHTTP_CALLBACK_STATUS_HANDLE_CLOSING:
            exchange->Release();
            break;
        default:
            break;
    }
}

// Sends `request` and waits for the answer until `deadline`, then closes the request, which
// ends the exchange wherever it is.
void SendAndWait(HINTERNET request, Clock::time_point deadline) {
    auto* exchange = new ExchangeState;
    constexpr DWORD kNotices = WINHTTP_CALLBACK_FLAG_SENDREQUEST_COMPLETE |
                               WINHTTP_CALLBACK_FLAG_HEADERS_AVAILABLE |
                               WINHTTP_CALLBACK_FLAG_REQUEST_ERROR | WINHTTP_CALLBACK_FLAG_HANDLES;
    WinHttpSetStatusCallback(request, OnStatus, kNotices, 0);
    if (WinHttpSendRequest(request, WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0,
                           reinterpret_cast<DWORD_PTR>(exchange))) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        WaitForSingleObject(exchange->answered, static_cast<DWORD>(std::max<long long>(left, 0)));
    }
    WinHttpCloseHandle(request);
    exchange->Release();
}

}  // namespace

WinHttpCounterPost::WinHttpCounterPost(std::wstring counterHost)
    : counterHost_(std::move(counterHost)) {}

void WinHttpCounterPost::Post(const std::string& pathAndQuery,
                              std::chrono::milliseconds timeLimit) {
    const Clock::time_point deadline = Clock::now() + timeLimit;
    const HostAndPort target = SplitHost(counterHost_);
    const HttpHandle session(WinHttpOpen(L"Agendix", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY,
                                         WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS,
                                         WINHTTP_FLAG_ASYNC));
    if (!session) {
        return;
    }
    const HttpHandle connection(WinHttpConnect(session.Get(), target.host.c_str(), target.port, 0));
    if (!connection) {
        return;
    }
    const std::wstring object = common::WideFromUtf8(pathAndQuery);
    HINTERNET request = WinHttpOpenRequest(connection.Get(), L"POST", object.c_str(), nullptr,
                                           WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, 0);
    if (request == nullptr) {
        return;
    }
    DWORD noRedirects = WINHTTP_DISABLE_REDIRECTS;
    WinHttpSetOption(request, WINHTTP_OPTION_DISABLE_FEATURE, &noRedirects, sizeof noRedirects);
    SendAndWait(request, deadline);
}

}  // namespace agendix::settings
