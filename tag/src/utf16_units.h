#pragma once

// UTF-16 surrogates: a high one (D800-DBFF) and a low one (DC00-DFFF) after
// it make one character above U+FFFF.
namespace quorvane::tag {

inline constexpr char32_t kReplacementCharacter = 0xFFFD;

inline bool IsHighSurrogate(char16_t u) {
    return u >= 0xD800 && u <= 0xDBFF;
}

inline bool IsLowSurrogate(char16_t u) {
    return u >= 0xDC00 && u <= 0xDFFF;
}

inline char32_t JoinSurrogates(char16_t high, char16_t low) {
    return 0x10000 + ((static_cast<char32_t>(high) - 0xD800) << 10) + (low - 0xDC00);
}

} // namespace quorvane::tag
