#pragma once

#include "byte_scan.h"
#include "byte_source.h"
#include "field_end_cursor.h"
#include "quorvane/tag/large_array.h"
#include "quorvane/tag/read_options.h"
#include "text_buffer.h"

#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

// Hands out the fields of a CSV file one at a time, in file order, as UTF-8.
// The delimiter (a comma unless told) and line ends (CR, LF, CR LF) both end
// a field; rows are the builder's business.
//
// Spaces and tabs before a field are skipped, after an unquoted field
// dropped; a tab that is the delimiter is no space. A quoted field runs to
// the next lone double quote (a doubled one stands for one quote, an unclosed
// one runs to the end of the file); what follows the closing quote up to the
// delimiter is dropped. The file is decoded first (TextSource), so the
// reader splits UTF-8 text; where the reads of the source end changes no
// field: a CR LF or a run of spaces cut by one is taken whole.
namespace quorvane::tag {

class ReadAhead;
class TextSource;

class FieldReader final {
public:
    // Readable bytes from the start of a field's text handed out whole.
    static constexpr std::size_t kTextRoom = 32;

    // A delimiter other than ',', '\t', ';' or '|' fails with
    // ErrorCode::InvalidArgument. The encoding is TextSource's; with
    // readAhead the text is read into one buffer while the other is split.
    explicit FieldReader(const ReadOptions& options = {});
    ~FieldReader();

    FieldReader(const FieldReader&) = delete;
    FieldReader& operator=(const FieldReader&) = delete;

    // Starts reading `source`, which must outlive the reading; once for a
    // reader.
    void Open(ByteSource& source);
    // True once no byte is left unread.
    bool AtEnd() { return m_pos == m_end && !Refill(); }
    // Appends the next field's text to `out`; false, with nothing appended,
    // when the data ends before a field begins.
    bool ReadFieldTo(TextBuffer& out);
    // Hands the fields ahead that lie whole in what has been read, with the
    // byte after their delimiter, to `take(text, size)` one after another,
    // and stops before the first that needs more: one that starts with a
    // space, holds a quote not at its edges (a doubled one, text after the
    // closing one) or runs past what has been read. The
    // text stays valid until the next call of the reader, with
    // kTextRoom readable bytes from its start whatever its size.
    template <typename Take> void ReadWholeFields(Take&& take);

private:
    bool IsSpace(unsigned char b) const { return b == ' ' || b == m_otherSpace; }
    // 1 when the two bytes at `p` are a CR LF, else 0; one load, no branch.
    static std::size_t IsCrLf(const unsigned char* p) {
        constexpr std::uint16_t kCrLf =
            std::endian::native == std::endian::little ? '\n' << 8 | '\r' : '\r' << 8 | '\n';
        std::uint16_t two = 0;
        std::memcpy(&two, p, 2);
        return static_cast<std::size_t>(two == kCrLf);
    }
    bool SkipToField();
    bool Refill();
    void CopyUnquoted(TextBuffer& out);
    void CopyQuoted(TextBuffer& out);
    void SkipToDelimiter();
    void ConsumeDelimiter();
    std::size_t FindDelimiter(std::size_t from) const {
        return fast::FindDelimiter(m_buffer.get(), from, m_end, m_delimiters);
    }
    std::size_t FindQuote(std::size_t from) const {
        return fast::FindByte(m_buffer.get(), from, m_end, '"');
    }
    void Copy(TextBuffer& out, std::size_t from, std::size_t to) const;
    void HoldSpaces(std::size_t from, std::size_t to);
    void ReleaseSpaces(TextBuffer& out);

    ReadOptions m_options;
    // Sixteen copies of the delimiter, for the block scan.
    alignas(16) unsigned char m_delimiters[16];
    // The tab, unless it is the delimiter.
    char m_otherSpace;
    std::unique_ptr<TextSource> m_source;
    // With ReadOptions::readAhead: the text read on a thread of its own.
    std::unique_ptr<ReadAhead> m_ahead;
    LargeArray<unsigned char> m_buffer;
    std::size_t m_capacity = 0;
    std::size_t m_pos = 0;
    std::size_t m_end = 0;
    // Spaces seen inside an unquoted field that are kept back until more
    // text shows they are not trailing: runs of (character, count).
    std::vector<std::pair<char, std::size_t>> m_heldSpaces;
};

template <typename Take> void FieldReader::ReadWholeFields(Take&& take) {
    if (m_end - m_pos < 2) {
        return;
    }
    // Members are read once: as far as the compiler knows, what `take`
    // writes through its char pointers might change them.
    const unsigned char* const bytes = m_buffer.get();
    // The byte after a delimiter must be there, to see a CR LF whole.
    const std::size_t limit = m_end - 1;
    const unsigned char otherSpace = m_otherSpace;
    const auto space = [otherSpace](unsigned char b) { return b == ' ' || b == otherSpace; };
    FieldEndCursor ends(bytes, limit, m_delimiters[0]);
    std::size_t pos = m_pos;
    for (std::size_t end = ends.From(pos); end < limit; end = ends.Next()) {
        // Spaces and tabs are below a quote.
        if (bytes[pos] < '"' && space(bytes[pos])) {
            break;
        }
        // A quoted field's text lies between its quotes, and its last byte
        // is the closing one, which no space or tab trimmed here is.
        const std::size_t quoted = bytes[pos] == '"';
        std::size_t last = end;
        while (last > pos && bytes[last - 1] < '"' && space(bytes[last - 1])) {
            --last;
        }
        take(bytes + pos + quoted, last - pos - 2 * quoted);
        pos = end + 1 + IsCrLf(bytes + end);
    }
    m_pos = pos;
}

} // namespace quorvane::tag
