#pragma once

#include <vector>

namespace quorvane::tag {

// The system converter's view of code page 932, as UTF-16: 65536 entries,
// entry b for single byte b, entry (lead << 8 | trail) for a two-byte code;
// kNoCharacter (0xFFFF) where the bytes are not a defined character (lead
// bytes on their own included).
inline constexpr char16_t kNoCharacter = 0xFFFF;
std::vector<char16_t> LoadSystemCp932();

} // namespace quorvane::tag
