#pragma once

namespace quorvane::window {

// Layouts are written in twips, 1440 an inch: 15 twips make one pixel at 96
// dots per inch. The one place where twips become pixels, rounded to the
// nearest pixel, halves away from zero.
constexpr int twipsToPixels(int twips, int dpi = 96) {
    const long long scaled = static_cast<long long>(twips) * dpi;
    return static_cast<int>(scaled >= 0 ? (scaled + 720) / 1440 : -((-scaled + 720) / 1440));
}

} // namespace quorvane::window
