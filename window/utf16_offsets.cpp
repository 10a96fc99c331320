#include "quorvane/window/utf16_offsets.h"

#include "quorvane/window/utf8.h"

#include <algorithm>

namespace quorvane::window {
namespace {

constexpr unsigned kBlockBits = 16;
static_assert(Utf16Offsets::kBlockBytes == std::size_t{1} << kBlockBits);

std::size_t blockCount(std::string_view text) {
    return (text.size() >> kBlockBits) + 1;
}

} // namespace

void Utf16Offsets::reset(std::string_view text) {
    std::vector<std::uint64_t> blocks;
    blocks.reserve(blockCount(text));
    m_text = text;
    m_blocks = std::move(blocks);
}

void Utf16Offsets::reset(std::string_view text, std::vector<std::uint64_t> blocks) {
    if (blocks.size() != blockCount(text)) {
        reset(text);
        return;
    }
    m_text = text;
    m_blocks = std::move(blocks);
}

void Utf16Offsets::countBlocks() const {
    if (!m_blocks.empty()) {
        return;
    }
    std::uint64_t units = 0;
    for (std::size_t block = 0; block < blockCount(m_text); ++block) {
        m_blocks.push_back(units);
        units += utf8::utf16Units(m_text.substr(block << kBlockBits, std::size_t{1} << kBlockBits));
    }
}

std::size_t Utf16Offsets::toUtf16(std::size_t byte) const {
    countBlocks();
    byte = std::min(byte, m_text.size());
    const std::size_t block = byte >> kBlockBits;
    const std::size_t start = block << kBlockBits;
    return m_blocks[block] + utf8::utf16Units(m_text.substr(start, byte - start));
}

std::size_t Utf16Offsets::toByte(std::size_t units) const {
    countBlocks();
    // The last block that starts before the wanted unit.
    const auto after = std::lower_bound(m_blocks.begin(), m_blocks.end(), units);
    const auto block =
        static_cast<std::size_t>(std::max<std::ptrdiff_t>(after - m_blocks.begin() - 1, 0));
    const std::size_t start = block << kBlockBits;
    // Continuation bytes at the block's start belong to a character counted before it.
    std::size_t lead = start;
    while (lead < m_text.size() && utf8::isContinuation(m_text[lead])) {
        ++lead;
    }
    return lead + utf8::bytesForUnits(m_text.substr(lead), units - m_blocks[block]);
}

} // namespace quorvane::window
