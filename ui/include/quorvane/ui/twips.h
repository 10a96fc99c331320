#pragma once

#include <QRect>

namespace quorvane::ui {

// Window layouts are written in twips (1/1440 inch). At 96 dpi 15 twips make
// one pixel; Qt scales these device-independent pixels on denser screens.
inline constexpr int kTwipsPerPixel = 15;

// Rounds to the nearest pixel, halves away from zero.
constexpr int twipsToPixels(int twips) {
    const int half = kTwipsPerPixel / 2;
    return twips >= 0 ? (twips + half) / kTwipsPerPixel : -((-twips + half) / kTwipsPerPixel);
}

constexpr QRect twipsRect(int left, int top, int width, int height) {
    return QRect(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width),
                 twipsToPixels(height));
}

// A horizontal line one pixel high from x1 up to, not including, x2.
constexpr QRect twipsHorizontalLine(int x1, int x2, int y) {
    return QRect(twipsToPixels(x1), twipsToPixels(y), twipsToPixels(x2) - twipsToPixels(x1), 1);
}

} // namespace quorvane::ui
