// Keeps Wine's desktop in use for as long as a test's Wine prefix lives; its wine server ends it.
//
// Wine closes a desktop one second after the last program with a window on it has gone, and the
// next program gets a desktop of its own. A program that starts within that second, as one
// scenario's program after the last one's does, may find its desktop closing under it, and its
// notification-area icon never appears. A hidden window of this program's keeps the desktop from
// ever being left empty, as a real one never is. "ready" on standard output says that the
// desktop is up. It needs a display (a window system) to create its window.
#include <windows.h>

#include <cstdio>

int main() {
    const HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, nullptr, nullptr,
                                        GetModuleHandleW(nullptr), nullptr);
    if (window == nullptr) {
        std::fputs("the desktop keeper's window could not be created\n", stderr);
        return 1;
    }
    std::puts("ready");
    std::fflush(stdout);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        DispatchMessageW(&message);
    }
    return 0;
}
