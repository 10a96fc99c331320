#pragma once

#include "quorvane/tag/byte_source.h"
#include "quorvane/tag/encoding.h"
#include "quorvane/tag/tag_sink.h"

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Hands out the fields of a CSV file one at a time, in file order. Commas and
// line ends (CR, LF, CR LF) both end a field; rows are the builder's business.
//
//   Open(path) / Open(source)  start reading (ErrorCode::OpenFailed)
//   AtEnd()                    true once no byte is left unread
//   ReadField()                the next field (ErrorCode::InputPastEnd when
//                              the data ends before a field begins)
//   SkipToField(), CopyFieldTo(sink)
//                              the same in two steps, streaming the field's
//                              text to a sink without holding it whole
//   TakePlainField(field, ascii)
//                              the next field as its bytes in the buffer,
//                              when it needs no more reading and no spaces
//                              kept back; false, with nothing consumed,
//                              otherwise. ASCII bytes are the text as they
//                              stand, others go through DecodePlainField
//   Close()                    also done by the destructor
//
// Spaces and tabs before a field are skipped, after an unquoted field
// dropped. A quoted field runs to the next lone double quote (a doubled one
// stands for one quote, an unclosed one runs to the end of the file); what
// follows the closing quote up to the delimiter is dropped.
namespace quorvane::tag {

class TextDecoder;

class FieldReader final {
public:
    explicit FieldReader(Encoding encoding = Encoding::Auto);
    ~FieldReader();

    FieldReader(const FieldReader&) = delete;
    FieldReader& operator=(const FieldReader&) = delete;

    void Open(const std::filesystem::path& path);
    void Open(std::unique_ptr<ByteSource> source);
    void Close() noexcept;

    bool AtEnd();
    std::u16string ReadField();
    void SkipToField();
    void CopyFieldTo(TagSink& out);
    // `field` stays valid until the next call on the reader.
    bool TakePlainField(std::string_view& field, bool& ascii);
    void DecodePlainField(std::string_view field, TagSink& out);

    // Auto until the data has decided it.
    Encoding DecidedEncoding() const { return m_encoding; }

private:
    bool Refill();
    void ReadMore();
    void Expose();
    void DecideFrom(std::size_t first);
    void CopyUnquoted(TagSink& out);
    void CopyQuoted(TagSink& out);
    void SkipToDelimiter();
    void ConsumeDelimiter();
    std::size_t FindDelimiter(std::size_t from) const;
    std::size_t FindQuote(std::size_t from) const;
    bool TakeQuotedPlain(std::string_view& field, bool& ascii);
    bool TakeBytes(std::size_t from, std::size_t to, std::size_t delimiter, std::string_view& field,
                   bool& ascii);
    std::size_t Decode(TagSink& out, std::size_t from, std::size_t to, bool flush);
    void HoldSpaces(std::size_t from, std::size_t to);
    void ReleaseSpaces(TagSink& out);

    Encoding m_requested;
    Encoding m_encoding;
    std::unique_ptr<ByteSource> m_source;
    std::unique_ptr<TextDecoder> m_decoder;
    std::unique_ptr<unsigned char[]> m_buffer;
    std::unique_ptr<char16_t[]> m_wide;
    // Decoded text for sinks that store UTF-8.
    std::unique_ptr<char[]> m_narrow;
    std::size_t m_pos = 0;
    std::size_t m_end = 0;
    std::size_t m_filled = 0;
    bool m_eof = false;
    // Spaces seen inside an unquoted field that are kept back until more
    // text shows they are not trailing: runs of (character, count).
    std::vector<std::pair<char16_t, std::size_t>> m_heldSpaces;
};

} // namespace quorvane::tag
