#pragma once

#include "quorvane/window/twips.h"

#include <QRect>

namespace quorvane::ui {

// Qt lays out in device-independent pixels, 96 to the inch; it scales them on
// denser screens itself.
constexpr int twipsToPixels(int twips) {
    return window::twipsToPixels(twips);
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
