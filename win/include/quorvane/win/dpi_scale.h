#pragma once

#include <windows.h>

namespace quorvane::win {

// Turns the twips the windows are laid out in into pixels at a monitor's
// DPI: 1440 twips an inch, so 15 twips a pixel at 96 DPI. The one place
// where twips become pixels.
class DpiScale final {
public:
    explicit DpiScale(UINT dpi = USER_DEFAULT_SCREEN_DPI)
        : m_dpi(dpi) {}
    // The DPI of the monitor `window` is on.
    static DpiScale of(HWND window);

    UINT dpi() const { return m_dpi; }
    int pixels(int twips) const { return MulDiv(twips, static_cast<int>(m_dpi), 1440); }
    RECT rect(int left, int top, int width, int height) const;
    // The frame of a window of `style` whose client area is `width` by
    // `height` twips, centred over `owner`.
    RECT frameOver(HWND owner, int width, int height, DWORD style, DWORD exStyle) const;
    // The height of a font of `points` points, as CreateFontW takes it.
    int fontHeight(double points) const;

private:
    UINT m_dpi;
};

} // namespace quorvane::win
