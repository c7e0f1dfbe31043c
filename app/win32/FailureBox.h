#pragma once

// The one message box that tells the user of failures: modeless and above all other windows,
// so the program goes on while it is open; a new message replaces the one it shows. Built for
// Windows only.

#include <windows.h>

#include <string>

namespace agendix::app {

class FailureBox {
  public:
    // Owned by `owner`, so that it stays above that window too.
    FailureBox(HINSTANCE instance, HWND owner, std::string title, HFONT font, int dotsPerInch);
    ~FailureBox();
    FailureBox(const FailureBox&) = delete;
    FailureBox& operator=(const FailureBox&) = delete;

    void Show(const std::string& message);
    void Close();
    HWND Window() const { return window_; }

  private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void Arrange(const std::string& message);

    HWND window_ = nullptr;
    HWND text_ = nullptr;
    HWND ok_ = nullptr;
    HFONT font_;
    int dpi_;
};

}  // namespace agendix::app
