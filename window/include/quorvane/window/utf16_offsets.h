#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace quorvane::window {

// Maps between byte offsets into a UTF-8 text and the UTF-16 offsets that
// assistive tools and toolkits speak. The count of UTF-16 units before every
// 64 KiB block is taken on first use, so a mapping reads at most one block.
class Utf16Offsets final {
public:
    // Takes a new text, which must outlive the offsets; the room for the
    // counts is taken here, so that no later mapping allocates.
    void reset(std::string_view text);

    std::size_t toUtf16(std::size_t byte) const;
    // The start of the character that holds UTF-16 offset `units`; the end of
    // the text beyond it.
    std::size_t toByte(std::size_t units) const;

private:
    void countBlocks() const;

    std::string_view m_text;
    mutable std::vector<std::uint64_t> m_blocks;
};

} // namespace quorvane::window
