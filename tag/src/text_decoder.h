#pragma once

#include "quorvane/tag/encoding.h"

#include <cstddef>
#include <string>
#include <string_view>

// Turns input bytes into UTF-8. ASCII bytes stay as they are; code page 932
// goes through one table lookup per character straight to its UTF-8 bytes
// (cp932_kernel.h); UTF-8 passes through. Invalid or undefined sequences
// become U+FFFD.
namespace quorvane::tag {

struct Cp932Utf8;

class TextDecoder final {
public:
    // Cp932 or Utf8.
    explicit TextDecoder(Encoding encoding)
        : m_utf8(encoding == Encoding::Utf8) {}

    // Room `Decode` needs for `size` input bytes: three output bytes per
    // input byte, and the slack of the last four-byte store.
    static constexpr std::size_t RoomFor(std::size_t size) { return 3 * size + 4; }

    // Decodes [in, in + size) into `out`, which has RoomFor(size) bytes.
    // Without `flush` an incomplete character at the end is left undecoded.
    // Returns the bytes consumed and sets `produced`.
    std::size_t Decode(const unsigned char* in, std::size_t size, bool flush, char* out,
                       std::size_t& produced) const {
        return m_utf8 ? DecodeUtf8(in, size, flush, out, produced)
                      : DecodeCp932(in, size, flush, out, produced);
    }

    // True when the bytes are valid UTF-8; with `complete` false a character
    // cut off at the end is accepted.
    static bool IsValidUtf8(const unsigned char* in, std::size_t size, bool complete);

    // `text` with every ill-formed UTF-8 sequence replaced by U+FFFD.
    static std::string ValidUtf8(std::string_view text);

private:
    std::size_t DecodeCp932(const unsigned char* in, std::size_t size, bool flush, char* out,
                            std::size_t& produced) const;
    static std::size_t DecodeUtf8(const unsigned char* in, std::size_t size, bool flush, char* out,
                                  std::size_t& produced);

    bool m_utf8;
    // Looked up at the first non-ASCII byte, not at all for ASCII files.
    mutable const Cp932Utf8* m_table = nullptr;
};

} // namespace quorvane::tag
