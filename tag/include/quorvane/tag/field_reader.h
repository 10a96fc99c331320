#pragma once

#include "quorvane/tag/byte_source.h"
#include "quorvane/tag/encoding.h"
#include "quorvane/tag/text_buffer.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

// Hands out the fields of a CSV file one at a time, in file order, as UTF-8.
// Commas and line ends (CR, LF, CR LF) both end a field; rows are the
// builder's business.
//
// Spaces and tabs before a field are skipped, after an unquoted field
// dropped. A quoted field runs to the next lone double quote (a doubled one
// stands for one quote, an unclosed one runs to the end of the file); what
// follows the closing quote up to the delimiter is dropped.
namespace quorvane::tag {

class TextDecoder;

class FieldReader final {
public:
    // Auto: a UTF-8 byte order mark, or valid UTF-8 around the first
    // non-ASCII byte, means UTF-8; anything else is code page 932.
    explicit FieldReader(Encoding encoding = Encoding::Auto);
    ~FieldReader();

    FieldReader(const FieldReader&) = delete;
    FieldReader& operator=(const FieldReader&) = delete;

    // Starts reading `source`, which must outlive the reading.
    void Open(ByteSource& source);
    // True once no byte is left unread.
    bool AtEnd();
    // The next field; ErrorCode::InputPastEnd when the data ends before a
    // field begins.
    std::string ReadField();
    // Appends the next field's text to `out`; false, with nothing appended,
    // when the data ends before a field begins.
    bool ReadFieldTo(TextBuffer& out);

private:
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
    std::size_t FindQuote(std::size_t from) const;
    std::size_t Decode(TextBuffer& out, std::size_t from, std::size_t to, bool flush);
    void HoldSpaces(std::size_t from, std::size_t to);
    void ReleaseSpaces(TextBuffer& out);

    Encoding m_requested;
    Encoding m_encoding;
    ByteSource* m_source = nullptr;
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
