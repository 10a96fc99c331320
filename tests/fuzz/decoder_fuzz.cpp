// The decoder over arbitrary bytes. Byte 0 picks the encoding and where the
// bytes are cut in two for a streamed decoding; the rest are decoded.
//
// Code page 932 is compared with glibc's iconv, unit by unit: a lead byte
// with a trail byte is one unit, any other byte is one; bytes below 0x80 are
// ASCII as they stand. UTF-8 is compared with a decoder written here that
// replaces each maximal invalid subsequence with one U+FFFD, and, when the
// bytes are valid, with iconv too. Code page 932 is also decoded straight
// to UTF-8, which must be the UTF-8 of the same text.
#include "fuzz_check.h"
#include "text_decoder.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <iconv.h>
#include <optional>
#include <string>
#include <vector>

namespace quorvane::fuzz {
namespace {

using tag::Encoding;
using tag::TextDecoder;

constexpr char16_t kReplacement = 0xFFFD;

// One UTF-16 unit that iconv makes of `bytes`, or nothing.
std::optional<char16_t> IconvUnit(iconv_t cd, const char* bytes, std::size_t size) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* in = const_cast<char*>(bytes);
    char16_t out[4];
    char* to = reinterpret_cast<char*>(out);
    std::size_t inLeft = size;
    std::size_t outLeft = sizeof out;
    if (iconv(cd, &in, &inLeft, &to, &outLeft) == static_cast<std::size_t>(-1) || inLeft != 0 ||
        sizeof out - outLeft != 2) {
        return std::nullopt;
    }
    return out[0];
}

bool IsLead(std::uint8_t b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

bool IsTrail(std::uint8_t b) {
    return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC);
}

// iconv's code page 932, every single byte and every lead/trail pair.
struct Cp932Reference final {
    Cp932Reference() {
        iconv_t cd = iconv_open("UTF-16LE", "CP932");
        QUORVANE_CHECK(cd != reinterpret_cast<iconv_t>(-1));
        for (int b = 0; b < 256; ++b) {
            const char byte = static_cast<char>(b);
            single[b] = b < 0x80 ? static_cast<char16_t>(b)
                                 : IconvUnit(cd, &byte, 1).value_or(kReplacement);
        }
        pair.fill(kReplacement);
        for (int lead = 0x81; lead <= 0xFC; ++lead) {
            for (int trail = 0x40; trail <= 0xFC; ++trail) {
                if (IsLead(lead) && IsTrail(trail)) {
                    const char bytes[2] = {static_cast<char>(lead), static_cast<char>(trail)};
                    pair[lead << 8 | trail] = IconvUnit(cd, bytes, 2).value_or(kReplacement);
                }
            }
        }
        iconv_close(cd);
    }

    std::array<char16_t, 256> single{};
    std::array<char16_t, 65536> pair{};
};

std::u16string ReferenceCp932(const std::uint8_t* in, std::size_t size) {
    static const Cp932Reference table;
    std::u16string out;
    for (std::size_t i = 0; i < size;) {
        if (IsLead(in[i]) && i + 1 < size && IsTrail(in[i + 1])) {
            out += table.pair[in[i] << 8 | in[i + 1]];
            i += 2;
        } else {
            out += IsLead(in[i]) ? kReplacement : table.single[in[i]];
            ++i;
        }
    }
    return out;
}

struct Utf8Result final {
    std::u16string text;
    bool valid = true;
    // Valid except for a sequence that the end of the bytes cut short.
    bool validBeforeCut = true;
};

// Range of the byte after `lead` that keeps a sequence valid.
std::pair<std::uint8_t, std::uint8_t> SecondRange(std::uint8_t lead) {
    switch (lead) {
    case 0xE0:
        return {0xA0, 0xBF};
    case 0xED:
        return {0x80, 0x9F};
    case 0xF0:
        return {0x90, 0xBF};
    case 0xF4:
        return {0x80, 0x8F};
    default:
        return {0x80, 0xBF};
    }
}

Utf8Result ReferenceUtf8(const std::uint8_t* in, std::size_t size) {
    Utf8Result result;
    for (std::size_t i = 0; i < size;) {
        const std::uint8_t lead = in[i];
        const std::size_t length = lead < 0x80                    ? 1
                                   : lead >= 0xC2 && lead <= 0xDF ? 2
                                   : lead >= 0xE0 && lead <= 0xEF ? 3
                                   : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                                  : 0;
        if (length == 1) {
            result.text += static_cast<char16_t>(lead);
            ++i;
            continue;
        }
        std::size_t n = 1;
        char32_t c = length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
        while (length != 0 && n < length && i + n < size) {
            const auto [low, high] =
                n == 1 ? SecondRange(lead) : std::pair<std::uint8_t, std::uint8_t>{0x80, 0xBF};
            if (in[i + n] < low || in[i + n] > high) {
                break;
            }
            c = c << 6 | (in[i + n] & 0x3F);
            ++n;
        }
        if (length != 0 && n == length) {
            if (c >= 0x10000) {
                result.text += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
                result.text += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
            } else {
                result.text += static_cast<char16_t>(c);
            }
        } else {
            result.text += kReplacement;
            const bool cut = length != 0 && i + n == size;
            result.validBeforeCut = result.validBeforeCut && cut;
            result.valid = false;
        }
        i += n;
    }
    return result;
}

std::optional<std::u16string> IconvUtf8(const std::uint8_t* in, std::size_t size) {
    static const iconv_t cd = iconv_open("UTF-16LE", "UTF-8");
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    std::u16string out(size, u'\0');
    char* from = reinterpret_cast<char*>(const_cast<std::uint8_t*>(in));
    char* to = reinterpret_cast<char*>(out.data());
    std::size_t inLeft = size;
    std::size_t outLeft = out.size() * 2;
    if (iconv(cd, &from, &inLeft, &to, &outLeft) == static_cast<std::size_t>(-1)) {
        return std::nullopt;
    }
    out.resize(out.size() - outLeft / 2);
    return out;
}

std::string Decode(const TextDecoder& decoder, const std::uint8_t* in, std::size_t size) {
    std::string out(TextDecoder::RoomFor(size), '\0');
    std::size_t produced = 0;
    const std::size_t used = decoder.Decode(in, size, true, out.data(), produced);
    QUORVANE_CHECK(used == size && produced <= 3 * size);
    out.resize(produced);
    return out;
}

// The bytes decoded in two calls, cut at `cut`: what the first call leaves
// undecoded is an incomplete character at its end, handed to the second.
std::string DecodeInTwo(const TextDecoder& decoder, const std::uint8_t* in, std::size_t size,
                        std::size_t cut) {
    std::string out(TextDecoder::RoomFor(size), '\0');
    std::size_t first = 0;
    const std::size_t used = decoder.Decode(in, cut, false, out.data(), first);
    QUORVANE_CHECK(used <= cut && cut - used < 4 && first <= 3 * used);
    std::size_t second = 0;
    const std::size_t rest =
        decoder.Decode(in + used, size - used, true, out.data() + first, second);
    QUORVANE_CHECK(rest == size - used);
    out.resize(first + second);
    return out;
}

void Run(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return;
    }
    const bool utf8 = data[0] & 1;
    const std::uint8_t* in = data + 1;
    const std::size_t n = size - 1;
    const std::size_t cut = n * (data[0] >> 1) / 127;
    const TextDecoder decoder(utf8 ? Encoding::Utf8 : Encoding::Cp932);
    const std::string text = Decode(decoder, in, n);
    QUORVANE_CHECK(DecodeInTwo(decoder, in, n, cut) == text);
    QUORVANE_CHECK(DecodeInTwo(decoder, in, n, n) == text);
    if (!utf8) {
        QUORVANE_CHECK(text == ToUtf8(ReferenceCp932(in, n)));
        return;
    }
    const Utf8Result reference = ReferenceUtf8(in, n);
    QUORVANE_CHECK(text == ToUtf8(reference.text));
    QUORVANE_CHECK(TextDecoder::ValidUtf8({reinterpret_cast<const char*>(in), n}) == text);
    QUORVANE_CHECK(TextDecoder::IsValidUtf8(in, n, true) == reference.valid);
    QUORVANE_CHECK(TextDecoder::IsValidUtf8(in, n, false) == reference.validBeforeCut);
    if (reference.valid) {
        QUORVANE_CHECK(IconvUtf8(in, n) == reference.text);
    }
}

} // namespace
} // namespace quorvane::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    quorvane::fuzz::Run(data, size);
    return 0;
}
