#include "quorvane/tag/field_reader.h"

#include "quorvane/tag/file_byte_source.h"
#include "quorvane/tag/tag_error.h"
#include "quorvane/tag/u16_string_sink.h"
#include "text_decoder.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace quorvane::tag {
namespace {

constexpr std::size_t kCapacity = 1 << 20;
// Bytes after the first non-ASCII byte that decide between UTF-8 and
// code page 932.
constexpr std::size_t kDecisionWindow = 64 << 10;
constexpr std::size_t kWideUnits = 64 << 10;

bool IsSpace(unsigned char b) {
    return b == ' ' || b == '\t';
}

bool IsDelimiter(unsigned char b) {
    return b == ',' || b == '\r' || b == '\n';
}

constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
constexpr std::uint64_t kHighs = 0x8080808080808080ULL;

// High bit set in each byte of `word` that equals `byte` (exact for the
// lowest such byte, which is all the callers use).
std::uint64_t BytesEqual(std::uint64_t word, unsigned char byte) {
    const std::uint64_t x = word ^ (kOnes * byte);
    return (x - kOnes) & ~x & kHighs;
}

// Index of the first byte in [from, to) that is a comma, CR or LF, eight
// bytes at a time; `to` when there is none.
inline std::size_t FindDelimiterIn(const unsigned char* p, std::size_t from, std::size_t to) {
    while (from + 8 <= to) {
        std::uint64_t word;
        std::memcpy(&word, p + from, 8);
        const std::uint64_t hits =
            BytesEqual(word, ',') | BytesEqual(word, '\r') | BytesEqual(word, '\n');
        if (hits != 0) {
            return from + static_cast<std::size_t>(__builtin_ctzll(hits) / 8);
        }
        from += 8;
    }
    while (from < to && !IsDelimiter(p[from])) {
        ++from;
    }
    return from;
}

// Index of the first byte from 0x80 up in [from, to), or `to`.
std::size_t FindNonAscii(const unsigned char* p, std::size_t from, std::size_t to) {
    while (from + 8 <= to) {
        std::uint64_t word;
        std::memcpy(&word, p + from, 8);
        if (word & kHighs) {
            break;
        }
        from += 8;
    }
    while (from < to && p[from] < 0x80) {
        ++from;
    }
    return from;
}

} // namespace

FieldReader::FieldReader(Encoding encoding)
    : m_requested(encoding)
    , m_encoding(encoding) {}

FieldReader::~FieldReader() = default;

void FieldReader::Open(const std::filesystem::path& path) {
    Open(std::make_unique<FileByteSource>(path));
}

void FieldReader::Open(std::unique_ptr<ByteSource> source) {
    Close();
    if (!m_buffer) {
        m_buffer = std::make_unique<unsigned char[]>(kCapacity);
        m_wide = std::make_unique<char16_t[]>(kWideUnits);
    }
    m_source = std::move(source);
    while (!m_eof && m_filled < 3) {
        ReadMore();
    }
    const bool bom =
        m_filled >= 3 && m_buffer[0] == 0xEF && m_buffer[1] == 0xBB && m_buffer[2] == 0xBF;
    m_encoding = m_requested;
    if (bom && m_requested != Encoding::Cp932) {
        m_encoding = Encoding::Utf8;
        m_pos = m_end = 3;
    }
    m_decoder = std::make_unique<TextDecoder>(m_encoding == Encoding::Utf8 ? Encoding::Utf8
                                                                           : Encoding::Cp932);
    Expose();
}

void FieldReader::Close() noexcept {
    m_source.reset();
    m_pos = m_end = m_filled = 0;
    m_eof = false;
    m_heldSpaces.clear();
}

bool FieldReader::AtEnd() {
    return m_pos == m_end && !Refill();
}

std::u16string FieldReader::ReadField() {
    SkipToField();
    std::u16string field;
    U16StringSink sink(field);
    CopyFieldTo(sink);
    return field;
}

void FieldReader::SkipToField() {
    if (m_pos < m_end && !IsSpace(m_buffer[m_pos])) {
        return;
    }
    for (;;) {
        while (m_pos < m_end && IsSpace(m_buffer[m_pos])) {
            ++m_pos;
        }
        if (m_pos < m_end) {
            return;
        }
        if (!Refill()) {
            throw TagError(ErrorCode::InputPastEnd, "input past end");
        }
    }
}

void FieldReader::CopyFieldTo(TagSink& out) {
    if (m_pos == m_end || IsSpace(m_buffer[m_pos])) {
        SkipToField();
    }
    if (m_buffer[m_pos] == '"') {
        ++m_pos;
        CopyQuoted(out);
    } else {
        CopyUnquoted(out);
    }
}

// Moves what is not yet consumed to the front of the buffer and reads until
// more bytes are available; false at the end of the data.
bool FieldReader::Refill() {
    if (!m_source) {
        throw TagError(ErrorCode::ReadFailed, "file is not open");
    }
    const std::size_t available = m_end - m_pos;
    std::memmove(m_buffer.get(), m_buffer.get() + m_pos, m_filled - m_pos);
    m_end -= m_pos;
    m_filled -= m_pos;
    m_pos = 0;
    for (;;) {
        Expose();
        if (m_end > available) {
            return true;
        }
        if (m_eof) {
            return false;
        }
        ReadMore();
    }
}

void FieldReader::ReadMore() {
    const std::size_t n = m_source->Read(m_buffer.get() + m_filled, kCapacity - m_filled);
    if (n == 0) {
        m_eof = true;
    }
    m_filled += n;
}

// Makes read bytes available to the field scanner. While the encoding is
// still open, bytes from the first non-ASCII one on are held back until the
// decision window has arrived (or the data has ended).
void FieldReader::Expose() {
    if (m_encoding == Encoding::Auto) {
        const std::size_t k = FindNonAscii(m_buffer.get(), m_end, m_filled);
        if (k < m_filled && m_filled - k < kDecisionWindow && !m_eof) {
            m_end = k;
            return;
        }
        if (k < m_filled) {
            DecideFrom(k);
        }
    }
    m_end = m_filled;
}

void FieldReader::DecideFrom(std::size_t first) {
    const std::size_t size = std::min(kDecisionWindow, m_filled - first);
    const bool complete = m_eof && first + size == m_filled;
    m_encoding = TextDecoder::IsValidUtf8(m_buffer.get() + first, size, complete) ? Encoding::Utf8
                                                                                  : Encoding::Cp932;
    m_decoder = std::make_unique<TextDecoder>(m_encoding);
}

void FieldReader::CopyUnquoted(TagSink& out) {
    m_heldSpaces.clear();
    for (;;) {
        const std::size_t delimiter = FindDelimiter(m_pos);
        const bool found = delimiter < m_end;
        std::size_t text = delimiter;
        while (text > m_pos && IsSpace(m_buffer[text - 1])) {
            --text;
        }
        if (text > m_pos) {
            if (!m_heldSpaces.empty()) {
                ReleaseSpaces(out);
            }
            const std::size_t used = Decode(out, m_pos, text, found || text < delimiter);
            if (used < text) {
                // A character cut off by the end of the buffer.
                m_pos = used;
                if (!Refill()) {
                    m_pos = Decode(out, m_pos, m_end, true);
                    return;
                }
                continue;
            }
        }
        m_pos = delimiter;
        if (found) {
            ConsumeDelimiter();
            return;
        }
        HoldSpaces(text, delimiter);
        if (!Refill()) {
            return;
        }
    }
}

void FieldReader::CopyQuoted(TagSink& out) {
    for (;;) {
        const auto* begin = m_buffer.get();
        const auto quote =
            static_cast<std::size_t>(std::find(begin + m_pos, begin + m_end, '"') - begin);
        if (quote == m_end) {
            m_pos = Decode(out, m_pos, m_end, false);
            if (!Refill()) {
                // No closing quote: the field runs to the end of the data.
                m_pos = Decode(out, m_pos, m_end, true);
                return;
            }
            continue;
        }
        Decode(out, m_pos, quote, true);
        m_pos = quote;
        if (quote + 1 == m_end && !Refill()) {
            m_pos = m_end;
            return;
        }
        if (m_buffer[m_pos + 1] == '"') {
            out.Append(u"\"");
            m_pos += 2;
            continue;
        }
        ++m_pos;
        SkipToDelimiter();
        return;
    }
}

// Drops whatever follows a closing quote up to and including the delimiter.
void FieldReader::SkipToDelimiter() {
    for (;;) {
        const std::size_t delimiter = FindDelimiter(m_pos);
        if (delimiter < m_end) {
            m_pos = delimiter;
            ConsumeDelimiter();
            return;
        }
        m_pos = m_end;
        if (!Refill()) {
            return;
        }
    }
}

void FieldReader::ConsumeDelimiter() {
    const unsigned char delimiter = m_buffer[m_pos++];
    if (delimiter != '\r') {
        return;
    }
    if (m_pos < m_end) {
        m_pos += m_buffer[m_pos] == '\n' ? 1 : 0;
        return;
    }
    if (!Refill()) {
        return;
    }
    if (m_buffer[m_pos] == '\n') {
        ++m_pos;
    }
}

std::size_t FieldReader::FindDelimiter(std::size_t from) const {
    return FindDelimiterIn(m_buffer.get(), from, m_end);
}

// Decodes bytes [from, to) to `out` in pieces that fit the wide buffer;
// returns where decoding stopped (before `to` only without `flush`).
std::size_t FieldReader::Decode(TagSink& out, std::size_t from, std::size_t to, bool flush) {
    if (to - from <= kWideUnits) {
        // Short ASCII text, the usual field, is widened here directly.
        const unsigned char* in = m_buffer.get() + from;
        char16_t* wide = m_wide.get();
        std::size_t i = 0;
        while (i < to - from && in[i] < 0x80) {
            wide[i] = in[i];
            ++i;
        }
        if (i == to - from) {
            out.Append({wide, to - from});
            return to;
        }
        std::size_t produced = 0;
        const std::size_t used =
            m_decoder->Decode(m_buffer.get() + from, to - from, flush, m_wide.get(), produced);
        out.Append({m_wide.get(), produced});
        return from + used;
    }
    while (from < to) {
        const std::size_t size = std::min(kWideUnits, to - from);
        const bool last = from + size == to;
        std::size_t produced = 0;
        const std::size_t used =
            m_decoder->Decode(m_buffer.get() + from, size, last && flush, m_wide.get(), produced);
        if (produced > 0) {
            out.Append({m_wide.get(), produced});
        }
        from += used;
        if (last && used < size) {
            break;
        }
    }
    return from;
}

void FieldReader::HoldSpaces(std::size_t from, std::size_t to) {
    for (; from < to; ++from) {
        const char16_t c = m_buffer[from];
        if (!m_heldSpaces.empty() && m_heldSpaces.back().first == c) {
            ++m_heldSpaces.back().second;
        } else {
            m_heldSpaces.emplace_back(c, 1);
        }
    }
}

void FieldReader::ReleaseSpaces(TagSink& out) {
    for (auto [c, count] : m_heldSpaces) {
        while (count > 0) {
            const std::size_t n = std::min(count, kWideUnits);
            std::fill_n(m_wide.get(), n, c);
            out.Append({m_wide.get(), n});
            count -= n;
        }
    }
    m_heldSpaces.clear();
}

} // namespace quorvane::tag
