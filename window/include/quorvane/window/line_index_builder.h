#pragma once

#include "quorvane/window/line_index.h"
#include "quorvane/window/line_scan.h"

#include "quorvane/tag/spool_file.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane::window {

// Builds what the output box needs of a text while the text is being
// written, piece by piece, each piece scanned once while it is in the cache
// and not needed afterwards: the index of its lines, kept in a spool file,
// and the UTF-16 units before each 64 KiB block. The results equal what LineIndex::build and
// Utf16Offsets make of the finished text.
class LineIndexBuilder final {
public:
    explicit LineIndexBuilder(const AdvanceBounds& bounds);
    // Takes the next piece of the text.
    void append(std::string_view piece);
    // The index of the pieces taken, viewing `text`, which is all of them.
    LineIndex finish(std::string_view text);
    // After finish: the UTF-16 units before each block, one more when the
    // text ends on a block's edge.
    std::vector<std::uint64_t> takeUtf16Blocks() { return std::move(m_utf16Blocks); }

private:
    void index(std::string_view piece);
    void countUnits(std::string_view piece);
    void record(std::size_t start);
    void writeStarts();

    // Line starts held before they are written to the spool file.
    static constexpr std::size_t kHeldStarts = 16 * 1024;

    LineScan m_scan;
    std::vector<std::uint32_t> m_starts;
    tag::SpoolFile m_file;
    std::uint64_t m_size = 0;
    // The text from m_carryBase on, which the scan has yet to pass: a
    // character or a CR LF may run on into the next piece.
    std::string m_carry;
    std::size_t m_carryBase = 0;
    std::vector<std::uint64_t> m_utf16Blocks;
    std::uint64_t m_units = 0;
};

} // namespace quorvane::window
