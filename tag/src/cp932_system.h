#pragma once

#include <cstdint>
#include <vector>

namespace quorvane::tag {

// The system converter's view of code page 932, as UTF-16: 65536 entries,
// entry b for single byte b, entry (lead << 8 | trail) for a two-byte code;
// kNoCharacter (0xFFFF) where the bytes are not a defined character (lead
// bytes on their own included).
inline constexpr char16_t kNoCharacter = 0xFFFF;
std::vector<char16_t> LoadSystemCp932();

// The system converter's encoding of every UTF-16 unit into code page 932,
// without best-fit substitutes: 65536 entries, a single byte b as b, two
// bytes as (lead << 8 | trail); kNoCode where the code page has no such
// character (surrogates included).
inline constexpr std::uint16_t kNoCode = 0xFFFF;
std::vector<std::uint16_t> LoadSystemCp932Codes();

// The entry of LoadSystemCp932Codes for the `length` bytes a converter gave.
inline std::uint16_t PackedCode(const char* bytes, int length) {
    const auto first = static_cast<unsigned char>(bytes[0]);
    if (length == 1) {
        return first;
    }
    return length == 2
               ? static_cast<std::uint16_t>(first << 8 | static_cast<unsigned char>(bytes[1]))
               : kNoCode;
}

} // namespace quorvane::tag
