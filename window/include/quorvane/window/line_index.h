#pragma once

#include "quorvane/window/char_class.h"
#include "quorvane/window/line_scan.h"

#include "quorvane/tag/spool_file.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace quorvane::window {

// Where each line of a UTF-8 text starts, as byte offsets. CR LF, a lone CR
// and a lone LF each end a line. Four bytes a line: offsets are 32-bit, so
// the text must stay below 4 GiB.
class LineIndex final {
public:
    // Indexes `text` and bounds the width of its longest line from above. The
    // text must outlive the index; on failure the index is left as it was.
    void build(std::string_view text, const AdvanceBounds& bounds);
    // Bounds the widest line again, for new advances; allocates nothing.
    void remeasure(const AdvanceBounds& bounds);

    std::size_t lineCount() const { return m_starts.size(); }
    std::size_t lineStart(std::size_t line) const { return m_starts[line]; }
    // End of the line's characters, before its line end.
    std::size_t lineEnd(std::size_t line) const;
    // The line that holds `pos`; a position on a line end belongs to the line
    // it ends.
    std::size_t lineOf(std::size_t pos) const;

    // Upper bound of the width of the widest line, in 1/64 pixel.
    std::uint64_t widestBound() const { return m_widestBound; }
    // Bytes the index holds in the program's own memory.
    std::size_t capacityBytes() const { return m_memory.capacity() * sizeof(std::uint32_t); }

    bool operator==(const LineIndex& other) const {
        return std::ranges::equal(m_starts, other.m_starts) && m_widestBound == other.m_widestBound;
    }

private:
    friend class LineIndexBuilder;

    static std::size_t countLines(std::string_view text);

    std::string_view m_text;
    // The starts, in memory or in a spool file mapped for reading; they stay
    // where they are through moves.
    std::vector<std::uint32_t> m_memory{0};
    std::optional<tag::SpoolFile> m_file;
    std::span<const std::uint32_t> m_starts{m_memory};
    std::uint64_t m_widestBound = 0;
};

} // namespace quorvane::window
