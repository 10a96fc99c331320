#pragma once

#include "byte_source.h"
#include "quorvane/tag/encoding.h"
#include "quorvane/tag/large_array.h"
#include "text_decoder.h"

#include <cstddef>
#include <memory>

namespace quorvane::tag {

class Utf16Source;

// The input as UTF-8, whatever its encoding, decoded in blocks. The reader
// splits what this hands out into fields: delimiters, quotes, spaces and
// line ends are ASCII, and no byte of a UTF-8 character is, so no byte of
// a character can end a field.
//
// Auto: a UTF-16 byte order mark means UTF-16; a UTF-8 one, or valid UTF-8
// in the 64 KiB from the first non-ASCII byte on (a character cut off at
// their end counting only where the data ends), means UTF-8; anything else
// is code page 932. Until that byte shows, the input is read straight into
// the caller's buffer. Utf16 takes its byte order from the mark, little
// endian without one; a UTF-8 mark is skipped unless Cp932 is asked for.
class TextSource final : public ByteSource {
public:
    TextSource(ByteSource& input, Encoding encoding);
    ~TextSource() override;

    TextSource(const TextSource&) = delete;
    TextSource& operator=(const TextSource&) = delete;

    // Reads the start of the input, for its byte order mark; once, first.
    void Open();
    std::size_t Read(unsigned char* into, std::size_t size) override;

private:
    // Input bytes decoded into a read too small for a block; enough for any
    // character to be whole.
    static constexpr std::size_t kSpillInput = 16;

    std::size_t ReadUndecided(unsigned char* into, std::size_t size);
    void Decide();
    std::size_t ReadDecoded(unsigned char* into, std::size_t size);
    std::size_t Decode(unsigned char* out, std::size_t input);
    std::size_t FromSpill(unsigned char* into, std::size_t size);
    void ReadMore();

    ByteSource& m_input;
    Encoding m_requested;
    // Auto until decided.
    Encoding m_encoding;
    std::unique_ptr<Utf16Source> m_utf16;
    TextDecoder m_decoder{Encoding::Cp932};
    // Input bytes not yet handed out, from m_pos to m_size.
    LargeArray<unsigned char> m_bytes;
    std::size_t m_capacity = 0;
    std::size_t m_pos = 0;
    std::size_t m_size = 0;
    bool m_ended = false;
    unsigned char m_spill[TextDecoder::RoomFor(kSpillInput)];
    std::size_t m_spillPos = 0;
    std::size_t m_spillSize = 0;
};

} // namespace quorvane::tag
