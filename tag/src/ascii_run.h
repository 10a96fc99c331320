#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// Sixteen bytes at a time over ASCII text: most of a table is ASCII (tags,
// numbers, Latin words), so finding where it ends and copying it dominates
// the conversion. SSE2 is always there on x86-64; other machines take the
// plain loops.
namespace quorvane::tag {

// Number of ASCII bytes (below 0x80) at the start of [in, in + size).
inline std::size_t AsciiPrefix(const unsigned char* in, std::size_t size) {
    std::size_t i = 0;
#if defined(__SSE2__)
    for (; i + 16 <= size; i += 16) {
        const auto high = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i))));
        if (high != 0) {
            return i + static_cast<std::size_t>(__builtin_ctz(high));
        }
    }
#endif
    while (i < size && in[i] < 0x80) {
        ++i;
    }
    return i;
}

// Copies `size` bytes. Pieces of the table are mostly a few bytes long:
// up to sixteen they are copied as two overlapping words, without a call.
inline void CopySmall(char* out, const char* in, std::size_t size) {
    if (size >= 8 && size <= 16) {
        std::uint64_t head;
        std::uint64_t tail;
        std::memcpy(&head, in, 8);
        std::memcpy(&tail, in + size - 8, 8);
        std::memcpy(out, &head, 8);
        std::memcpy(out + size - 8, &tail, 8);
    } else if (size >= 4 && size < 8) {
        std::uint32_t head;
        std::uint32_t tail;
        std::memcpy(&head, in, 4);
        std::memcpy(&tail, in + size - 4, 4);
        std::memcpy(out, &head, 4);
        std::memcpy(out + size - 4, &tail, 4);
    } else if (size < 4) {
        for (std::size_t i = 0; i < size; ++i) {
            out[i] = in[i];
        }
    } else {
        std::memcpy(out, in, size);
    }
}

} // namespace quorvane::tag
