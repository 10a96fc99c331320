#pragma once

#include <windows.h>

namespace quorvane::win {

// The control of a top-level window that had the keyboard focus, kept while
// the window is inactive and given the focus again when it is active, as the
// dialog manager does for dialog boxes: after a dialog it owns, a message
// box, another window or Alt+Tab, the user goes on where they were. A
// control that is gone, hidden or disabled meanwhile hands over to the first
// tab stop.
class FocusMemory final {
public:
    // Takes WM_ACTIVATE and WM_SETFOCUS of `window`, which are then done
    // with (0); false for the rest.
    bool handle(HWND window, UINT message, WPARAM w);

private:
    void remember(HWND window);
    void restore(HWND window);

    HWND m_control = nullptr;
};

} // namespace quorvane::win
