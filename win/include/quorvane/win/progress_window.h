#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace quorvane::win {

// Shown, owned by the main window, while a long conversion runs: the file's
// name, how far it has read, and キャンセル; the button, Esc and the close box
// all call the cancel given. Closes when its owner destroys it.
class ProgressWindow final {
public:
    static void registerClass(HINSTANCE instance);
    // Takes Tab, Enter and Esc of its own messages.
    static bool takeDialogKeys(MSG& message);

    ProgressWindow(const std::wstring& fileName, HWND owner, HFONT font, UINT dpi,
                   std::function<void()> cancel);
    ~ProgressWindow();
    ProgressWindow(const ProgressWindow&) = delete;
    ProgressWindow& operator=(const ProgressWindow&) = delete;

    // The bar's position, 0 to kProgressBarSteps.
    void setSteps(int steps);
    // The font of its texts, which the owner keeps.
    void setFont(HFONT font);

private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM w, LPARAM l);
    void cancel();

    std::function<void()> m_cancel;
    HWND m_window = nullptr;
};

} // namespace quorvane::win
