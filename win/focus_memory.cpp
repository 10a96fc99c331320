#include "quorvane/win/focus_memory.h"

namespace quorvane::win {

bool FocusMemory::handle(HWND window, UINT message, WPARAM w) {
    switch (message) {
    case WM_ACTIVATE:
        if (LOWORD(w) == WA_INACTIVE) {
            remember(window);
        } else if (HIWORD(w) == 0) { // not while minimized
            restore(window);
        }
        return true;
    case WM_SETFOCUS: // the window itself got it: back to its control
        restore(window);
        return true;
    default:
        return false;
    }
}

void FocusMemory::remember(HWND window) {
    const HWND focus = GetFocus();
    if (focus != nullptr && IsChild(window, focus)) {
        m_control = focus;
    }
}

void FocusMemory::restore(HWND window) {
    if (IsIconic(window)) {
        return;
    }
    HWND target = m_control;
    if (target == nullptr || !IsChild(window, target) || !IsWindowVisible(target) ||
        !IsWindowEnabled(target)) {
        const HWND focus = GetFocus();
        target = focus != nullptr && IsChild(window, focus)
                     ? focus
                     : GetNextDlgTabItem(window, nullptr, FALSE);
    }
    if (target != nullptr && GetFocus() != target) {
        SetFocus(target);
    }
}

} // namespace quorvane::win
