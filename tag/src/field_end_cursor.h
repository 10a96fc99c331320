#pragma once

#include "byte_scan.h"

#include <cstddef>
#include <cstdint>

namespace quorvane::tag {

// The places in a buffer where fields end, quoted fields taken whole, walked
// in order from a field's start. They are found for 64 bytes at a time, so
// that finding the next end waits on no byte of the field before it: the
// reader's loop over short fields is no longer a chain of loads.
//
// The quotes of a block are paired by their running parity: a quote that
// opens must start a field (follow a delimiter or a line end), and the one
// that closes must be followed by a field's end. A field then ends at the
// first end outside the quotes, and a quoted one's text lies between its
// first and last byte. The walk stops before the first quote that is not
// at a field's edge (a doubled quote, a quote inside an unquoted field, text
// after a closing one): from that field on the reader goes by its rules.
class FieldEndCursor final {
public:
    // Ends at `limit` and after are not seen; `bytes` must be readable up to
    // 64 bytes past `limit`.
    FieldEndCursor(const unsigned char* bytes, std::size_t limit, unsigned char delimiter)
        : m_bytes(bytes)
        , m_limit(limit)
        , m_delimiter(delimiter) {}

    // The end of the field that starts at `from`; `limit` when the walk
    // stops first.
    std::size_t From(std::size_t from) {
        if (from >= m_limit) {
            return m_limit;
        }
        m_stopped = false;
        Load(from, Block{false, true, false});
        return Found();
    }

    // The end after the one found last.
    std::size_t Next() {
        m_ends &= m_ends - 1;
        return Found();
    }

private:
    // What the byte before a block tells about its start: a CR, a field's
    // end (so the first byte starts a field), the inside of quotes.
    struct Block final {
        bool crBefore;
        bool startsField;
        bool quoted;
    };

    std::size_t Found() {
        while (m_ends == 0) {
            if (m_stopped || m_limit - m_base <= 64) {
                return m_limit;
            }
            const unsigned char before = m_bytes[m_base + 63];
            Load(m_base + 64, Block{before == '\r', IsBreak(before), m_quoted});
        }
        return m_base + static_cast<std::size_t>(__builtin_ctzll(m_ends));
    }

    bool IsBreak(unsigned char b) const { return b == m_delimiter || b == '\r' || b == '\n'; }

    // Bit k set when an odd number of bits up to k, inclusive, are set.
    static std::uint64_t Parity(std::uint64_t x) {
        for (unsigned shift = 1; shift < 64; shift *= 2) {
            x ^= x << shift;
        }
        return x;
    }

    // Out of line: the walk over a block's ends stays small, with its
    // values in registers.
    [[gnu::noinline]] void Load(std::size_t base, Block block) {
        m_base = base;
        const unsigned char* p = m_bytes + base;
        const Classes classes = fast::Classify(p, m_delimiter, block.crBefore);
        std::uint64_t ends = classes.ends;
        std::uint64_t quotes = classes.quotes;
        const std::uint64_t starts = classes.breaks << 1 | block.startsField;
        if (m_limit - base < 64) {
            const std::uint64_t seen = (std::uint64_t{1} << (m_limit - base)) - 1;
            ends &= seen;
            quotes &= seen;
        }
        // A closing quote at the block's last byte is followed by the next
        // block's first, which may be past the limit and then ends nothing.
        const std::uint64_t endNext = ends >> 1 | std::uint64_t{IsBreak(p[64])} << 63;
        const std::uint64_t quoted = Parity(quotes) ^ (block.quoted ? ~std::uint64_t{0} : 0);
        const std::uint64_t stray = (quotes & quoted & ~starts) | (quotes & ~quoted & ~endNext);
        m_ends = ends & ~quoted;
        if (stray != 0) {
            m_ends &= (std::uint64_t{1} << __builtin_ctzll(stray)) - 1;
            m_stopped = true;
        }
        m_quoted = (quoted >> 63) != 0;
    }

    const unsigned char* m_bytes;
    std::size_t m_limit;
    unsigned char m_delimiter;
    // The block of 64 from m_base: its ends not yet walked, whether its last
    // byte lies inside quotes, and whether the walk stops in it.
    std::size_t m_base = 0;
    std::uint64_t m_ends = 0;
    bool m_quoted = false;
    bool m_stopped = false;
};

} // namespace quorvane::tag
