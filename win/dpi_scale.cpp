#include "quorvane/win/dpi_scale.h"

#include <cmath>

namespace quorvane::win {

DpiScale DpiScale::of(HWND window) {
    const UINT dpi = window != nullptr ? GetDpiForWindow(window) : GetDpiForSystem();
    return DpiScale(dpi != 0 ? dpi : USER_DEFAULT_SCREEN_DPI);
}

// Edges are turned separately, so that controls that meet in twips meet in
// pixels too.
RECT DpiScale::rect(int left, int top, int width, int height) const {
    return RECT{pixels(left), pixels(top), pixels(left + width), pixels(top + height)};
}

RECT DpiScale::frameOver(HWND owner, int width, int height, DWORD style, DWORD exStyle) const {
    RECT frame = rect(0, 0, width, height);
    AdjustWindowRectExForDpi(&frame, style, FALSE, exStyle, m_dpi);
    RECT over{};
    GetWindowRect(owner, &over);
    const int frameWidth = frame.right - frame.left;
    const int frameHeight = frame.bottom - frame.top;
    const int left = over.left + (over.right - over.left - frameWidth) / 2;
    const int top = over.top + (over.bottom - over.top - frameHeight) / 2;
    return RECT{left, top, left + frameWidth, top + frameHeight};
}

int DpiScale::fontHeight(double points) const {
    return -static_cast<int>(std::lround(points * m_dpi / 72.0));
}

} // namespace quorvane::win
