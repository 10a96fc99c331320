#pragma once

#include "quorvane/tag/tag_sink.h"
#include "text_decoder.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace quorvane::tag {

// Writes UTF-8 text, as it comes in pieces, to `out` as code page 932 bytes.
// A character the code page lacks becomes a hexadecimal numeric character
// reference ("&#x1F600;"), one for each code point; so does an ill-formed
// UTF-8 sequence, as U+FFFD. A character is written as bytes only when the
// system's converter encodes it without a best fit and its own decoding of
// those bytes gives the same character back: nothing is lost or changed in a
// reader that decodes code page 932. A character cut between two pieces
// waits for the next; Finish ends the text. The memory used stays a few
// blocks, whatever the length of the text.
class Cp932Sink final : public TagSink {
public:
    explicit Cp932Sink(TagSink& out);

    void Append(std::string_view utf8) override;
    // Writes a character cut off at the end as U+FFFD's reference.
    void Finish();

private:
    void Encode(bool flush);
    void AppendReference(char32_t c);

    TagSink& m_out;
    const std::uint16_t* m_codes;
    TextDecoder m_validator{Encoding::Utf8};
    // Bytes taken in and not yet decoded: at most a cut character between
    // two blocks.
    std::string m_input;
    std::string m_text;
    std::string m_bytes;
};

} // namespace quorvane::tag
