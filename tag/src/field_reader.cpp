#include "field_reader.h"

#include "byte_scan.h"
#include "quorvane/tag/tag_error.h"
#include "text_decoder.h"
#include "utf16_source.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace quorvane::tag {
namespace {

constexpr std::size_t kCapacity = 1 << 20;
// Readable bytes after the buffer, so that scans can load whole blocks of
// sixteen near its end.
constexpr std::size_t kPadding = 16;
// Bytes after the first non-ASCII byte that decide between UTF-8 and
// code page 932.
constexpr std::size_t kDecisionWindow = 64 << 10;
// Input bytes decoded in one piece.
constexpr std::size_t kChunk = 64 << 10;

bool IsAllowedDelimiter(char c) {
    return c == ',' || c == '\t' || c == ';' || c == '|';
}

// Index of the first byte from 0x80 up in [from, to), or `to`.
std::size_t FindNonAscii(const unsigned char* p, std::size_t from, std::size_t to) {
    return from + fast::AsciiPrefix(p + from, to - from);
}

// Runs `decode(at, size, flush)` over [from, to) in pieces of at most
// kChunk bytes, which it returns the consumed part of; returns where
// decoding stopped (before `to` only without `flush`).
template <typename DecodePiece>
std::size_t InChunks(std::size_t from, std::size_t to, bool flush, DecodePiece decode) {
    while (from < to) {
        const std::size_t size = std::min(kChunk, to - from);
        const bool last = from + size == to;
        const std::size_t used = decode(from, size, last && flush);
        from += used;
        if (last && used < size) {
            break;
        }
    }
    return from;
}

} // namespace

FieldReader::FieldReader(const ReadOptions& options)
    : m_requested(options.encoding)
    , m_encoding(options.encoding)
    , m_otherSpace(options.delimiter == '\t' ? ' ' : '\t') {
    if (!IsAllowedDelimiter(options.delimiter)) {
        throw TagError(ErrorCode::InvalidArgument, "delimiter is not one of , tab ; |");
    }
    std::memset(m_delimiters, options.delimiter, sizeof m_delimiters);
}

FieldReader::~FieldReader() = default;

void FieldReader::Open(ByteSource& source) {
    m_buffer = std::make_unique_for_overwrite<unsigned char[]>(kCapacity + kPadding);
    m_source = &source;
    while (!m_eof && m_filled < 3) {
        ReadMore();
    }
    if (OpenUtf16()) {
        return;
    }
    const bool bom =
        m_filled >= 3 && m_buffer[0] == 0xEF && m_buffer[1] == 0xBB && m_buffer[2] == 0xBF;
    if (bom && m_requested != Encoding::Cp932) {
        m_encoding = Encoding::Utf8;
        m_pos = m_end = 3;
    }
    m_decoder = std::make_unique<TextDecoder>(m_encoding == Encoding::Utf8 ? Encoding::Utf8
                                                                           : Encoding::Cp932);
    Expose();
}

// A UTF-16 file (by its byte order mark, or asked for) is read through a
// source that turns it into UTF-8.
bool FieldReader::OpenUtf16() {
    const bool le = m_filled >= 2 && m_buffer[0] == 0xFF && m_buffer[1] == 0xFE;
    const bool be = m_filled >= 2 && m_buffer[0] == 0xFE && m_buffer[1] == 0xFF;
    const bool asked = m_requested == Encoding::Utf16;
    if (!asked && !(m_requested == Encoding::Auto && (le || be))) {
        return false;
    }
    const std::size_t bom = le || be ? 2 : 0;
    m_utf16 =
        std::make_unique<Utf16Source>(*m_source, be, m_buffer.get() + bom, m_filled - bom, m_eof);
    m_source = m_utf16.get();
    m_pos = m_end = m_filled = 0;
    m_eof = false;
    m_encoding = Encoding::Utf8;
    m_decoder = std::make_unique<TextDecoder>(Encoding::Utf8);
    return true;
}

bool FieldReader::AtEnd() {
    return m_pos == m_end && !Refill();
}

// The common field, whole in the buffer with the byte after its delimiter
// (to see a CR LF whole), not quoted and not starting with a space, is
// decoded straight from the buffer; anything else takes the careful way,
// kept out of line so that this one stays small.
bool FieldReader::ReadFieldTo(TextBuffer& out) {
    if (m_pos == m_end || m_buffer[m_pos] == '"' || IsSpace(m_buffer[m_pos])) {
        return ReadFieldCarefully(out);
    }
    const std::size_t delimiter = FindDelimiter(m_pos);
    if (delimiter + 1 >= m_end || delimiter - m_pos > kChunk) {
        return ReadFieldCarefully(out);
    }
    std::size_t text = delimiter;
    while (text > m_pos && IsSpace(m_buffer[text - 1])) {
        --text;
    }
    const std::size_t size = text - m_pos;
    const unsigned char* in = m_buffer.get() + m_pos;
    if (size <= 16 && fast::ShortAscii(in, size)) {
        // The usual field: a number or a word, the same in every encoding.
        CopySmall(out.Room(size), reinterpret_cast<const char*>(in), size);
        out.Advance(size);
    } else {
        std::size_t produced = 0;
        m_decoder->Decode(in, size, true, out.Room(TextDecoder::RoomFor(size)), produced);
        out.Advance(produced);
    }
    const bool crlf = m_buffer[delimiter] == '\r' && m_buffer[delimiter + 1] == '\n';
    m_pos = delimiter + (crlf ? 2 : 1);
    return true;
}

bool FieldReader::ReadFieldCarefully(TextBuffer& out) {
    if (!SkipToField()) {
        return false;
    }
    if (m_buffer[m_pos] == '"') {
        ++m_pos;
        CopyQuoted(out);
    } else {
        CopyUnquoted(out);
    }
    return true;
}

// Skips spaces before a field; false when the data ends first.
bool FieldReader::SkipToField() {
    for (;;) {
        while (m_pos < m_end && IsSpace(m_buffer[m_pos])) {
            ++m_pos;
        }
        if (m_pos < m_end) {
            return true;
        }
        if (!Refill()) {
            return false;
        }
    }
}

// Moves what is not yet consumed to the front of the buffer and reads until
// more bytes are available; false at the end of the data.
bool FieldReader::Refill() {
    if (m_source == nullptr) {
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
// still open, bytes from the first non-ASCII one on are held back until a
// byte past the decision window has arrived (or the data has ended), so that
// a character cut off at the window's end is known to be cut by the window
// or by the end of the data.
void FieldReader::Expose() {
    if (m_encoding == Encoding::Auto) {
        const std::size_t k = FindNonAscii(m_buffer.get(), m_end, m_filled);
        if (k < m_filled && m_filled - k <= kDecisionWindow && !m_eof) {
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

void FieldReader::CopyUnquoted(TextBuffer& out) {
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

void FieldReader::CopyQuoted(TextBuffer& out) {
    for (;;) {
        const std::size_t quote = FindQuote(m_pos);
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
            out.Append("\"");
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
        // A character cut by the end of the read stays, so that its second
        // byte is not taken for a delimiter.
        m_pos = WholeCharacters(m_pos);
        if (!Refill()) {
            m_pos = m_end;
            return;
        }
    }
}

// Where the bytes from `from`, a character's start, to the end of what is
// exposed stop being whole characters: at a code page 932 lead byte that is
// the last byte, or else at the end.
std::size_t FieldReader::WholeCharacters(std::size_t from) const {
    if (m_encoding != Encoding::Cp932) {
        return m_end;
    }
    const unsigned char* bytes = m_buffer.get();
    while (from + 1 < m_end) {
        from += TextDecoder::IsCp932Pair(bytes[from], bytes[from + 1]) ? 2 : 1;
    }
    return from < m_end && TextDecoder::IsCp932Lead(bytes[from]) ? from : m_end;
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

// `from` is where a character starts. In code page 932 a '|' can be the
// second byte of a character; such a byte ends no field.
std::size_t FieldReader::FindDelimiter(std::size_t from) const {
    const unsigned char* bytes = m_buffer.get();
    std::size_t at = fast::FindDelimiter(bytes, from, m_end, m_delimiters);
    if (m_delimiters[0] != '|' || m_encoding != Encoding::Cp932) {
        return at;
    }
    std::size_t next = from;
    while (at < m_end && bytes[at] == '|') {
        while (next < at) {
            next += TextDecoder::IsCp932Pair(bytes[next], bytes[next + 1]) ? 2 : 1;
        }
        if (next == at) {
            return at;
        }
        at = fast::FindDelimiter(bytes, at + 1, m_end, m_delimiters);
    }
    return at;
}

// Index of the first double quote in [from, m_end), or m_end.
std::size_t FieldReader::FindQuote(std::size_t from) const {
    const unsigned char* begin = m_buffer.get();
    const void* quote = from < m_end ? std::memchr(begin + from, '"', m_end - from) : nullptr;
    return quote ? static_cast<std::size_t>(static_cast<const unsigned char*>(quote) - begin)
                 : m_end;
}

// Decodes bytes [from, to) to `out` in pieces; returns where decoding
// stopped (before `to` only without `flush`).
std::size_t FieldReader::Decode(TextBuffer& out, std::size_t from, std::size_t to, bool flush) {
    if (to - from <= kChunk) {
        std::size_t produced = 0;
        const std::size_t used =
            m_decoder->Decode(m_buffer.get() + from, to - from, flush,
                              out.Room(TextDecoder::RoomFor(to - from)), produced);
        out.Advance(produced);
        return from + used;
    }
    return InChunks(from, to, flush, [&](std::size_t at, std::size_t size, bool last) {
        std::size_t produced = 0;
        const std::size_t used = m_decoder->Decode(m_buffer.get() + at, size, last,
                                                   out.Room(TextDecoder::RoomFor(size)), produced);
        out.Advance(produced);
        return used;
    });
}

void FieldReader::HoldSpaces(std::size_t from, std::size_t to) {
    for (; from < to; ++from) {
        const auto c = static_cast<char>(m_buffer[from]);
        if (!m_heldSpaces.empty() && m_heldSpaces.back().first == c) {
            ++m_heldSpaces.back().second;
        } else {
            m_heldSpaces.emplace_back(c, 1);
        }
    }
}

void FieldReader::ReleaseSpaces(TextBuffer& out) {
    for (auto [c, count] : m_heldSpaces) {
        while (count > 0) {
            const std::size_t n = std::min(count, kChunk);
            std::memset(out.Room(n), c, n);
            out.Advance(n);
            count -= n;
        }
    }
    m_heldSpaces.clear();
}

} // namespace quorvane::tag
