#pragma once

#include "quorvane/tag/encoding.h"

#include <cstddef>

// Decodes field bytes into UTF-16. ASCII bytes are widened as they are; the
// rest goes through the code page 932 table or the UTF-8 rules. Invalid or
// undefined sequences become U+FFFD.
namespace quorvane::tag {

class Cp932Table;

class TextDecoder final {
public:
    explicit TextDecoder(Encoding encoding)
        : m_encoding(encoding) {}

    // Decodes bytes [in, in + size) into `out`, which has room for `size`
    // units (no encoding makes more units than bytes). Without `flush` an
    // incomplete sequence at the end is left undecoded. Returns the number of
    // bytes consumed and sets `produced`.
    std::size_t Decode(const unsigned char* in, std::size_t size, bool flush, char16_t* out,
                       std::size_t& produced) const;

    // Code page 932 straight into UTF-8, for sinks that store UTF-8; `out`
    // has room for three bytes per input byte.
    std::size_t DecodeToUtf8(const unsigned char* in, std::size_t size, bool flush, char* out,
                             std::size_t& produced) const;

    bool IsUtf8() const { return m_encoding == Encoding::Utf8; }

    // True when the bytes are valid UTF-8; with `complete` false a sequence
    // cut off at the end is accepted.
    static bool IsValidUtf8(const unsigned char* in, std::size_t size, bool complete);

private:
    std::size_t DecodeCp932(const unsigned char* in, std::size_t size, bool flush, char16_t* out,
                            std::size_t& produced) const;
    std::size_t DecodeUtf8(const unsigned char* in, std::size_t size, bool flush, char16_t* out,
                           std::size_t& produced) const;

    const Cp932Table& Table() const;

    Encoding m_encoding;
    mutable const Cp932Table* m_table = nullptr;
};

} // namespace quorvane::tag
