#pragma once

#include "byte_source.h"
#include "quorvane/tag/read_options.h"
#include "text_buffer.h"

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
// delimiter is dropped. Where the reads of the source end changes no field:
// a character, a CR LF or a run of spaces cut by one is taken whole.
namespace quorvane::tag {

class TextDecoder;
class Utf16Source;

class FieldReader final {
public:
    // Auto: a UTF-16 byte order mark means UTF-16; a UTF-8 one, or valid
    // UTF-8 around the first non-ASCII byte, means UTF-8; anything else is
    // code page 932. A delimiter other than ',', '\t', ';' or '|' fails
    // with ErrorCode::InvalidArgument.
    explicit FieldReader(const ReadOptions& options = {});
    ~FieldReader();

    FieldReader(const FieldReader&) = delete;
    FieldReader& operator=(const FieldReader&) = delete;

    // Starts reading `source`, which must outlive the reading; once for a
    // reader.
    void Open(ByteSource& source);
    // True once no byte is left unread.
    bool AtEnd();
    // Appends the next field's text to `out`; false, with nothing appended,
    // when the data ends before a field begins.
    bool ReadFieldTo(TextBuffer& out);

private:
    bool OpenUtf16();
    [[gnu::noinline]] bool ReadFieldCarefully(TextBuffer& out);
    bool IsSpace(unsigned char b) const { return b == ' ' || b == m_otherSpace; }
    bool SkipToField();
    bool Refill();
    void ReadMore();
    void Expose();
    void DecideFrom(std::size_t first);
    void CopyUnquoted(TextBuffer& out);
    void CopyQuoted(TextBuffer& out);
    void SkipToDelimiter();
    void ConsumeDelimiter();
    std::size_t FindDelimiter(std::size_t from) const;
    std::size_t WholeCharacters(std::size_t from) const;
    std::size_t FindQuote(std::size_t from) const;
    std::size_t Decode(TextBuffer& out, std::size_t from, std::size_t to, bool flush);
    void HoldSpaces(std::size_t from, std::size_t to);
    void ReleaseSpaces(TextBuffer& out);

    Encoding m_requested;
    Encoding m_encoding;
    // Sixteen copies of the delimiter, for the block scan.
    alignas(16) unsigned char m_delimiters[16];
    // The tab, unless it is the delimiter.
    char m_otherSpace;
    ByteSource* m_source = nullptr;
    std::unique_ptr<Utf16Source> m_utf16;
    std::unique_ptr<TextDecoder> m_decoder;
    std::unique_ptr<unsigned char[]> m_buffer;
    std::size_t m_pos = 0;
    std::size_t m_end = 0;
    std::size_t m_filled = 0;
    bool m_eof = false;
    // Spaces seen inside an unquoted field that are kept back until more
    // text shows they are not trailing: runs of (character, count).
    std::vector<std::pair<char, std::size_t>> m_heldSpaces;
};

} // namespace quorvane::tag
