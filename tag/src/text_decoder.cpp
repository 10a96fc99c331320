#include "text_decoder.h"

#include "ascii_run.h"
#include "cp932_table.h"

#include <cstdint>
#include <cstring>
#include <unicode/utf16.h>
#include <unicode/utf8.h>

namespace quorvane::tag {
namespace {

// Widens the ASCII bytes at the start of `in`, eight at a time where it can;
// returns how many it widened.
std::size_t WidenAscii(const unsigned char* in, std::size_t size, char16_t* out) {
    std::size_t i = 0;
    while (i + 8 <= size) {
        std::uint64_t word;
        std::memcpy(&word, in + i, 8);
        if (word & 0x8080808080808080ULL) {
            break;
        }
        for (int k = 0; k < 8; ++k) {
            out[i + k] = in[i + k];
        }
        i += 8;
    }
    while (i < size && in[i] < 0x80) {
        out[i] = in[i];
        ++i;
    }
    return i;
}

// Bytes a UTF-8 sequence with this lead byte has, 1 for anything else.
std::size_t Utf8Length(unsigned char lead) {
    return (lead >= 0xC2 && lead <= 0xF4) ? 1 + U8_COUNT_TRAIL_BYTES(lead) : 1;
}

// Where WalkCp932 puts characters: UTF-16 units for the window, UTF-8
// bytes for a sink that stores UTF-8, so the command line never builds the
// UTF-16 text at all.
struct Utf16Out final {
    char16_t* out;
    std::size_t size = 0;

    std::size_t Ascii(const unsigned char* in, std::size_t n) {
        const std::size_t ascii = AsciiPrefix(in, n);
        WidenBytes(in, ascii, out + size);
        size += ascii;
        return ascii;
    }
    void Char(char16_t c) { out[size++] = c; }
};

struct Utf8Out final {
    char* out;
    std::size_t size = 0;

    std::size_t Ascii(const unsigned char* in, std::size_t n) {
        const std::size_t ascii = AsciiPrefix(in, n);
        std::memcpy(out + size, in, ascii);
        size += ascii;
        return ascii;
    }
    // Code page 932 has nothing beyond U+FFFF and no surrogates.
    void Char(char16_t c) {
        char* o = out + size;
        if (c < 0x800) {
            o[0] = static_cast<char>(0xC0 | (c >> 6));
            o[1] = static_cast<char>(0x80 | (c & 0x3F));
            size += 2;
        } else {
            o[0] = static_cast<char>(0xE0 | (c >> 12));
            o[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            o[2] = static_cast<char>(0x80 | (c & 0x3F));
            size += 3;
        }
    }
};

// Decodes code page 932 into `sink`: ASCII runs as they are, the rest through
// the table. Without `flush` a lead byte at the end is left for the next
// call. Returns the number of bytes consumed.
template <typename Sink>
std::size_t WalkCp932(const Cp932Table& table, const unsigned char* in, std::size_t size,
                      bool flush, Sink& sink) {
    std::size_t i = 0;
    while (i < size) {
        i += sink.Ascii(in + i, size - i);
        while (i < size && in[i] >= 0x80) {
            const unsigned char b = in[i];
            if (!Cp932Table::IsLead(b)) {
                sink.Char(table.Single(b));
                ++i;
            } else if (i + 1 < size && Cp932Table::IsTrail(in[i + 1])) {
                sink.Char(table.Pair(b, in[i + 1]));
                i += 2;
            } else if (i + 1 < size || flush) {
                sink.Char(u'\uFFFD');
                ++i;
            } else {
                return i;
            }
        }
    }
    return i;
}

} // namespace

std::size_t TextDecoder::Decode(const unsigned char* in, std::size_t size, bool flush,
                                char16_t* out, std::size_t& produced) const {
    if (m_encoding == Encoding::Utf8) {
        return DecodeUtf8(in, size, flush, out, produced);
    }
    return DecodeCp932(in, size, flush, out, produced);
}

// Looked up once per decoder rather than once per field; not at all for
// files that turn out to be ASCII or UTF-8.
const Cp932Table& TextDecoder::Table() const {
    if (m_table == nullptr) {
        m_table = &Cp932Table::Instance();
    }
    return *m_table;
}

std::size_t TextDecoder::DecodeCp932(const unsigned char* in, std::size_t size, bool flush,
                                     char16_t* out, std::size_t& produced) const {
    Utf16Out sink{out};
    const std::size_t used = WalkCp932(Table(), in, size, flush, sink);
    produced = sink.size;
    return used;
}

std::size_t TextDecoder::DecodeToUtf8(const unsigned char* in, std::size_t size, bool flush,
                                      char* out, std::size_t& produced) const {
    Utf8Out sink{out};
    const std::size_t used = WalkCp932(Table(), in, size, flush, sink);
    produced = sink.size;
    return used;
}

std::size_t TextDecoder::DecodeUtf8(const unsigned char* in, std::size_t size, bool flush,
                                    char16_t* out, std::size_t& produced) const {
    std::size_t i = 0;
    std::size_t o = 0;
    while (i < size) {
        const std::size_t ascii = WidenAscii(in + i, size - i, out + o);
        i += ascii;
        o += ascii;
        while (i < size && in[i] >= 0x80) {
            if (!flush && i + Utf8Length(in[i]) > size) {
                produced = o;
                return i;
            }
            const auto length = static_cast<int32_t>(size - i);
            int32_t k = 0;
            UChar32 c;
            U8_NEXT_OR_FFFD(in + i, k, length, c);
            i += static_cast<std::size_t>(k);
            if (U16_LENGTH(c) == 2) {
                out[o++] = U16_LEAD(c);
                out[o++] = U16_TRAIL(c);
            } else {
                out[o++] = static_cast<char16_t>(c);
            }
        }
    }
    produced = o;
    return i;
}

bool TextDecoder::IsValidUtf8(const unsigned char* in, std::size_t size, bool complete) {
    std::size_t i = 0;
    while (i < size) {
        if (in[i] < 0x80) {
            ++i;
            continue;
        }
        if (!complete && i + Utf8Length(in[i]) > size && Utf8Length(in[i]) > 1) {
            // Cut off by the end: valid when what there is of it is. The
            // second byte's range depends on the lead (no overlong forms, no
            // surrogates, nothing past U+10FFFF).
            if (i + 1 < size &&
                !(Utf8Length(in[i]) == 3 ? U8_IS_VALID_LEAD3_AND_T1(in[i], in[i + 1])
                                         : U8_IS_VALID_LEAD4_AND_T1(in[i], in[i + 1]))) {
                return false;
            }
            for (std::size_t k = i + 1; k < size; ++k) {
                if (!U8_IS_TRAIL(in[k])) {
                    return false;
                }
            }
            return true;
        }
        const auto length = static_cast<int32_t>(size - i);
        int32_t k = 0;
        UChar32 c;
        U8_NEXT(in + i, k, length, c);
        if (c < 0) {
            return false;
        }
        i += static_cast<std::size_t>(k);
    }
    return true;
}

} // namespace quorvane::tag
