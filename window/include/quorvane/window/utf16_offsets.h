#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace quorvane::window {

// Maps between byte offsets into a UTF-8 text and the UTF-16 offsets that
// assistive tools and toolkits speak. The count of UTF-16 units before every
// 64 KiB block is taken on first use, or while the text is written, so a
// mapping reads at most one block.
class Utf16Offsets final {
public:
    // The bytes of a block.
    static constexpr std::size_t kBlockBytes = std::size_t{1} << 16;

    // Takes a new text, which must outlive the offsets; the room for the
    // counts is taken here, so that no later mapping allocates.
    void reset(std::string_view text);
    // Takes a new text with the UTF-16 units before each of its blocks, one
    // more where it ends on a block's edge; counts of another length are
    // counted again on first use.
    void reset(std::string_view text, std::vector<std::uint64_t> blocks);

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
