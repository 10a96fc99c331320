#include "quorvane/tag/checked16.h"

#include "quorvane/tag/tag_error.h"

namespace quorvane::tag {

std::int16_t CheckedAdd16(std::int16_t a, std::int16_t b) {
    std::int16_t result;
    if (__builtin_add_overflow(a, b, &result)) {
        throw TagError(ErrorCode::Overflow, "16-bit counter overflow");
    }
    return result;
}

std::int16_t CheckedSub16(std::int16_t a, std::int16_t b) {
    std::int16_t result;
    if (__builtin_sub_overflow(a, b, &result)) {
        throw TagError(ErrorCode::Overflow, "16-bit counter overflow");
    }
    return result;
}

} // namespace quorvane::tag
