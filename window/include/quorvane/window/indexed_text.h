#pragma once

#include "quorvane/window/line_index.h"
#include "quorvane/window/line_scan.h"

#include <string>

namespace quorvane::window {

// A table's text with the index of its lines, made for the advance bounds
// given; the index views the text.
struct IndexedText {
    std::string text;
    LineIndex lines;
    AdvanceBounds bounds;
};

} // namespace quorvane::window
