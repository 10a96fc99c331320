#pragma once

#include <cstdint>

// 16-bit counter arithmetic that fails with ErrorCode::Overflow instead of
// wrapping.
namespace quorvane::tag {

std::int16_t CheckedAdd16(std::int16_t a, std::int16_t b);
std::int16_t CheckedSub16(std::int16_t a, std::int16_t b);

} // namespace quorvane::tag
