#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace quorvane::ui {

// Maps between byte offsets into a UTF-8 text and the UTF-16 offsets that Qt
// and accessibility tools speak. The count of UTF-16 units before every
// 64 KiB block is taken on first use, so a mapping reads at most one block.
class Utf16Offsets final {
public:
    // Forgets the counts; the text must outlive the next reset.
    void reset(std::string_view text);

    std::size_t toUtf16(std::size_t byte) const;
    // The start of the character that holds UTF-16 offset `units`; the end of
    // the text beyond it.
    std::size_t toByte(std::size_t units) const;

    // UTF-16 units of a stretch of whole characters.
    static std::size_t count(std::string_view text);
    // Bytes of `text` that its first `units` UTF-16 units take, rounded down
    // to a character start.
    static std::size_t bytesFor(std::string_view text, std::size_t units);

private:
    void countBlocks() const;

    std::string_view m_text;
    mutable std::vector<std::uint64_t> m_blocks;
};

} // namespace quorvane::ui
