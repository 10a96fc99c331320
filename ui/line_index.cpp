#include "line_index.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

namespace quorvane::ui {
namespace {

// What each byte adds to the width of its line. A character's advance is
// carried by its first byte; continuation bytes add nothing. Four-byte
// characters take two wide advances, as their two UTF-16 units did.
enum ByteKind : std::uint8_t {
    kNarrow = AdvanceBounds::Narrow,
    kHalfWidth = AdvanceBounds::HalfWidth,
    kWide = AdvanceBounds::Wide,
    kTab = AdvanceBounds::Tab,
    kNothing,
    kDoubleWide,
    kLineEnd,
    kEf, // U+F000..U+FFFF: half-width katakana lie here, everything else is wide
};

const std::array<std::uint8_t, 256>& byteKinds() {
    static const auto table = [] {
        std::array<std::uint8_t, 256> kinds{};
        for (std::size_t b = 0; b < kinds.size(); ++b) {
            kinds[b] = b < 0x20 ? kWide : b < 0x80 ? kNarrow : b < 0xC0 ? kNothing : b < 0xF0 ? kWide
                                                                                              : kDoubleWide;
        }
        kinds['\t'] = kTab;
        kinds['\r'] = kLineEnd;
        kinds['\n'] = kLineEnd;
        kinds[0xEF] = kEf;
        return kinds;
    }();
    return table;
}

// U+FF61..U+FF9F, the half-width katakana: EF BD A1..BF and EF BE 80..9F.
bool halfWidthAt(const unsigned char* p, std::size_t i, std::size_t n) {
    if (i + 2 >= n) {
        return false;
    }
    return (p[i + 1] == 0xBD && p[i + 2] >= 0xA1) || (p[i + 1] == 0xBE && p[i + 2] <= 0x9F);
}

} // namespace

std::size_t LineIndex::countLines(std::string_view text) {
    // One line, plus one per LF, plus one per CR not followed by LF.
    const char* p = text.data();
    const std::size_t n = text.size();
    std::size_t ends = 0;
    for (std::size_t i = 0; i + 1 < n; ++i) {
        ends += (p[i] == '\n') | ((p[i] == '\r') & (p[i + 1] != '\n'));
    }
    if (n > 0) {
        ends += p[n - 1] == '\n' || p[n - 1] == '\r';
    }
    return ends + 1;
}

void LineIndex::build(std::string_view text, const AdvanceBounds& bounds) {
    if (text.size() >= std::numeric_limits<std::uint32_t>::max()) {
        throw std::length_error("text too long for the line index");
    }
    m_text = text;
    std::vector<std::uint32_t> starts;
    starts.reserve(countLines(text));
    starts.push_back(0);

    const auto& kinds = byteKinds();
    std::array<std::uint64_t, kLineEnd> advance{};
    std::copy(bounds.advance.begin(), bounds.advance.end(), advance.begin());
    advance[kDoubleWide] = 2 * advance[kWide];
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    std::uint64_t width = 0;
    std::uint64_t widest = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint8_t kind = kinds[p[i]];
        if (kind < kLineEnd) {
            width += advance[kind];
            continue;
        }
        if (kind == kEf) {
            width += advance[halfWidthAt(p, i, n) ? kHalfWidth : kWide];
            continue;
        }
        if (p[i] == '\r' && i + 1 < n && p[i + 1] == '\n') {
            ++i;
        }
        starts.push_back(static_cast<std::uint32_t>(i + 1));
        widest = std::max(widest, width);
        width = 0;
    }
    m_starts = std::move(starts);
    m_widestBound = std::max(widest, width);
}

void LineIndex::clear() {
    m_text = {};
    m_starts.assign(1, 0);
    m_starts.shrink_to_fit();
    m_widestBound = 0;
}

std::size_t LineIndex::lineNext(std::size_t line) const {
    return line + 1 < m_starts.size() ? m_starts[line + 1] : m_text.size();
}

std::size_t LineIndex::lineEnd(std::size_t line) const {
    if (line + 1 >= m_starts.size()) {
        return m_text.size();
    }
    std::size_t end = m_starts[line + 1] - 1;
    if (m_text[end] == '\n' && end > m_starts[line] && m_text[end - 1] == '\r') {
        --end;
    }
    return end;
}

std::size_t LineIndex::lineOf(std::size_t pos) const {
    const auto next = std::upper_bound(m_starts.begin(), m_starts.end(), pos);
    return static_cast<std::size_t>(next - m_starts.begin()) - 1;
}

} // namespace quorvane::ui
