#include "quorvane/window/char_class.h"

#include <algorithm>
#include <iterator>

namespace quorvane::window {
namespace {

struct Range {
    char32_t last; // the range runs from the previous range's last + 1
    WordClass word;
    WidthClass width;
};

using enum WordClass;
using enum WidthClass;

// The one table of character classes, in code point order; a code point
// belongs to the first range whose last is not below it.
constexpr Range kRanges[] = {
    {0x08, Symbol, Wide}, // controls show as boxes
    {'\t', Space, Tab},
    {0x1F, Symbol, Wide},
    {' ', Space, Narrow},
    {'/', Symbol, Narrow},
    {'9', Letter, Narrow},
    {'@', Symbol, Narrow},
    {'Z', Letter, Narrow},
    {'^', Symbol, Narrow},
    {'_', Letter, Narrow},
    {'`', Symbol, Narrow},
    {'z', Letter, Narrow},
    {0x7F, Symbol, Narrow},
    {0xBF, Symbol, Wide},
    {0xD6, Letter, Wide},
    {0xD7, Symbol, Wide}, // ×
    {0xF6, Letter, Wide},
    {0xF7, Symbol, Wide}, // ÷
    {0x24F, Letter, Wide},
    {0x2FF, Symbol, Wide},
    {0x36F, Mark, Wide},
    {0x52F, Letter, Wide}, // Greek, Cyrillic
    {0x1DBF, Symbol, Wide},
    {0x1DFF, Mark, Wide},
    {0x1FFF, Letter, Wide}, // Latin extended additional, Greek extended
    {0x20CF, Symbol, Wide},
    {0x20FF, Mark, Wide}, // marks for symbols
    {0x2FFF, Symbol, Wide},
    {0x3000, Space, Wide},
    {0x3004, Symbol, Wide},
    {0x3005, Kanji, Wide}, // 々
    {0x3040, Symbol, Wide},
    {0x3098, Hiragana, Wide},
    {0x309A, Mark, Wide}, // the combining voiced sound marks
    {0x309F, Hiragana, Wide},
    {0x30FF, Katakana, Wide},
    {0x33FF, Symbol, Wide},
    {0x4DBF, Kanji, Wide},
    {0x4DFF, Symbol, Wide},
    {0x9FFF, Kanji, Wide},
    {0xF8FF, Symbol, Wide},
    {0xFAFF, Kanji, Wide},
    {0xFDFF, Symbol, Wide},
    {0xFE0F, Mark, Wide}, // variation selectors
    {0xFE1F, Symbol, Wide},
    {0xFE2F, Mark, Wide},
    {0xFF0F, Symbol, Wide},
    {0xFF19, FullWidthLatin, Wide},
    {0xFF20, Symbol, Wide},
    {0xFF3A, FullWidthLatin, Wide},
    {0xFF40, Symbol, Wide},
    {0xFF5A, FullWidthLatin, Wide},
    {0xFF60, Symbol, Wide},
    {0xFF65, Symbol, HalfWidth}, // half-width punctuation
    {0xFF9F, Katakana, HalfWidth},
    {0xFFFF, Symbol, Wide},
    {0xE00FF, Kanji, Wide},
    {0xE01EF, Mark, Wide}, // ideographic variation selectors
    {0x10FFFF, Kanji, Wide},
};

const Range& rangeOf(char32_t c) {
    static constexpr Range kNone{0xFFFFFFFF, Symbol, Wide};
    const auto* range = std::lower_bound(std::begin(kRanges), std::end(kRanges), c,
                                         [](const Range& r, char32_t v) { return r.last < v; });
    return range == std::end(kRanges) ? kNone : *range;
}

} // namespace

WordClass wordClass(char32_t c) {
    return rangeOf(c).word;
}

WidthClass widthClass(char32_t c) {
    return rangeOf(c).width;
}

bool sameWord(char32_t a, char32_t b) {
    const WordClass kind = wordClass(a);
    return kind == wordClass(b) && (kind != Symbol || a == b);
}

} // namespace quorvane::window
