#pragma once

#include <cstddef>
#include <string_view>

// The one walker over the UTF-8 text of the output box. A character starts at
// every byte that is not a continuation byte (10xxxxxx) and takes the
// continuation bytes after it; one whose bytes do not form a single
// well-formed sequence reads as U+FFFD. Continuation bytes at the very start
// of a text belong to no character: they take no UTF-16 unit.
namespace quorvane::window::utf8 {

inline bool isContinuation(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

// Where the character after the one at `pos` starts; `pos` < text.size().
inline std::size_t next(std::string_view text, std::size_t pos) {
    do {
        ++pos;
    } while (pos < text.size() && isContinuation(text[pos]));
    return pos;
}

// Where the character before `pos` starts; `pos` > 0.
inline std::size_t previous(std::string_view text, std::size_t pos) {
    do {
        --pos;
    } while (pos > 0 && isContinuation(text[pos]));
    return pos;
}

// The start of the character that holds byte `pos`; the text's end beyond it.
std::size_t characterStart(std::string_view text, std::size_t pos);

// The code point of the character that starts at `pos`.
char32_t decode(std::string_view text, std::size_t pos);

// UTF-16 units of the characters that start in `bytes`: one each, two for a
// lead byte of four-byte form (F0 and above), whatever follows it.
std::size_t utf16Units(std::string_view bytes);
// The same, a byte at a time: the plain twin the vector path is tested with.
std::size_t utf16UnitsPlain(std::string_view bytes);

// utf16Units(text), or std::length_error when that is more than `limit`: a
// face's string type holds only so many units.
std::size_t utf16Length(std::string_view text, std::size_t limit);

// The bytes that the first `units` UTF-16 units of `text` take, rounded down
// to a character start.
std::size_t bytesForUnits(std::string_view text, std::size_t units);

// Writes the characters of `text` as UTF-16: exactly utf16Units(text) units,
// U+FFFD for each unit of a character that does not decode.
void writeUtf16(std::string_view text, char16_t* out);

} // namespace quorvane::window::utf8
