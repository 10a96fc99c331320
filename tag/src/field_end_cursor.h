#pragma once

#include "byte_scan.h"

#include <cstddef>
#include <cstdint>

namespace quorvane::tag {

// The places in a buffer where fields end (fast::FieldEnds), walked in
// order, and the double quotes. They are found for 64 bytes at a time, so
// that finding the next end waits on no byte of the field before it: the
// reader's loop over short fields is no longer a chain of loads.
class FieldEndCursor final {
public:
    // Ends and quotes at `limit` and after are not seen; `bytes` must be
    // readable up to 63 bytes past `limit`.
    FieldEndCursor(const unsigned char* bytes, std::size_t limit, unsigned char delimiter)
        : m_bytes(bytes)
        , m_limit(limit)
        , m_delimiter(delimiter) {}

    // The first end at or after `from`, which starts a field or follows a
    // closing quote, so is no LF of a CR LF; `limit` when there is none
    // before it. Never before the end found last.
    std::size_t From(std::size_t from) {
        if (from >= m_limit) {
            return m_limit;
        }
        if (from - m_base < 64) {
            m_ends &= Above(from);
        } else {
            Load(from, false);
        }
        return Found();
    }

    // The end after the one found last.
    std::size_t Next() {
        m_ends &= m_ends - 1;
        return Found();
    }

    // The first quote at or after `from`; `limit` when there is none before
    // it.
    std::size_t Quote(std::size_t from) const {
        if (from - m_base < 64) {
            const std::uint64_t quotes = m_quotes & Above(from);
            if (quotes != 0) {
                return m_base + static_cast<std::size_t>(__builtin_ctzll(quotes));
            }
            from = m_base + 64;
        }
        return from < m_limit ? fast::FindByte(m_bytes, from, m_limit, '"') : m_limit;
    }

private:
    // The bits of the block from `from` on.
    std::uint64_t Above(std::size_t from) const { return ~std::uint64_t{0} << (from - m_base); }

    std::size_t Found() {
        while (m_ends == 0) {
            if (m_limit - m_base <= 64) {
                return m_limit;
            }
            Load(m_base + 64, m_bytes[m_base + 63] == '\r');
        }
        return m_base + static_cast<std::size_t>(__builtin_ctzll(m_ends));
    }

    // Out of line: the walk over a block's ends stays small, with its
    // values in registers.
    [[gnu::noinline]] void Load(std::size_t base, bool crBefore) {
        m_base = base;
        m_ends = fast::FieldEnds(m_bytes + base, m_delimiter, crBefore);
        m_quotes = fast::Matches(m_bytes + base, '"');
        if (m_limit - base < 64) {
            const std::uint64_t seen = (std::uint64_t{1} << (m_limit - base)) - 1;
            m_ends &= seen;
            m_quotes &= seen;
        }
    }

    const unsigned char* m_bytes;
    std::size_t m_limit;
    unsigned char m_delimiter;
    // The block of 64 from m_base: the ends not yet walked, and its quotes.
    std::size_t m_base = SIZE_MAX - 64;
    std::uint64_t m_ends = 0;
    std::uint64_t m_quotes = 0;
};

} // namespace quorvane::tag
