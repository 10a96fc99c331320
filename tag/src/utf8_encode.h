#pragma once

#include <cstddef>

namespace quorvane::tag {

// Writes the UTF-8 bytes of the Unicode scalar value `c` to `out`, which has
// room for them (three below U+10000, four above); returns how many.
inline std::size_t EncodeUtf8(char32_t c, char* out) {
    if (c < 0x80) {
        out[0] = static_cast<char>(c);
        return 1;
    }
    if (c < 0x800) {
        out[0] = static_cast<char>(0xC0 | (c >> 6));
        out[1] = static_cast<char>(0x80 | (c & 0x3F));
        return 2;
    }
    if (c < 0x10000) {
        out[0] = static_cast<char>(0xE0 | (c >> 12));
        out[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out[2] = static_cast<char>(0x80 | (c & 0x3F));
        return 3;
    }
    out[0] = static_cast<char>(0xF0 | (c >> 18));
    out[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out[3] = static_cast<char>(0x80 | (c & 0x3F));
    return 4;
}

// The code point of the well-formed UTF-8 character at `p`; sets `length` to
// its bytes.
inline char32_t DecodeUtf8(const unsigned char* p, std::size_t& length) {
    if (p[0] < 0x80) {
        length = 1;
        return p[0];
    }
    if (p[0] < 0xE0) {
        length = 2;
        return (p[0] & 0x1Fu) << 6 | (p[1] & 0x3Fu);
    }
    if (p[0] < 0xF0) {
        length = 3;
        return (p[0] & 0x0Fu) << 12 | (p[1] & 0x3Fu) << 6 | (p[2] & 0x3Fu);
    }
    length = 4;
    return (p[0] & 0x07u) << 18 | (p[1] & 0x3Fu) << 12 | (p[2] & 0x3Fu) << 6 | (p[3] & 0x3Fu);
}

} // namespace quorvane::tag
