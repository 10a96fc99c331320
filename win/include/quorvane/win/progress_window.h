#pragma once

#include <windows.h>

namespace quorvane::window {
class ConversionJob;
}

namespace quorvane::win {

// Shown, owned by the main window, while a long conversion runs: the file's
// name, how far it has read, and キャンセル, which cancels it; Esc and the
// close box cancel too. Closes when its owner destroys it.
class ProgressWindow final {
public:
    static void registerClass(HINSTANCE instance);

    ProgressWindow(window::ConversionJob& job, HWND owner, HFONT font, UINT dpi);
    ~ProgressWindow();
    ProgressWindow(const ProgressWindow&) = delete;
    ProgressWindow& operator=(const ProgressWindow&) = delete;

    HWND handle() const { return m_window; }

private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM w, LPARAM l);
    void cancel();
    void showProgress();

    window::ConversionJob& m_job;
    HWND m_window = nullptr;
};

} // namespace quorvane::win
