#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// The scans behind the reader and the decoder, sixteen bytes at a time: most
// of a table is ASCII (tags, numbers, Latin words), so finding where it ends,
// finding the next delimiter and copying dominate the conversion. SSE2 is
// always there on x86-64; other machines take the plain versions, which the
// tests hold the SSE2 ones to.
namespace quorvane::tag {

// What the 64 bytes at a place hold, a bit for each byte.
struct Classes final {
    // Field ends, as FieldEnds gives them.
    std::uint64_t ends;
    // The delimiter, CR or LF: the next byte starts a field.
    std::uint64_t breaks;
    std::uint64_t quotes;
};

namespace plain {

// Number of ASCII bytes (below 0x80) at the start of [in, in + size).
inline std::size_t AsciiPrefix(const unsigned char* in, std::size_t size) {
    std::size_t i = 0;
    while (i < size && in[i] < 0x80) {
        ++i;
    }
    return i;
}

// Index of the first byte in [from, to) that is the delimiter, CR or LF;
// `to` when there is none. `delimiters` holds sixteen copies of the
// delimiter.
inline std::size_t FindDelimiter(const unsigned char* p, std::size_t from, std::size_t to,
                                 const unsigned char* delimiters) {
    while (from < to && p[from] != delimiters[0] && p[from] != '\r' && p[from] != '\n') {
        ++from;
    }
    return from;
}

// Bit k set when byte k of the 64 at `p` ends a field: the delimiter, a CR,
// or a LF that does not follow a CR (`crBefore` tells whether the byte
// before the first is one), for a CR LF is one line end.
inline std::uint64_t FieldEnds(const unsigned char* p, unsigned char delimiter, bool crBefore) {
    std::uint64_t ends = 0;
    bool cr = crBefore;
    for (unsigned k = 0; k < 64; ++k) {
        const bool end = p[k] == delimiter || p[k] == '\r' || (p[k] == '\n' && !cr);
        ends |= std::uint64_t{end} << k;
        cr = p[k] == '\r';
    }
    return ends;
}

// Bit k set when byte k of the 64 at `p` is the delimiter, a CR or a LF.
inline std::uint64_t Breaks(const unsigned char* p, unsigned char delimiter) {
    std::uint64_t breaks = 0;
    for (unsigned k = 0; k < 64; ++k) {
        breaks |= std::uint64_t{p[k] == delimiter || p[k] == '\r' || p[k] == '\n'} << k;
    }
    return breaks;
}

// Bit k set when byte k of the 64 at `p` is `byte`.
inline std::uint64_t Matches(const unsigned char* p, unsigned char byte) {
    std::uint64_t matches = 0;
    for (unsigned k = 0; k < 64; ++k) {
        matches |= std::uint64_t{p[k] == byte} << k;
    }
    return matches;
}

inline Classes Classify(const unsigned char* p, unsigned char delimiter, bool crBefore) {
    return {FieldEnds(p, delimiter, crBefore), Breaks(p, delimiter), Matches(p, '"')};
}

// Copies `size` bytes to memory that another thread reads next.
inline void StreamCopy(char* to, const char* from, std::size_t size) {
    std::memcpy(to, from, size);
}

// Orders the stream copies before what follows (handing the bytes over).
inline void StreamFence() {}

// Index of the first `byte` in [from, to); `to` when there is none.
inline std::size_t FindByte(const unsigned char* p, std::size_t from, std::size_t to,
                            unsigned char byte) {
    while (from < to && p[from] != byte) {
        ++from;
    }
    return from;
}

} // namespace plain

#if defined(__SSE2__)
namespace sse2 {

inline std::size_t AsciiPrefix(const unsigned char* in, std::size_t size) {
    std::size_t i = 0;
    for (; i + 16 <= size; i += 16) {
        const auto high = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i))));
        if (high != 0) {
            return i + static_cast<std::size_t>(__builtin_ctz(high));
        }
    }
    return i + plain::AsciiPrefix(in + i, size - i);
}

// Index of the first byte in [from, to) whose bit `hits` sets in the mask
// it makes of a block; `to` when there is none. Reads whole blocks of
// sixteen, up to fifteen bytes past `to`.
template <typename Hits>
inline std::size_t FindFirst(const unsigned char* p, std::size_t from, std::size_t to, Hits hits) {
    for (; from < to; from += 16) {
        auto mask = static_cast<unsigned>(
            _mm_movemask_epi8(hits(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + from)))));
        if (to - from < 16) {
            mask &= (1u << (to - from)) - 1;
        }
        if (mask != 0) {
            return from + static_cast<std::size_t>(__builtin_ctz(mask));
        }
    }
    return to;
}

inline std::size_t FindDelimiter(const unsigned char* p, std::size_t from, std::size_t to,
                                 const unsigned char* delimiters) {
    const __m128i delimiter = _mm_loadu_si128(reinterpret_cast<const __m128i*>(delimiters));
    return FindFirst(p, from, to, [&](__m128i bytes) {
        return _mm_or_si128(_mm_cmpeq_epi8(bytes, delimiter),
                            _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('\r')),
                                         _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\n'))));
    });
}

// The three masks from one pass over the 64 bytes.
inline Classes Classify(const unsigned char* p, unsigned char delimiter, bool crBefore) {
    const __m128i d = _mm_set1_epi8(static_cast<char>(delimiter));
    __m128i crLast = _mm_slli_si128(_mm_cvtsi32_si128(crBefore ? 0xFF : 0), 15);
    Classes classes{0, 0, 0};
    for (unsigned k = 0; k < 4; ++k) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k));
        const __m128i cr = _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\r'));
        const __m128i lf = _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\n'));
        const __m128i crBeforeEach =
            _mm_or_si128(_mm_slli_si128(cr, 1), _mm_srli_si128(crLast, 15));
        const __m128i ends = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bytes, d), cr),
                                          _mm_andnot_si128(crBeforeEach, lf));
        const __m128i breaks = _mm_or_si128(ends, lf);
        const __m128i quotes = _mm_cmpeq_epi8(bytes, _mm_set1_epi8('"'));
        const auto bits = [k](__m128i mask) {
            return std::uint64_t{static_cast<unsigned>(_mm_movemask_epi8(mask))} << 16 * k;
        };
        classes.ends |= bits(ends);
        classes.breaks |= bits(breaks);
        classes.quotes |= bits(quotes);
        crLast = cr;
    }
    return classes;
}

// Past the cache: the aligned middle with streaming stores, which neither
// read the lines first nor keep them here.
inline void StreamCopy(char* to, const char* from, std::size_t size) {
    const std::size_t head = std::min(size, (16 - reinterpret_cast<std::uintptr_t>(to) % 16) % 16);
    std::memcpy(to, from, head);
    std::size_t at = head;
    for (; at + 16 <= size; at += 16) {
        _mm_stream_si128(reinterpret_cast<__m128i*>(to + at),
                         _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + at)));
    }
    std::memcpy(to + at, from + at, size - at);
}

inline void StreamFence() {
    _mm_sfence();
}

inline std::size_t FindByte(const unsigned char* p, std::size_t from, std::size_t to,
                            unsigned char byte) {
    const __m128i wanted = _mm_set1_epi8(static_cast<char>(byte));
    return FindFirst(p, from, to, [&](__m128i bytes) { return _mm_cmpeq_epi8(bytes, wanted); });
}

} // namespace sse2
namespace fast = sse2;
#else
namespace fast = plain;
#endif

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
