#include "quorvane/window/line_index.h"

#include "quorvane/window/line_index_builder.h"
#include "quorvane/window/utf16_offsets.h"
#include "quorvane/window/utf8.h"

#include <algorithm>
#include <limits>
#include <new>
#include <stdexcept>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace quorvane::window {
namespace {

// What each byte adds to the width of its line. A character's advance is
// carried by its first byte; continuation bytes add nothing. Four-byte
// characters take two wide advances, as their two UTF-16 units did.
enum ByteKind : std::uint8_t {
    kNarrow = static_cast<std::uint8_t>(WidthClass::Narrow),
    kHalfWidth = static_cast<std::uint8_t>(WidthClass::HalfWidth),
    kWide = static_cast<std::uint8_t>(WidthClass::Wide),
    kTab = static_cast<std::uint8_t>(WidthClass::Tab),
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

namespace {

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

unsigned maskOf(__m128i test) {
    return static_cast<unsigned>(_mm_movemask_epi8(test));
}

unsigned maskOf(__m128i bytes, char value) {
    return maskOf(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(value)));
}

__m128i loadAt(const unsigned char* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

// Bytes at or above `low`, unsigned.
__m128i atLeast(__m128i bytes, unsigned char low) {
    return _mm_cmpeq_epi8(_mm_max_epu8(bytes, _mm_set1_epi8(static_cast<char>(low))), bytes);
}

// The line ends among 16 bytes (a CR, or an LF not after a CR) and the bytes
// of each width class, as bit masks. Tabs, four-byte leads and EF leads are
// rare in a table; a chunk without them needs only the narrow and wide counts.
struct Chunk {
    unsigned ends = 0;
    unsigned crLf = 0; // CRs followed by an LF
    unsigned narrow = 0;
    unsigned wide = 0;
    unsigned halfWidth = 0;
    unsigned fourByte = 0;
    unsigned tab = 0;
    bool ascii = false; // printable ASCII and line ends only: narrow is all
    bool rare = false;

    // Reads the 16 bytes at `p` and looks at the two after them.
    Chunk(const unsigned char* p, bool afterCr) {
        const __m128i bytes = loadAt(p);
        const unsigned cr = maskOf(bytes, '\r');
        const unsigned lf = maskOf(bytes, '\n');
        ends = cr | (lf & ~((cr << 1) | static_cast<unsigned>(afterCr)));
        crLf = cr & ((lf >> 1) | (static_cast<unsigned>(p[16] == '\n') << 15));
        narrow = maskOf(_mm_cmpgt_epi8(bytes, _mm_set1_epi8(0x1F)));
        ascii = maskOf(bytes) == 0 && (narrow | cr | lf) == 0xFFFF;
        if (ascii) {
            return;
        }
        const unsigned continuation = maskOf(_mm_cmplt_epi8(bytes, _mm_set1_epi8(-64)));
        wide = 0xFFFF & ~(narrow | continuation | cr | lf);
        tab = maskOf(bytes, '\t');
        const unsigned efOrAbove = maskOf(atLeast(bytes, 0xEF));
        rare = (tab | efOrAbove) != 0;
        if (rare) {
            classifyRare(p, bytes, efOrAbove);
        }
    }

    // U+FF61..U+FF9F, the half-width katakana: EF BD A1..BF and EF BE 80..9F.
    // Four-byte leads count once more as wide; tabs count apart.
    void classifyRare(const unsigned char* p, __m128i bytes, unsigned efOrAbove) {
        const __m128i second = loadAt(p + 1);
        const __m128i third = loadAt(p + 2);
        const __m128i highHalf =
            _mm_and_si128(_mm_cmpeq_epi8(second, _mm_set1_epi8(-67)), atLeast(third, 0xA1));
        const __m128i lowHalf =
            _mm_and_si128(_mm_cmpeq_epi8(second, _mm_set1_epi8(-66)),
                          _mm_cmpeq_epi8(_mm_min_epu8(third, _mm_set1_epi8(-97)), third));
        const unsigned ef = maskOf(bytes, static_cast<char>(0xEF));
        halfWidth = ef & maskOf(_mm_or_si128(highHalf, lowHalf));
        fourByte = efOrAbove & ~ef;
        wide &= ~(tab | halfWidth);
    }
};

#endif

} // namespace

std::size_t LineIndex::countLines(std::string_view text) {
    // One line, plus one per LF, plus one per CR not followed by LF.
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    std::size_t ends = 0;
    std::size_t i = 0;
#if defined(__SSE2__)
    const auto& ones = bitCounts();
    unsigned afterCr = 0;
    for (; i + 16 <= n; i += 16) {
        const __m128i bytes = loadAt(p + i);
        const unsigned cr = maskOf(bytes, '\r');
        const unsigned lf = maskOf(bytes, '\n');
        ends += ones[cr | (lf & ~((cr << 1) | afterCr))];
        afterCr = cr >> 15;
    }
    if (afterCr != 0 && i < n && p[i] == '\n') {
        ++i;
    }
#endif
    for (; i + 1 < n; ++i) {
        ends += (p[i] == '\n') | ((p[i] == '\r') & (p[i + 1] != '\n'));
    }
    if (i < n) {
        ends += p[n - 1] == '\n' || p[n - 1] == '\r';
    }
    return ends + 1;
}

namespace {

// Scans from `scan.done` on, through `text`, which starts at offset `base` of
// the whole text: `record` hears where each line after the first starts, and
// the widths run on. Unless `last`, the scan stops where a character or a
// CR LF might run on past the end of what is there yet.
template <typename Record>
void scanLines(LineScan& scan, std::string_view text, std::size_t base, bool last,
               Record recordAt) {
    auto record = [&](std::size_t start) { recordAt(base + start); };
    const auto& kinds = byteKinds();
    const auto& advance = scan.advance;
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    // Widths run on from the start of the text; a line's width is the
    // difference between the running width at its end and at its start.
    std::uint64_t width = scan.width;
    auto endLine = [&](std::size_t start, std::uint64_t at) {
        record(start);
        scan.widest = std::max(scan.widest, at - scan.lineStartWidth);
        scan.lineStartWidth = at;
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
            endLine(i + 1, width);
        }
        return i + 1;
    };

    std::size_t i = scan.done - base;
#if defined(__SSE2__)
    // Sixteen bytes at a time: the width up to each line end counted by class.
    const auto& ones = bitCounts();
    auto asciiWeight = [&](const Chunk& c, unsigned bits) {
        return advance[kNarrow] * ones[c.narrow & bits];
    };
    auto commonWeight = [&](const Chunk& c, unsigned bits) {
        return advance[kNarrow] * ones[c.narrow & bits] + advance[kWide] * ones[c.wide & bits];
    };
    auto rareWeight = [&](const Chunk& c, unsigned bits) {
        return commonWeight(c, bits) + advance[kWide] * ones[c.fourByte & bits] +
               advance[kHalfWidth] * ones[c.halfWidth & bits] + advance[kTab] * ones[c.tab & bits];
    };
    auto endLines = [&](const Chunk& c, std::size_t at, auto weight) {
        for (unsigned ends = c.ends; ends != 0; ends &= ends - 1) {
            const auto bit = static_cast<unsigned>(__builtin_ctz(ends));
            endLine(at + bit + 1 + ((c.crLf >> bit) & 1), width + weight(c, (1U << bit) - 1));
        }
        width += weight(c, 0xFFFF);
    };
    while (i + 18 <= n) {
        const Chunk c(p + i, scan.afterCr);
        if (c.ascii) {
            endLines(c, i, asciiWeight);
        } else if (c.rare) {
            endLines(c, i, rareWeight);
        } else {
            endLines(c, i, commonWeight);
        }
        scan.afterCr = p[i + 15] == '\r';
        i += 16;
    }
    if (last && scan.afterCr) {
        i += i < n && p[i] == '\n';
        scan.afterCr = false;
    }
#endif
    if (last) {
        while (i < n) {
            i = step(i);
        }
    }
    scan.width = width;
    scan.done = base + i;
}

static_assert(kLineEnd <= std::tuple_size_v<decltype(LineScan::advance)>);

std::array<std::uint64_t, 8> advances(const AdvanceBounds& bounds) {
    std::array<std::uint64_t, 8> advance{};
    std::copy(bounds.advance.begin(), bounds.advance.end(), advance.begin());
    advance[kDoubleWide] = 2 * advance[kWide];
    return advance;
}

void checkLength(std::size_t length) {
    if (length >= std::numeric_limits<std::uint32_t>::max()) {
        throw std::length_error("text too long for the line index");
    }
}

} // namespace

LineScan::LineScan(const AdvanceBounds& bounds)
    : bounds(bounds)
    , advance(advances(bounds)) {}

std::uint64_t LineScan::widestBound() const {
    return std::max(widest, width - lineStartWidth);
}

void LineIndex::build(std::string_view text, const AdvanceBounds& bounds) {
    checkLength(text.size());
    std::vector<std::uint32_t> starts(countLines(text));
    std::uint32_t* next = starts.data() + 1;
    LineScan scan(bounds);
    scanLines(scan, text, 0, true,
              [&](std::size_t start) { *next++ = static_cast<std::uint32_t>(start); });
    m_text = text;
    m_file.reset();
    m_memory = std::move(starts);
    m_starts = m_memory;
    m_widestBound = scan.widestBound();
}

void LineIndex::remeasure(const AdvanceBounds& bounds) {
    LineScan scan(bounds);
    scanLines(scan, m_text, 0, true, [](std::size_t) {});
    m_widestBound = scan.widestBound();
}

LineIndexBuilder::LineIndexBuilder(const AdvanceBounds& bounds)
    : m_scan(bounds) {
    m_starts.reserve(kHeldStarts);
    m_starts.push_back(0);
}

// The starts go to the spool file a block at a time.
inline void LineIndexBuilder::record(std::size_t start) {
    m_starts.push_back(static_cast<std::uint32_t>(start));
    if (m_starts.size() == kHeldStarts) [[unlikely]] {
        writeStarts();
    }
}

void LineIndexBuilder::writeStarts() {
    m_file.Write(
        {reinterpret_cast<const char*>(m_starts.data()), m_starts.size() * sizeof(std::uint32_t)});
    m_starts.clear();
}

void LineIndexBuilder::append(std::string_view piece) {
    checkLength(m_size + piece.size());
    countUnits(piece);
    index(piece);
    m_size += piece.size();
}

// The scan stops short of the last bytes it has; those are joined to the
// first bytes of `piece`, enough for the scan to pass into it.
void LineIndexBuilder::index(std::string_view piece) {
    constexpr std::size_t kJoin = 64;
    auto scan = [this](std::string_view text, std::size_t base) {
        scanLines(m_scan, text, base, false, [this](std::size_t start) { record(start); });
    };
    if (!m_carry.empty()) {
        const std::size_t joined = std::min(piece.size(), kJoin);
        m_carry.append(piece.substr(0, joined));
        scan(m_carry, m_carryBase);
        if (m_scan.done < m_size) {
            m_carry.append(piece.substr(joined));
            m_carry.erase(0, m_scan.done - m_carryBase);
            m_carryBase = m_scan.done;
            return;
        }
    }
    scan(piece, m_size);
    m_carry.assign(piece.substr(m_scan.done - m_size));
    m_carryBase = m_scan.done;
}

void LineIndexBuilder::countUnits(std::string_view piece) {
    std::uint64_t at = m_size;
    while (!piece.empty()) {
        const std::size_t intoBlock = at % Utf16Offsets::kBlockBytes;
        if (intoBlock == 0) {
            m_utf16Blocks.push_back(m_units);
        }
        const std::string_view part = piece.substr(0, Utf16Offsets::kBlockBytes - intoBlock);
        m_units += utf8::utf16Units(part);
        at += part.size();
        piece.remove_prefix(part.size());
    }
}

LineIndex LineIndexBuilder::finish(std::string_view text) {
    scanLines(m_scan, m_carry, m_carryBase, true, [this](std::size_t start) { record(start); });
    if (m_size % Utf16Offsets::kBlockBytes == 0) {
        m_utf16Blocks.push_back(m_units);
    }
    writeStarts();
    LineIndex index;
    index.m_text = text;
    const std::string_view starts = m_file.Map();
    index.m_starts = {reinterpret_cast<const std::uint32_t*>(starts.data()),
                      starts.size() / sizeof(std::uint32_t)};
    index.m_file = std::move(m_file);
    index.m_memory.clear();
    index.m_widestBound = m_scan.widestBound();
    return index;
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

} // namespace quorvane::window
