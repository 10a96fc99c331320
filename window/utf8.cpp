#include "quorvane/window/utf8.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <stdexcept>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace quorvane::window::utf8 {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

struct Form {
    std::size_t length;
    char32_t lowest; // below it the sequence is overlong
};

// The length a lead byte promises and the least code point of that length.
Form formOf(unsigned char lead) {
    if (lead < 0x80) {
        return {1, 0};
    }
    if (lead >= 0xC0 && lead < 0xE0) {
        return {2, 0x80};
    }
    if (lead >= 0xE0 && lead < 0xF0) {
        return {3, 0x800};
    }
    if (lead >= 0xF0 && lead < 0xF8) {
        return {4, 0x10000};
    }
    return {0, 0};
}

// The code point of the character in `bytes`, U+FFFD when they are no
// single well-formed sequence.
char32_t decodeCharacter(std::string_view bytes) {
    const auto lead = static_cast<unsigned char>(bytes[0]);
    const Form form = formOf(lead);
    if (form.length != bytes.size()) {
        return kReplacement;
    }
    char32_t c = form.length == 1 ? lead : lead & (0x7F >> form.length);
    for (std::size_t i = 1; i < bytes.size(); ++i) {
        c = (c << 6) | (static_cast<unsigned char>(bytes[i]) & 0x3F);
    }
    const bool surrogate = c >= 0xD800 && c <= 0xDFFF;
    return c < form.lowest || surrogate || c > 0x10FFFF ? kReplacement : c;
}

// Eight ASCII bytes at `p`.
bool asciiBlock(const char* p) {
    std::uint64_t block = 0;
    std::memcpy(&block, p, sizeof block);
    return (block & 0x8080808080808080ULL) == 0;
}

} // namespace

std::size_t characterStart(std::string_view text, std::size_t pos) {
    if (pos >= text.size()) {
        return text.size();
    }
    while (pos > 0 && isContinuation(text[pos])) {
        --pos;
    }
    return pos;
}

char32_t decode(std::string_view text, std::size_t pos) {
    return decodeCharacter(text.substr(pos, next(text, pos) - pos));
}

std::size_t utf16UnitsPlain(std::string_view bytes) {
    std::size_t units = 0;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        units += static_cast<std::size_t>((byte & 0xC0) != 0x80) + (byte >= 0xF0);
    }
    return units;
}

// Sixteen bytes at a time: each byte's units (0, 1 or 2) summed by lanes.
std::size_t utf16Units(std::string_view bytes) {
    std::size_t i = 0;
    std::size_t units = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    __m128i sums = zero;
    for (; i + 16 <= bytes.size(); i += 16) {
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes.data() + i));
        // Not a continuation byte: above 0xBF as a signed byte. Four-byte
        // leads: 0xF0 and above, unsigned. Each test is 0 or -1.
        const __m128i lead = _mm_cmpgt_epi8(b, _mm_set1_epi8(-65));
        const __m128i four = _mm_cmpeq_epi8(_mm_max_epu8(b, _mm_set1_epi8(-16)), b);
        sums =
            _mm_add_epi64(sums, _mm_sad_epu8(_mm_sub_epi8(zero, _mm_add_epi8(lead, four)), zero));
    }
    units = static_cast<std::size_t>(_mm_cvtsi128_si64(sums)) +
            static_cast<std::size_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(sums, sums)));
#endif
    return units + utf16UnitsPlain(bytes.substr(i));
}

std::size_t utf16Length(std::string_view text, std::size_t limit) {
    const std::size_t units = utf16Units(text);
    if (units > limit) {
        throw std::length_error("text too long for UTF-16");
    }
    return units;
}

std::size_t bytesForUnits(std::string_view text, std::size_t units) {
    std::size_t seen = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        seen += utf16Units(text.substr(i, 1));
        if (seen > units) {
            return i;
        }
    }
    return text.size();
}

void writeUtf16(std::string_view text, char16_t* out) {
    std::size_t i = 0;
    while (i < text.size() && isContinuation(text[i])) {
        ++i;
    }
    while (i < text.size()) {
        // Runs of ASCII eight at a time, when no continuation byte follows.
        if (i + 9 <= text.size() && asciiBlock(text.data() + i) && !isContinuation(text[i + 8])) {
            out = std::copy(text.data() + i, text.data() + i + 8, out);
            i += 8;
            continue;
        }
        const std::size_t end = next(text, i);
        const char32_t c = decodeCharacter(text.substr(i, end - i));
        if (static_cast<unsigned char>(text[i]) < 0xF0) {
            *out++ = static_cast<char16_t>(c);
        } else if (c > 0xFFFF) {
            *out++ = static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            *out++ = static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            *out++ = static_cast<char16_t>(kReplacement);
            *out++ = static_cast<char16_t>(kReplacement);
        }
        i = end;
    }
}

} // namespace quorvane::window::utf8
