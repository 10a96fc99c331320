// The conversion over arbitrary bytes, which choose the options and make the
// file: however the file is cut into reads, the table is the one the field
// rules give (table_property.h).
//
// Byte 0 picks the field count; byte 1 the encoding (bits 0-1), the
// delimiter (bits 2-3), --header (bit 4), --escape (bit 5) and the form of
// the file (bits 6-7: its bytes as they are; each byte a piece below; the
// pieces in UTF-16 LE; in UTF-16 BE); byte 2 a mark before the file (bits
// 0-1: none, UTF-16 LE, UTF-16 BE, UTF-8), an odd byte after it (bit 2) and
// the seed of the random cuts. Then the attribute rows up to the first NUL
// byte, separated by byte 1, the table attribute after a byte 2; the rest
// makes the file.
#include "table_property.h"

#include <cstdio>
#include <cstdlib>

namespace quorvane::fuzz {
namespace {

// Pieces that meet every rule of the reader: delimiters, spaces, quotes,
// line ends, text and markup; in code page 932 ポ (its second byte a '|'),
// あ, the full-width space, a lone lead byte, undefined bytes, katakana; in
// UTF-8 あ, a cut あ, an invalid byte, é, 😀 and an encoded surrogate.
// clang-format off
const std::string kPieces[] = {
    ",", ";", "|", "\t", " ", "   ", " \t", "\"", "\"\"", "\r", "\n", "\r\n", "a", "bc", "<&>'",
    "\x1a", "\x83\x7c", "\x82\xa0", "\x81\x40", "\x83", "\x80", "\xa0", "\xfd", "\xb1",
    "\xe3\x81\x82", "\xe3\x81", "\xff", "\xc3\xa9", "\xf0\x9f\x98\x80", "\xed\xa0\x80"};
// clang-format on
// The UTF-16 units that the high bytes of the pieces stand for, by byte and
// place: あ, the two halves of 😀, the first and last high and low
// surrogates, units whose bytes hold a '|', a ',' or a quote, and a reversed
// mark.
constexpr char16_t kUnits[] = {0x3042, 0xD83D, 0xDE00, 0xD800, 0xDBFF,
                               0xDC00, 0xDFFF, 0x7C22, 0x2C7C, 0xFFFE};

test::Case Parse(const std::uint8_t* data, std::size_t size) {
    static constexpr std::int16_t kSpecial[] = {0, -1, -32768, 100, 255, 1000, 32767, 2};
    static constexpr const char* kMarks[] = {"", "\xff\xfe", "\xfe\xff", "\xef\xbb\xbf"};
    const char* bytes = reinterpret_cast<const char*>(data);
    if (size < 3) {
        return {.file = std::string(bytes, size)};
    }
    test::Case c{.read = {.encoding = static_cast<tag::Encoding>(data[1] & 3),
                          .delimiter = ",\t;|"[data[1] >> 2 & 3]},
                 .build = {.fieldCount = data[0] < 0xF8 ? static_cast<std::int16_t>(1 + data[0] % 8)
                                                        : kSpecial[data[0] - 0xF8],
                           .styleRows = {""},
                           .headerRow = (data[1] & 0x10) != 0,
                           .escape = (data[1] & 0x20) != 0}};
    const std::size_t end = std::find(data + 3, data + size, 0) - data;
    std::string* text = &c.build.styleRows.back();
    for (std::size_t i = 3; i < end; ++i) {
        if (data[i] == 1 || data[i] == 2) {
            text = data[i] == 1 ? &c.build.styleRows.emplace_back() : &c.build.tableAttribute;
        } else {
            *text += bytes[i];
        }
    }
    const int form = data[1] >> 6;
    std::string pieces, file = kMarks[data[2] & 3];
    for (std::size_t i = end + 1; i < size; ++i) {
        pieces += form == 0 ? std::string(1, bytes[i]) : kPieces[data[i] % std::size(kPieces)];
    }
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        const char b = pieces[i];
        const char16_t u = b & 0x80 ? kUnits[(i + b) % std::size(kUnits)] : b;
        file += form < 2 ? std::string(1, b)
                         : (form == 2 ? std::string{char(u), char(u >> 8)}
                                      : std::string{char(u >> 8), char(u)});
    }
    c.file = file + (data[2] & 4 ? "x" : "");
    return c;
}

} // namespace

// Where the conversion of the input the bytes stand for breaks the
// property; "" when nowhere.
std::string Check(const std::uint8_t* data, std::size_t size) {
    return test::Disagreement(Parse(data, size), size < 3 ? 0 : data[2] >> 3);
}

} // namespace quorvane::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string problem = quorvane::fuzz::Check(data, size);
    if (!problem.empty()) {
        std::fprintf(stderr, "%s\n", problem.c_str());
        std::abort();
    }
    return 0;
}
