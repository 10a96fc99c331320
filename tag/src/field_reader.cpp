#include "field_reader.h"

#include "quorvane/tag/tag_error.h"
#include "read_ahead.h"
#include "text_source.h"

#include <algorithm>
#include <cstring>

namespace quorvane::tag {
namespace {

// Text taken at a time: room for a block of decoded input, three bytes for
// each of its bytes at most, so that the thread that reads ahead hands over
// few and large pieces; less for a small source.
constexpr std::size_t kCapacity = 1 << 20;
constexpr std::size_t kSmallCapacity = 16 << 10;
// Readable bytes after the buffer, so that scans can load whole blocks of
// 64 near its end and a field's text is copied in blocks.
constexpr std::size_t kPadding = 64;
static_assert(kPadding >= FieldReader::kTextRoom);
// Text copied into the table in one piece.
constexpr std::size_t kChunk = 64 << 10;

bool IsAllowedDelimiter(char c) {
    return c == ',' || c == '\t' || c == ';' || c == '|';
}

} // namespace

FieldReader::FieldReader(const ReadOptions& options)
    : m_options(options)
    , m_otherSpace(options.delimiter == '\t' ? ' ' : '\t') {
    if (!IsAllowedDelimiter(options.delimiter)) {
        throw TagError(ErrorCode::InvalidArgument, "delimiter is not one of , tab ; |");
    }
    std::memset(m_delimiters, options.delimiter, sizeof m_delimiters);
}

FieldReader::~FieldReader() = default;

void FieldReader::Open(ByteSource& source) {
    m_capacity = source.Small() ? kSmallCapacity : kCapacity;
    m_buffer = MakeLarge<unsigned char>(m_capacity + kPadding);
    m_source = std::make_unique<TextSource>(source, m_options.encoding);
    m_source->Open();
    if (m_options.readAhead) {
        m_ahead = std::make_unique<ReadAhead>(*m_source, m_capacity, m_capacity + kPadding);
    }
}

bool FieldReader::ReadFieldTo(TextBuffer& out) {
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

// Reads the next piece of text once everything read before is consumed;
// false at the end of the data.
bool FieldReader::Refill() {
    if (m_source == nullptr) {
        throw TagError(ErrorCode::ReadFailed, "file is not open");
    }
    m_pos = 0;
    m_end = m_ahead ? m_ahead->Swap(m_buffer) : m_source->Read(m_buffer.get(), m_capacity);
    return m_end > 0;
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
            ReleaseSpaces(out);
            Copy(out, m_pos, text);
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

// A quote that ends what has been read is looked past after the next read:
// another quote right after it makes one quote of the two.
void FieldReader::CopyQuoted(TextBuffer& out) {
    for (;;) {
        const std::size_t quote = FindQuote(m_pos);
        Copy(out, m_pos, quote);
        m_pos = quote;
        if (quote == m_end) {
            if (!Refill()) {
                // No closing quote: the field runs to the end of the data.
                return;
            }
            continue;
        }
        ++m_pos;
        if (m_pos == m_end && !Refill()) {
            return;
        }
        if (m_buffer[m_pos] == '"') {
            out.Append("\"");
            ++m_pos;
            continue;
        }
        SkipToDelimiter();
        return;
    }
}

// Drops whatever follows a closing quote up to and including the delimiter.
void FieldReader::SkipToDelimiter() {
    for (;;) {
        const std::size_t delimiter = FindDelimiter(m_pos);
        m_pos = delimiter;
        if (delimiter < m_end) {
            ConsumeDelimiter();
            return;
        }
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

// Copies bytes [from, to) to `out`, a long run in pieces so that the table's
// buffer keeps its size.
void FieldReader::Copy(TextBuffer& out, std::size_t from, std::size_t to) const {
    while (from < to) {
        const std::size_t n = std::min(kChunk, to - from);
        out.Append({reinterpret_cast<const char*>(m_buffer.get() + from), n});
        from += n;
    }
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
