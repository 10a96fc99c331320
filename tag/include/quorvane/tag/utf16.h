#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The one conversion between UTF-8, the text of the core and the windows,
// and UTF-16, the text of the Windows API. Nothing that does not decode
// stops it: an ill-formed UTF-8 sequence becomes U+FFFD as the reader makes
// of it in a file, and so does an unpaired surrogate.
namespace quorvane::tag {

std::u16string Utf16FromUtf8(std::string_view utf8);
std::string Utf8FromUtf16(std::u16string_view utf16);

// Writes the UTF-16 units of the scalar value `c` to `out`, which has room
// for two; returns how many.
inline std::size_t EncodeUtf16(char32_t c, char16_t* out) {
    if (c < 0x10000) {
        out[0] = static_cast<char16_t>(c);
        return 1;
    }
    c -= 0x10000;
    out[0] = static_cast<char16_t>(0xD800 + (c >> 10));
    out[1] = static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    return 2;
}

#ifdef _WIN32
// The same for the Windows API's wide strings, whose units are UTF-16.
std::wstring WideFromUtf8(std::string_view utf8);
std::string Utf8FromWide(std::wstring_view wide);
#endif

} // namespace quorvane::tag
