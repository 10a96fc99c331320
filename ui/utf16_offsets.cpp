#include "quorvane/ui/utf16_offsets.h"

#include <algorithm>

namespace quorvane::ui {
namespace {

constexpr unsigned kBlockBits = 16;

// A lead byte starts one UTF-16 unit, a four-byte lead two, a continuation none.
std::size_t unitsOf(unsigned char byte) {
    return static_cast<std::size_t>((byte & 0xC0) != 0x80) + (byte >= 0xF0);
}

} // namespace

void Utf16Offsets::reset(std::string_view text) {
    m_text = text;
    m_blocks.clear();
    m_blocks.shrink_to_fit();
}

std::size_t Utf16Offsets::count(std::string_view text) {
    std::size_t units = 0;
    for (const char c : text) {
        units += unitsOf(static_cast<unsigned char>(c));
    }
    return units;
}

std::size_t Utf16Offsets::bytesFor(std::string_view text, std::size_t units) {
    std::size_t seen = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if ((byte & 0xC0) == 0x80) {
            continue;
        }
        seen += unitsOf(byte);
        if (seen > units) {
            return i;
        }
    }
    return text.size();
}

void Utf16Offsets::countBlocks() const {
    if (!m_blocks.empty()) {
        return;
    }
    const std::size_t blocks = (m_text.size() >> kBlockBits) + 1;
    m_blocks.reserve(blocks);
    std::uint64_t units = 0;
    for (std::size_t block = 0; block < blocks; ++block) {
        m_blocks.push_back(units);
        units += count(m_text.substr(block << kBlockBits, std::size_t{1} << kBlockBits));
    }
}

std::size_t Utf16Offsets::toUtf16(std::size_t byte) const {
    countBlocks();
    byte = std::min(byte, m_text.size());
    const std::size_t block = byte >> kBlockBits;
    const std::size_t start = block << kBlockBits;
    return m_blocks[block] + count(m_text.substr(start, byte - start));
}

std::size_t Utf16Offsets::toByte(std::size_t units) const {
    countBlocks();
    // The last block that starts before the wanted unit.
    const auto after = std::lower_bound(m_blocks.begin(), m_blocks.end(), units);
    const auto block =
        static_cast<std::size_t>(std::max<std::ptrdiff_t>(after - m_blocks.begin() - 1, 0));
    const std::size_t start = block << kBlockBits;
    const std::string_view rest = m_text.substr(start);
    // Continuation bytes at the block's start belong to a character counted before it.
    std::size_t lead = 0;
    while (lead < rest.size() && (static_cast<unsigned char>(rest[lead]) & 0xC0) == 0x80) {
        ++lead;
    }
    return start + lead + bytesFor(rest.substr(lead), units - m_blocks[block]);
}

} // namespace quorvane::ui
