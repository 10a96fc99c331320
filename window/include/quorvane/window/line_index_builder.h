#pragma once

#include "quorvane/window/line_index.h"
#include "quorvane/window/line_scan.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace quorvane::window {

// Builds the index of a text while the text is being written: after each
// piece appended, `grow` takes the text so far and scans what has come since,
// while it is still in the cache; `finish` scans the rest. The result equals
// what LineIndex::build makes of the finished text.
class LineIndexBuilder final {
public:
    explicit LineIndexBuilder(const AdvanceBounds& bounds);

    // Room for `lines` lines, taken before the text comes; best effort.
    void reserve(std::size_t lines) noexcept;
    void grow(std::string_view text);
    LineIndex finish(std::string_view text);
    // Bytes of the text scanned so far.
    std::size_t scanned() const { return m_scan.done; }

private:
    void record(std::size_t start);

    LineScan m_scan;
    std::vector<std::uint32_t> m_starts{0};
};

} // namespace quorvane::window
