#include "quorvane/tag/utf16.h"

#include "text_decoder.h"
#include "utf16_units.h"
#include "utf8_encode.h"

namespace quorvane::tag {
namespace {

// The code point of the well-formed UTF-8 sequence at `at`, which moves past it.
char32_t DecodeValid(std::string_view text, std::size_t& at) {
    const auto lead = static_cast<unsigned char>(text[at++]);
    if (lead < 0x80) {
        return lead;
    }
    const int more = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : 1;
    char32_t c = lead & (0x3F >> more);
    for (int i = 0; i < more; ++i) {
        c = c << 6 | (static_cast<unsigned char>(text[at++]) & 0x3F);
    }
    return c;
}

template <class Unit> std::basic_string<Unit> ToUtf16(std::string_view utf8) {
    static_assert(sizeof(Unit) == sizeof(char16_t));
    const std::string valid = TextDecoder::ValidUtf8(utf8);
    std::basic_string<Unit> out;
    out.reserve(valid.size());
    for (std::size_t at = 0; at < valid.size();) {
        char16_t units[2];
        const std::size_t count = EncodeUtf16(DecodeValid(valid, at), units);
        out.append(units, units + count);
    }
    return out;
}

template <class Unit> std::string ToUtf8(std::basic_string_view<Unit> utf16) {
    static_assert(sizeof(Unit) == sizeof(char16_t));
    std::string out;
    out.reserve(utf16.size());
    const auto put = [&out](char32_t c) {
        char bytes[4];
        out.append(bytes, EncodeUtf8(c, bytes));
    };
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        const auto u = static_cast<char16_t>(utf16[i]);
        if (IsHighSurrogate(u) && i + 1 < utf16.size() &&
            IsLowSurrogate(static_cast<char16_t>(utf16[i + 1]))) {
            put(JoinSurrogates(u, static_cast<char16_t>(utf16[++i])));
        } else {
            put(IsHighSurrogate(u) || IsLowSurrogate(u) ? kReplacementCharacter : u);
        }
    }
    return out;
}

} // namespace

std::u16string Utf16FromUtf8(std::string_view utf8) {
    return ToUtf16<char16_t>(utf8);
}

std::string Utf8FromUtf16(std::u16string_view utf16) {
    return ToUtf8(utf16);
}

#ifdef _WIN32
std::wstring WideFromUtf8(std::string_view utf8) {
    return ToUtf16<wchar_t>(utf8);
}

std::string Utf8FromWide(std::wstring_view wide) {
    return ToUtf8(wide);
}
#endif

} // namespace quorvane::tag
