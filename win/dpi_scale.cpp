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

int DpiScale::fontHeight(double points) const {
    return -static_cast<int>(std::lround(points * m_dpi / 72.0));
}

} // namespace quorvane::win
