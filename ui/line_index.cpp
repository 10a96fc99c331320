#include "line_index.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

namespace quorvane::ui {
namespace {

constexpr std::uint8_t kLineEndKind = AdvanceBounds::KindCount;

// The kind of every code unit, line ends included, looked up once per unit.
const std::array<std::uint8_t, 0x10000>& kindTable() {
    static const auto table = [] {
        std::array<std::uint8_t, 0x10000> kinds{};
        for (std::size_t c = 0; c < kinds.size(); ++c) {
            kinds[c] = AdvanceBounds::kindOf(static_cast<char16_t>(c));
        }
        kinds[u'\r'] = kLineEndKind;
        kinds[u'\n'] = kLineEndKind;
        return kinds;
    }();
    return table;
}

} // namespace

std::size_t LineIndex::countLines(std::u16string_view text) {
    // One line, plus one per LF, plus one per CR not followed by LF.
    const char16_t* p = text.data();
    const std::size_t n = text.size();
    std::size_t ends = 0;
    for (std::size_t i = 0; i + 1 < n; ++i) {
        ends += (p[i] == u'\n') | ((p[i] == u'\r') & (p[i + 1] != u'\n'));
    }
    if (n > 0) {
        ends += p[n - 1] == u'\n' || p[n - 1] == u'\r';
    }
    return ends + 1;
}

void LineIndex::build(std::u16string_view text, const AdvanceBounds& bounds) {
    if (text.size() >= std::numeric_limits<std::uint32_t>::max()) {
        throw std::length_error("text too long for the line index");
    }
    m_text = text;
    std::vector<std::uint32_t> starts;
    starts.reserve(countLines(text));
    starts.push_back(0);

    const auto& kinds = kindTable();
    std::array<std::uint64_t, kLineEndKind + 1> advance{};
    std::copy(bounds.advance.begin(), bounds.advance.end(), advance.begin());
    const char16_t* p = text.data();
    const std::size_t n = text.size();
    std::uint64_t width = 0;
    std::uint64_t widest = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint8_t kind = kinds[p[i]];
        if (kind != kLineEndKind) {
            width += advance[kind];
            continue;
        }
        if (p[i] == u'\r' && i + 1 < n && p[i + 1] == u'\n') {
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
    if (m_text[end] == u'\n' && end > m_starts[line] && m_text[end - 1] == u'\r') {
        --end;
    }
    return end;
}

std::size_t LineIndex::lineOf(std::size_t pos) const {
    const auto next = std::upper_bound(m_starts.begin(), m_starts.end(), pos);
    return static_cast<std::size_t>(next - m_starts.begin()) - 1;
}

} // namespace quorvane::ui
