#pragma once

#include <cstddef>
#include <cstdint>

namespace quorvane::window {

// What a character is to word moves and double-clicks: a run of one class is
// one word, except that a symbol joins only the same symbol.
enum class WordClass : std::uint8_t {
    Space,  // space, tab, ideographic space
    Letter, // Latin, Greek and Cyrillic letters, digits, underscore
    Hiragana,
    Katakana,       // full and half width
    Kanji,          // ideographs, the iteration mark, characters beyond the basic plane
    FullWidthLatin, // full-width letters and digits
    Symbol,
    Mark, // combining marks and variation selectors: part of the character before
};

// How wide a character is drawn in the box's fixed-pitch face: a space is
// narrow, the ideographic space wide, a tab a class of its own. Characters
// beyond the basic plane take two wide advances, one per UTF-16 unit.
enum class WidthClass : std::uint8_t { Narrow, HalfWidth, Wide, Tab };
inline constexpr std::size_t kWidthClasses = 4;

WordClass wordClass(char32_t c);
WidthClass widthClass(char32_t c);

// Whether `a` and `b` belong to one word when they stand side by side.
bool sameWord(char32_t a, char32_t b);

} // namespace quorvane::window
