#pragma once

#include <cstdint>

// 16-bit counter arithmetic that fails with ErrorCode::Overflow instead of
// wrapping. Inline: the builder steps a counter for every cell.
namespace quorvane::tag {

[[noreturn]] void ThrowOverflow16();

inline std::int16_t CheckedNarrow16(long long value) {
    if (value < INT16_MIN || value > INT16_MAX) {
        ThrowOverflow16();
    }
    return static_cast<std::int16_t>(value);
}

inline std::int16_t CheckedAdd16(std::int16_t a, std::int16_t b) {
#if defined(__GNUC__)
    std::int16_t result;
    if (__builtin_add_overflow(a, b, &result)) {
        ThrowOverflow16();
    }
    return result;
#else
    return CheckedNarrow16(static_cast<long long>(a) + b);
#endif
}

inline std::int16_t CheckedSub16(std::int16_t a, std::int16_t b) {
#if defined(__GNUC__)
    std::int16_t result;
    if (__builtin_sub_overflow(a, b, &result)) {
        ThrowOverflow16();
    }
    return result;
#else
    return CheckedNarrow16(static_cast<long long>(a) - b);
#endif
}

} // namespace quorvane::tag
