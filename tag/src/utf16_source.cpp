#include "utf16_source.h"

#include "utf16_units.h"
#include "utf8_encode.h"

#include <algorithm>
#include <cstring>

namespace quorvane::tag {
namespace {

// UTF-16 bytes taken from the inner source at a time.
constexpr std::size_t kBlock = 64 << 10;

} // namespace

Utf16Source::Utf16Source(ByteSource& inner, bool bigEndian, const unsigned char* start,
                         std::size_t size, bool innerEnded)
    : m_inner(inner)
    , m_bigEndian(bigEndian)
    , m_innerEnded(innerEnded)
    , m_in(std::max(kBlock, size)) {
    std::memcpy(m_in.data(), start, size);
    m_inSize = size;
}

std::size_t Utf16Source::Read(unsigned char* into, std::size_t size) {
    while (m_outPos == m_out.size()) {
        if (!Fill()) {
            return 0;
        }
    }
    const std::size_t n = std::min(size, m_out.size() - m_outPos);
    std::memcpy(into, m_out.data() + m_outPos, n);
    m_outPos += n;
    return n;
}

// Transcodes the next block; false when nothing is left.
bool Utf16Source::Fill() {
    m_out.clear();
    m_outPos = 0;
    if (!m_innerEnded && m_inSize < m_in.size()) {
        const std::size_t n = m_inner.Read(m_in.data() + m_inSize, m_in.size() - m_inSize);
        m_innerEnded = n == 0;
        m_inSize += n;
    }
    Transcode(m_inSize / 2);
    if (m_innerEnded) {
        if (m_high != 0) {
            Put(kReplacementCharacter);
            m_high = 0;
        }
        if (m_inSize == 1) {
            Put(kReplacementCharacter);
            m_inSize = 0;
        }
    }
    return !m_out.empty() || !m_innerEnded;
}

void Utf16Source::Transcode(std::size_t units) {
    m_out.reserve(units * 3 + 4);
    const unsigned char* p = m_in.data();
    const unsigned hi = m_bigEndian ? 0 : 1;
    for (std::size_t i = 0; i < units; ++i, p += 2) {
        const auto u = static_cast<char16_t>(p[hi] << 8 | p[1 - hi]);
        if (m_high != 0) {
            if (IsLowSurrogate(u)) {
                Put(JoinSurrogates(m_high, u));
                m_high = 0;
                continue;
            }
            Put(kReplacementCharacter);
            m_high = 0;
        }
        if (IsHighSurrogate(u)) {
            m_high = u;
        } else {
            Put(IsLowSurrogate(u) ? kReplacementCharacter : u);
        }
    }
    const std::size_t used = units * 2;
    std::memmove(m_in.data(), m_in.data() + used, m_inSize - used);
    m_inSize -= used;
}

void Utf16Source::Put(char32_t c) {
    char bytes[4];
    m_out.append(bytes, EncodeUtf8(c, bytes));
}

} // namespace quorvane::tag
