#pragma once

#include "quorvane/window/char_class.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace quorvane::window {

// Upper bounds of the advance of a character of each width class, in 1/64
// pixel. Used to bound the width of a line without laying it out.
struct AdvanceBounds {
    std::array<std::uint32_t, kWidthClasses> advance{};
};

// How far a scan of a text for its lines has come: the widths run on from the
// text's start, in 1/64 pixel.
struct LineScan {
    explicit LineScan(const AdvanceBounds& bounds);
    // Upper bound of the width of the widest line scanned so far.
    std::uint64_t widestBound() const;

    AdvanceBounds bounds;
    std::array<std::uint64_t, 8> advance{};
    std::size_t done = 0;
    std::uint64_t width = 0;
    std::uint64_t lineStartWidth = 0;
    std::uint64_t widest = 0;
    bool afterCr = false;
};

} // namespace quorvane::window
