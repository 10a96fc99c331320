#pragma once

#include "quorvane/window/line_index.h"
#include "quorvane/window/line_scan.h"
#include "quorvane/window/table_text.h"

#include <cstdint>
#include <vector>

namespace quorvane::window {

// A table's text with the index of its lines, made for the advance bounds
// given; the index views the text.
struct IndexedText {
    TableText text;
    LineIndex lines;
    AdvanceBounds bounds;
    // The UTF-16 units before each 64 KiB block, counted as the text was
    // written; empty when they were not.
    std::vector<std::uint64_t> utf16Blocks{};
};

} // namespace quorvane::window
