#pragma once

#include "byte_scan.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

// Code page 932 to UTF-8 through a table of 65536 codes indexed by a byte
// and the byte after it. The plain decoder walks the text a character at a
// time; the SSE2 one finds where every character of a block of 64 bytes
// starts first, so that the table lookups of a block no longer wait on each
// other, and copies blocks of ASCII whole. The tests hold the SSE2 decoder
// and its character starts to the plain ones.
namespace quorvane::tag {

// One table entry, indexed by a byte and the byte after it (first | next
// << 8): the UTF-8 bytes of a code, stored with one four-byte copy, and how
// many output and input bytes it stands for.
struct Cp932Code final {
    char bytes[3];
    std::uint8_t lengths; // output bytes << 6 | input bytes << 4

    std::size_t Output() const { return lengths >> 6; }
    std::size_t Input() const { return lengths >> 4 & 3u; }
};

namespace plain {

inline bool IsCp932Lead(unsigned b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

inline bool IsCp932Trail(unsigned b) {
    return b >= 0x40 && b <= 0xFC && b != 0x7F;
}

// Bit k set when byte k of the 64 at `in` starts a character, the first
// one starting one when `startIn`; `startOut` tells the same of in[64],
// which must be readable.
inline std::uint64_t Cp932Starts(const unsigned char* in, bool startIn, bool& startOut) {
    std::uint64_t starts = 0;
    std::size_t k = startIn ? 0 : 1;
    while (k < 64) {
        starts |= std::uint64_t{1} << k;
        k += IsCp932Lead(in[k]) && IsCp932Trail(in[k + 1]) ? 2 : 1;
    }
    startOut = k == 64;
    return starts;
}

// Decodes [in, in + size) into `out`, which has room for three bytes per
// input byte and four more. Without `flush` a lead byte at the end is left
// for the next call. Returns the bytes consumed and sets `produced`.
inline std::size_t DecodeCp932(const unsigned char* in, std::size_t size, bool flush,
                               const Cp932Code* codes, char* out, std::size_t& produced) {
    std::size_t i = 0;
    std::size_t o = 0;
    while (i + 1 < size) {
        const Cp932Code& code = codes[in[i] | in[i + 1] << 8];
        std::memcpy(out + o, &code, 4);
        o += code.Output();
        i += code.Input();
    }
    if (i < size && (flush || !IsCp932Lead(in[i]))) {
        const Cp932Code& code = codes[in[i]];
        std::memcpy(out + o, &code, 4);
        o += code.Output();
        ++i;
    }
    produced = o;
    return i;
}

} // namespace plain

#if defined(__SSE2__)
namespace sse2 {

// Bits of the sixteen bytes at `in` that are lead bytes and trail bytes,
// compared as signed bytes after flipping the top bit.
inline void Cp932Kinds(const unsigned char* in, unsigned& lead, unsigned& trail) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
    const __m128i s = _mm_xor_si128(bytes, _mm_set1_epi8(-128));
    const auto above = [&](int low) { return _mm_cmpgt_epi8(s, _mm_set1_epi8(low)); };
    const auto below = [&](int high) { return _mm_cmplt_epi8(s, _mm_set1_epi8(high)); };
    // 0x81-0x9F and 0xE0-0xFC; 0x40-0xFC without 0x7F.
    const __m128i leads = _mm_or_si128(_mm_and_si128(above(0x00), below(0x20)),
                                       _mm_and_si128(above(0x5F), below(0x7D)));
    const __m128i trails = _mm_andnot_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(0x7F)),
                                            _mm_and_si128(above(-0x41), below(0x7D)));
    lead = static_cast<unsigned>(_mm_movemask_epi8(leads));
    trail = static_cast<unsigned>(_mm_movemask_epi8(trails));
}

// As plain::Cp932Starts, from masks. A pair may start at a lead byte with a
// trail byte after it; in a run of such places the pairs start at the run's
// first place and every second one after it, since the place after any
// other byte starts a character. The runs that start on an even place are
// the ones an addition of their first bits clears.
inline std::uint64_t Cp932Starts(const unsigned char* in, bool startIn, bool& startOut) {
    std::uint64_t lead = 0;
    std::uint64_t trail = 0;
    for (int k = 0; k < 4; ++k) {
        unsigned l = 0;
        unsigned t = 0;
        Cp932Kinds(in + 16 * k, l, t);
        lead |= std::uint64_t{l} << 16 * k;
        trail |= std::uint64_t{t} << 16 * k;
    }
    const std::uint64_t nextTrail = plain::IsCp932Trail(in[64]) ? 1 : 0;
    const std::uint64_t inside = startIn ? ~std::uint64_t{0} : ~std::uint64_t{1};
    const std::uint64_t pairable = lead & (trail >> 1 | nextTrail << 63) & inside;
    constexpr std::uint64_t kEven = 0x5555555555555555;
    const std::uint64_t runStarts = pairable & ~(pairable << 1);
    const std::uint64_t evenRuns = pairable & ~(pairable + (runStarts & kEven));
    const std::uint64_t pairs = (evenRuns & kEven) | (pairable & ~evenRuns & ~kEven);
    startOut = (pairs >> 63) == 0;
    return ~(pairs << 1) & inside;
}

// As plain::DecodeCp932: blocks of 64 while a byte after the block is
// there, then the plain decoder.
inline std::size_t DecodeCp932(const unsigned char* in, std::size_t size, bool flush,
                               const Cp932Code* codes, char* out, std::size_t& produced) {
    std::size_t i = 0;
    std::size_t o = 0;
    bool start = true;
    for (; i + 64 < size; i += 64) {
        if (start && AsciiPrefix(in + i, 64) == 64) {
            std::memcpy(out + o, in + i, 64);
            o += 64;
            continue;
        }
        const unsigned char* block = in + i;
        for (std::uint64_t starts = Cp932Starts(block, start, start); starts != 0;
             starts &= starts - 1) {
            // Little endian: the two bytes loaded as one word are the index,
            // and the output length is the top two bits of the code.
            std::uint16_t pair = 0;
            std::memcpy(&pair, block + static_cast<std::uint32_t>(__builtin_ctzll(starts)), 2);
            std::uint32_t code = 0;
            std::memcpy(&code, codes + pair, 4);
            std::memcpy(out + o, &code, 4);
            o += code >> 30;
        }
    }
    // The trail byte of a pair that started the block before is decoded.
    i += start ? 0 : 1;
    std::size_t tail = 0;
    const std::size_t used = plain::DecodeCp932(in + i, size - i, flush, codes, out + o, tail);
    produced = o + tail;
    return i + used;
}

} // namespace sse2
#endif

} // namespace quorvane::tag
