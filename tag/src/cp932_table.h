#pragma once

#include <array>
#include <cstdint>

// Code page 932 as Windows decodes it, taken once from ICU's windows-31j
// converter: every single byte from 0x80 up and every lead/trail pair. Bytes
// below 0x80 are ASCII and never looked up (ICU swaps 0x1A, 0x1C and 0x7F).
namespace quorvane::tag {

class Cp932Table final {
public:
    static const Cp932Table& Instance();

    static bool IsLead(unsigned char b) {
        return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    }
    static bool IsTrail(unsigned char b) { return b >= 0x40 && b <= 0xFC && b != 0x7F; }

    // U+FFFD when the byte or pair is not defined.
    char16_t Single(unsigned char b) const { return m_single[b]; }
    char16_t Pair(unsigned char lead, unsigned char trail) const {
        return m_pair[(lead << 8) | trail];
    }

private:
    Cp932Table();

    std::array<char16_t, 256> m_single{};
    std::array<char16_t, 65536> m_pair{};
};

} // namespace quorvane::tag
