#include "text_decoder.h"

#include "byte_scan.h"
#include "cp932_kernel.h"
#include "cp932_system.h"
#include "utf8_encode.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

namespace quorvane::tag {

// Code page 932 to UTF-8 in one lookup, indexed by a byte and the byte after
// it (first | next << 8): 256 KiB, so that the decoder's loop needs neither a
// branch nor a second lookup for the kind of byte.
struct Cp932Utf8 final {
    std::vector<Cp932Code> codes;
};

namespace {

constexpr char16_t kReplacement = 0xFFFD;

using plain::IsCp932Lead;
using plain::IsCp932Trail;

Cp932Code MakeCode(char16_t c, unsigned consumed) {
    Cp932Code code{};
    const std::size_t length = EncodeUtf8(c, code.bytes);
    code.lengths = static_cast<std::uint8_t>(length << 6 | consumed << 4);
    return code;
}

// A lead byte with a trail byte after it is one code, defined or not; with
// any other byte after it, it stands alone and the next byte is read anew.
Cp932Utf8 MakeTable() {
    const std::vector<char16_t> system = LoadSystemCp932();
    const auto defined = [](char16_t c) { return c == kNoCharacter ? kReplacement : c; };
    Cp932Utf8 table;
    table.codes.resize(65536);
    for (unsigned b = 0; b < 256; ++b) {
        const Cp932Code single =
            IsCp932Lead(b) ? MakeCode(kReplacement, 1)
                           : MakeCode(b < 0x80 ? static_cast<char16_t>(b) : defined(system[b]), 1);
        for (unsigned next = 0; next < 256; ++next) {
            table.codes[b | next << 8] = IsCp932Lead(b) && IsCp932Trail(next)
                                             ? MakeCode(defined(system[b << 8 | next]), 2)
                                             : single;
        }
    }
    return table;
}

const Cp932Utf8& Table() {
    static const Cp932Utf8 table = MakeTable();
    return table;
}

// Bytes of the UTF-8 sequence this lead byte starts; 1 for anything else.
std::size_t Utf8Length(unsigned char lead) {
    if (lead >= 0xC2 && lead <= 0xDF) {
        return 2;
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        return 3;
    }
    return lead >= 0xF0 && lead <= 0xF4 ? 4 : 1;
}

// How many of the `size` bytes at `in` (at most one sequence) are a valid
// beginning of a character: 0 for a byte that cannot lead. The second
// byte's range depends on the lead (no overlong forms, no surrogates,
// nothing past U+10FFFF).
std::size_t ValidPrefix(const unsigned char* in, std::size_t size) {
    const unsigned char lead = in[0];
    if (Utf8Length(lead) == 1) {
        return 0;
    }
    if (size < 2) {
        return 1;
    }
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead == 0xE0) {
        low = 0xA0;
    } else if (lead == 0xED) {
        high = 0x9F;
    } else if (lead == 0xF0) {
        low = 0x90;
    } else if (lead == 0xF4) {
        high = 0x8F;
    }
    if (in[1] < low || in[1] > high) {
        return 1;
    }
    std::size_t k = 2;
    while (k < size && in[k] >= 0x80 && in[k] <= 0xBF) {
        ++k;
    }
    return k;
}

// Copies the ASCII run at the start of [in, in + size) to `out`; returns its
// length.
std::size_t CopyAscii(const unsigned char* in, std::size_t size, char* out) {
    const std::size_t ascii = fast::AsciiPrefix(in, size);
    CopySmall(out, reinterpret_cast<const char*>(in), ascii);
    return ascii;
}

} // namespace

// A leading ASCII run is copied as a block, so that the table is made only
// once a byte needs it.
std::size_t TextDecoder::DecodeCp932(const unsigned char* in, std::size_t size, bool flush,
                                     char* out, std::size_t& produced) const {
    const std::size_t ascii = size > 0 && in[0] < 0x80 ? CopyAscii(in, size, out) : 0;
    produced = ascii;
    if (ascii == size) {
        return ascii;
    }
    if (m_table == nullptr) {
        m_table = &Table();
    }
    std::size_t rest = 0;
    const std::size_t used = fast::DecodeCp932(in + ascii, size - ascii, flush,
                                               m_table->codes.data(), out + ascii, rest);
    produced += rest;
    return ascii + used;
}

std::size_t TextDecoder::DecodeUtf8(const unsigned char* in, std::size_t size, bool flush,
                                    char* out, std::size_t& produced) {
    std::size_t i = 0;
    std::size_t o = 0;
    while (i < size) {
        const std::size_t ascii = CopyAscii(in + i, size - i, out + o);
        i += ascii;
        o += ascii;
        while (i < size && in[i] >= 0x80) {
            const std::size_t length = Utf8Length(in[i]);
            if (!flush && i + length > size) {
                produced = o;
                return i;
            }
            const std::size_t valid = ValidPrefix(in + i, std::min(length, size - i));
            if (valid == length) {
                std::memcpy(out + o, in + i, length);
                o += length;
                i += length;
            } else {
                std::memcpy(out + o, "\xEF\xBF\xBD", 3);
                o += 3;
                i += std::max<std::size_t>(valid, 1);
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
        const std::size_t length = Utf8Length(in[i]);
        const std::size_t available = std::min(length, size - i);
        const std::size_t valid = ValidPrefix(in + i, available);
        if (valid != length) {
            // A character cut off by the end is valid when what there is of
            // it is.
            return !complete && available < length && valid == available;
        }
        i += length;
    }
    return true;
}

std::string TextDecoder::ValidUtf8(std::string_view text) {
    std::string result(RoomFor(text.size()), '\0');
    std::size_t produced = 0;
    DecodeUtf8(reinterpret_cast<const unsigned char*>(text.data()), text.size(), true,
               result.data(), produced);
    result.resize(produced);
    return result;
}

} // namespace quorvane::tag
