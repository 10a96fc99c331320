#pragma once

#include "ascii_run.h"

#include <algorithm>
#include <cstddef>

// UTF-16 to UTF-8 for the sinks that store UTF-8.
namespace quorvane::tag {

inline bool IsSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDFFF;
}

// Encodes units from `p` into `out` until the text ends, `out` reaches
// `limit` or a surrogate comes (left for the caller, which may have to pair
// it across pieces); returns where it stopped and advances `out`. Writes up
// to two bytes past `limit`.
inline const char16_t* EncodeUtf8(const char16_t* p, const char16_t* end, char*& out,
                                  const char* limit) {
    char* o = out;
    while (p < end && o < limit) {
        const char16_t c = *p;
        if (c < 0x80) {
            const auto room = static_cast<std::size_t>(limit - o);
            const std::size_t n =
                NarrowAsciiPrefix(p, std::min(static_cast<std::size_t>(end - p), room), o);
            p += n;
            o += n;
        } else if (c < 0x800) {
            *o++ = static_cast<char>(0xC0 | (c >> 6));
            *o++ = static_cast<char>(0x80 | (c & 0x3F));
            ++p;
        } else if (IsSurrogate(c)) {
            break;
        } else {
            // Japanese text: a run of three-byte characters in one tight loop.
            for (char16_t u; p < end && o < limit && (u = *p) >= 0x800 && !IsSurrogate(u); ++p) {
                o[0] = static_cast<char>(0xE0 | (u >> 12));
                o[1] = static_cast<char>(0x80 | ((u >> 6) & 0x3F));
                o[2] = static_cast<char>(0x80 | (u & 0x3F));
                o += 3;
            }
        }
    }
    out = o;
    return p;
}

} // namespace quorvane::tag
