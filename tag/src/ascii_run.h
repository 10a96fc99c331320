#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// Sixteen bytes at a time over ASCII text: most of a table is ASCII (tags,
// numbers, Latin words), so finding where it ends and moving it between bytes
// and UTF-16 dominates the conversion. SSE2 is always there on x86-64; other
// machines take the plain loops.
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

// Widens `size` bytes to UTF-16 units, each byte standing for itself.
inline void WidenBytes(const unsigned char* in, std::size_t size, char16_t* out) {
    std::size_t i = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    for (; i + 16 <= size; i += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_unpacklo_epi8(bytes, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i + 8), _mm_unpackhi_epi8(bytes, zero));
    }
    if (i + 8 <= size) {
        const __m128i bytes = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(in + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_unpacklo_epi8(bytes, zero));
        i += 8;
    }
#endif
    for (; i < size; ++i) {
        out[i] = in[i];
    }
}

// Narrows the ASCII units (below 0x80) at the start of [in, in + size) to
// bytes; returns how many it narrowed.
inline std::size_t NarrowAsciiPrefix(const char16_t* in, std::size_t size, char* out) {
    std::size_t i = 0;
#if defined(__SSE2__)
    const __m128i nonAscii = _mm_set1_epi16(static_cast<short>(0xFF80));
    for (; i + 16 <= size; i += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i + 8));
        const __m128i high = _mm_and_si128(_mm_or_si128(a, b), nonAscii);
        if (_mm_movemask_epi8(_mm_cmpeq_epi16(high, _mm_setzero_si128())) != 0xFFFF) {
            break;
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(a, b));
    }
    // Tags and numbers come in runs of about ten: one more step of eight.
    if (i + 8 <= size) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
        if (_mm_movemask_epi8(_mm_cmpeq_epi16(_mm_and_si128(a, nonAscii), _mm_setzero_si128())) ==
            0xFFFF) {
            _mm_storel_epi64(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(a, a));
            i += 8;
        }
    }
#endif
    while (i < size && in[i] < 0x80) {
        out[i] = static_cast<char>(in[i]);
        ++i;
    }
    return i;
}

} // namespace quorvane::tag
