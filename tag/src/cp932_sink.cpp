#include "cp932_sink.h"

#include "cp932_system.h"
#include "utf8_encode.h"

#include <algorithm>
#include <vector>

namespace quorvane::tag {
namespace {

// Input taken at a time: the buffers stay within a few times this.
constexpr std::size_t kBlock = std::size_t{64} << 10;

// The system's encoding of each UTF-16 unit, kept only where the system's
// decoding of the bytes gives the unit back. ASCII is itself both ways, as
// for the reader: ICU's table swaps three control codes of the IBM code page.
std::vector<std::uint16_t> MakeCodes() {
    std::vector<std::uint16_t> codes = LoadSystemCp932Codes();
    const std::vector<char16_t> characters = LoadSystemCp932();
    for (std::size_t c = 0; c < codes.size(); ++c) {
        const std::uint16_t code = codes[c];
        if (c < 0x80) {
            codes[c] = static_cast<std::uint16_t>(c);
        } else if (code != kNoCode && (code < 0x80 || characters[code] != c)) {
            codes[c] = kNoCode;
        }
    }
    return codes;
}

const std::uint16_t* Codes() {
    static const std::vector<std::uint16_t> codes = MakeCodes();
    return codes.data();
}

} // namespace

Cp932Sink::Cp932Sink(TagSink& out)
    : m_out(out)
    , m_codes(Codes()) {}

void Cp932Sink::Append(std::string_view utf8) {
    while (!utf8.empty()) {
        const std::size_t take = std::min(utf8.size(), kBlock);
        m_input.append(utf8.substr(0, take));
        utf8.remove_prefix(take);
        Encode(false);
    }
}

void Cp932Sink::Finish() {
    if (!m_input.empty()) {
        Encode(true);
    }
}

// Makes the input well-formed UTF-8 (keeping a cut character back unless
// flushing), then encodes it character by character.
void Cp932Sink::Encode(bool flush) {
    m_text.resize(TextDecoder::RoomFor(m_input.size()));
    std::size_t produced = 0;
    const std::size_t consumed =
        m_validator.Decode(reinterpret_cast<const unsigned char*>(m_input.data()), m_input.size(),
                           flush, m_text.data(), produced);
    m_input.erase(0, consumed);
    const auto* text = reinterpret_cast<const unsigned char*>(m_text.data());
    m_bytes.clear();
    for (std::size_t i = 0, length = 0; i < produced; i += length) {
        const char32_t c = DecodeUtf8(text + i, length);
        const std::uint16_t code = c < 0x10000 ? m_codes[c] : kNoCode;
        if (code == kNoCode) {
            AppendReference(c);
        } else if (code < 0x100) {
            m_bytes += static_cast<char>(code);
        } else {
            m_bytes += {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
        }
    }
    if (!m_bytes.empty()) {
        m_out.Append(m_bytes);
    }
}

void Cp932Sink::AppendReference(char32_t c) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    char digits[8];
    std::size_t count = 0;
    do {
        digits[count++] = kHex[c & 15];
        c >>= 4;
    } while (c != 0);
    m_bytes += "&#x";
    while (count > 0) {
        m_bytes += digits[--count];
    }
    m_bytes += ';';
}

} // namespace quorvane::tag
