#include "text_source.h"

#include "byte_scan.h"
#include "utf16_source.h"

#include <algorithm>
#include <cstring>

namespace quorvane::tag {
namespace {

// Bytes after the first non-ASCII byte that decide between UTF-8 and
// code page 932.
constexpr std::size_t kDecisionWindow = 64 << 10;
// Input bytes held: more than the window, for a small source too.
constexpr std::size_t kCapacity = 256 << 10;
constexpr std::size_t kSmallCapacity = kDecisionWindow + 64;
// Input bytes decoded at a time.
constexpr std::size_t kBlock = 256 << 10;
// The longest character in either encoding: with this many bytes at hand,
// decoding always gets on.
constexpr std::size_t kLongestCharacter = 4;

bool StartsWith(const unsigned char* bytes, std::size_t size, const char* mark, std::size_t n) {
    return size >= n && std::memcmp(bytes, mark, n) == 0;
}

} // namespace

TextSource::TextSource(ByteSource& input, Encoding encoding)
    : m_input(input)
    , m_requested(encoding)
    , m_encoding(encoding) {}

TextSource::~TextSource() = default;

void TextSource::Open() {
    m_capacity = m_input.Small() ? kSmallCapacity : kCapacity;
    m_bytes = MakeLarge<unsigned char>(m_capacity);
    while (!m_ended && m_size < 3) {
        ReadMore();
    }
    const bool le = StartsWith(m_bytes.get(), m_size, "\xFF\xFE", 2);
    const bool be = StartsWith(m_bytes.get(), m_size, "\xFE\xFF", 2);
    if (m_requested == Encoding::Utf16 || (m_requested == Encoding::Auto && (le || be))) {
        const std::size_t mark = le || be ? 2 : 0;
        m_utf16 = std::make_unique<Utf16Source>(m_input, be, m_bytes.get() + mark, m_size - mark,
                                                m_ended);
        return;
    }
    if (m_requested != Encoding::Cp932 && StartsWith(m_bytes.get(), m_size, "\xEF\xBB\xBF", 3)) {
        m_pos = 3;
        m_encoding = Encoding::Utf8;
    }
    m_decoder = TextDecoder(m_encoding == Encoding::Utf8 ? Encoding::Utf8 : Encoding::Cp932);
}

std::size_t TextSource::Read(unsigned char* into, std::size_t size) {
    if (m_utf16) {
        return m_utf16->Read(into, size);
    }
    if (m_encoding == Encoding::Auto) {
        const std::size_t n = ReadUndecided(into, size);
        if (n > 0 || m_encoding == Encoding::Auto) {
            return n;
        }
    }
    return ReadDecoded(into, size);
}

// ASCII, the same in every encoding, goes out as it is; at the first other
// byte the encoding is decided and 0 returned, as at the end.
std::size_t TextSource::ReadUndecided(unsigned char* into, std::size_t size) {
    if (m_pos == m_size) {
        if (m_ended) {
            return 0;
        }
        const std::size_t n = m_input.Read(into, std::min(size, m_capacity));
        m_ended = n == 0;
        const std::size_t ascii = fast::AsciiPrefix(into, n);
        if (ascii == n) {
            return n;
        }
        std::memcpy(m_bytes.get(), into + ascii, n - ascii);
        m_pos = 0;
        m_size = n - ascii;
        if (ascii > 0) {
            return ascii;
        }
    } else {
        const unsigned char* bytes = m_bytes.get() + m_pos;
        const std::size_t ascii = fast::AsciiPrefix(bytes, std::min(size, m_size - m_pos));
        if (ascii > 0) {
            std::memcpy(into, bytes, ascii);
            m_pos += ascii;
            return ascii;
        }
    }
    Decide();
    return 0;
}

// The first non-ASCII byte is at m_pos: the window after it is read whole
// (or the input ends) before the decision.
void TextSource::Decide() {
    while (!m_ended && m_size - m_pos <= kDecisionWindow) {
        ReadMore();
    }
    const std::size_t size = std::min(kDecisionWindow, m_size - m_pos);
    const bool complete = m_ended && m_pos + size == m_size;
    m_encoding = TextDecoder::IsValidUtf8(m_bytes.get() + m_pos, size, complete) ? Encoding::Utf8
                                                                                 : Encoding::Cp932;
    m_decoder = TextDecoder(m_encoding);
}

// Decodes straight into `into` when it has room for a block's worth, else
// a few bytes through the spill.
std::size_t TextSource::ReadDecoded(unsigned char* into, std::size_t size) {
    if (m_spillPos < m_spillSize) {
        return FromSpill(into, size);
    }
    while (!m_ended && m_size - m_pos < kLongestCharacter) {
        ReadMore();
    }
    if (m_size == m_pos) {
        return 0;
    }
    if (size >= TextDecoder::RoomFor(kSpillInput)) {
        return Decode(into, std::min({m_size - m_pos, kBlock, (size - 4) / 3}));
    }
    m_spillPos = 0;
    m_spillSize = Decode(m_spill, std::min(m_size - m_pos, kSpillInput));
    return FromSpill(into, size);
}

// Decodes `input` bytes from m_pos, the last of them flushed when they end
// the input; returns the bytes written.
std::size_t TextSource::Decode(unsigned char* out, std::size_t input) {
    std::size_t produced = 0;
    const bool flush = m_ended && m_pos + input == m_size;
    m_pos += m_decoder.Decode(m_bytes.get() + m_pos, input, flush, reinterpret_cast<char*>(out),
                              produced);
    return produced;
}

std::size_t TextSource::FromSpill(unsigned char* into, std::size_t size) {
    const std::size_t n = std::min(size, m_spillSize - m_spillPos);
    std::memcpy(into, m_spill + m_spillPos, n);
    m_spillPos += n;
    return n;
}

// Moves what is left to the front and reads once more after it.
void TextSource::ReadMore() {
    std::memmove(m_bytes.get(), m_bytes.get() + m_pos, m_size - m_pos);
    m_size -= m_pos;
    m_pos = 0;
    const std::size_t n = m_input.Read(m_bytes.get() + m_size, m_capacity - m_size);
    m_ended = n == 0;
    m_size += n;
}

} // namespace quorvane::tag
