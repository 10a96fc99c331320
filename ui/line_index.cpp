#include "line_index.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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
            kinds[b] = b < 0x20   ? kWide
                       : b < 0x80 ? kNarrow
                       : b < 0xC0 ? kNothing
                       : b < 0xF0 ? kWide
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

// The bytes of 16 that end a line (a CR, or an LF not after a CR) and the
// classes of those that add to its width, as bit masks.
namespace {

struct Chunk {
    unsigned ends = 0;
    unsigned narrow = 0;
    unsigned wide = 0;
    unsigned fourByte = 0;
    unsigned tab = 0;
};

#if defined(__SSE2__)

// The number of bits set in each 16-bit mask, looked up: without a popcount
// instruction in the baseline, counting costs a library call.
const std::array<std::uint8_t, 0x10000>& bitCounts() {
    static const auto table = [] {
        std::array<std::uint8_t, 0x10000> counts{};
        for (std::size_t m = 1; m < counts.size(); ++m) {
            counts[m] = static_cast<std::uint8_t>(counts[m >> 1] + (m & 1));
        }
        return counts;
    }();
    return table;
}

unsigned maskOf(__m128i bytes, char value) {
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(value))));
}

unsigned maskOf(__m128i test) {
    return static_cast<unsigned>(_mm_movemask_epi8(test));
}

#endif

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
    auto endLine = [&](std::size_t next) {
        starts.push_back(static_cast<std::uint32_t>(next));
        widest = std::max(widest, width);
        width = 0;
    };
    // One character or line end; where the next one starts.
    auto step = [&](std::size_t i) {
        const std::uint8_t kind = kinds[p[i]];
        if (kind < kLineEnd) {
            width += advance[kind];
        } else if (kind == kEf) {
            width += advance[halfWidthAt(p, i, n) ? kHalfWidth : kWide];
        } else {
            i += p[i] == '\r' && i + 1 < n && p[i + 1] == '\n';
            endLine(i + 1);
        }
        return i + 1;
    };

    std::size_t i = 0;
#if defined(__SSE2__)
    // Sixteen bytes at a time: their widths counted by class between the line
    // ends. A chunk that may hold half-width katakana goes byte by byte.
    bool afterCr = false;
    const auto& ones = bitCounts();
    auto weight = [&](const Chunk& c, unsigned bits) {
        return advance[kNarrow] * ones[c.narrow & bits] +
               advance[kWide] * (ones[c.wide & bits] + ones[c.fourByte & bits]) +
               advance[kTab] * ones[c.tab & bits];
    };
    while (i + 16 <= n) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        if (maskOf(bytes, static_cast<char>(0xEF)) != 0) {
            const std::size_t end = i + 16;
            if (afterCr && p[i] == '\n') {
                ++i;
            }
            while (i < end) {
                i = step(i);
            }
            afterCr = false;
            continue;
        }
        Chunk c;
        const unsigned cr = maskOf(bytes, '\r');
        const unsigned lf = maskOf(bytes, '\n');
        c.ends = cr | (lf & ~((cr << 1) | static_cast<unsigned>(afterCr)));
        c.narrow = maskOf(_mm_cmpgt_epi8(bytes, _mm_set1_epi8(0x1F)));
        c.tab = maskOf(bytes, '\t');
        c.fourByte = maskOf(_mm_cmpgt_epi8(bytes, _mm_set1_epi8(-17)));
        c.fourByte &= maskOf(_mm_cmplt_epi8(bytes, _mm_setzero_si128()));
        const unsigned continuation = maskOf(_mm_cmplt_epi8(bytes, _mm_set1_epi8(-64)));
        c.wide = 0xFFFF & ~(c.narrow | continuation | c.tab | cr | lf);
        unsigned segment = 0;
        for (unsigned ends = c.ends; ends != 0; ends &= ends - 1) {
            const auto bit = static_cast<unsigned>(__builtin_ctz(ends));
            width += weight(c, ((1U << bit) - 1) & ~((1U << segment) - 1));
            const std::size_t at = i + bit;
            endLine(at + 1 + (p[at] == '\r' && at + 1 < n && p[at + 1] == '\n'));
            segment = bit + 1;
        }
        width += weight(c, 0xFFFF & ~((1U << segment) - 1));
        afterCr = (cr >> 15) != 0;
        i += 16;
    }
    if (afterCr && i < n && p[i] == '\n') {
        ++i;
    }
#endif
    while (i < n) {
        i = step(i);
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
