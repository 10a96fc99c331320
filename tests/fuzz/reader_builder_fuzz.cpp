// The conversion over arbitrary bytes: however they are cut into reads, the
// table is the one the field rules give (see table_property.h).
//
// Input: byte 0 picks the field count; byte 1 the encoding (bits 0-1), the
// delimiter (bits 2-3), --header (bit 4), --escape (bit 5) and a mark put
// before the file (bits 6-7: none, UTF-16 LE, UTF-16 BE, UTF-8); byte 2 seeds
// the random cuts. Then the attribute rows up to the first NUL byte,
// separated by byte 1, the table attribute after a byte 2; the rest is the
// file.
#include "table_property.h"

#include <cstdio>
#include <cstdlib>

namespace quorvane::fuzz {
namespace {

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
        if (data[i] == 1) {
            text = &c.build.styleRows.emplace_back();
        } else if (data[i] == 2) {
            text = &c.build.tableAttribute;
        } else {
            *text += bytes[i];
        }
    }
    c.file = kMarks[data[1] >> 6] + std::string(bytes + std::min(end + 1, size), bytes + size);
    return c;
}

} // namespace
} // namespace quorvane::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string problem =
        quorvane::test::Disagreement(quorvane::fuzz::Parse(data, size), size < 3 ? 0 : data[2]);
    if (!problem.empty()) {
        std::fprintf(stderr, "%s\n", problem.c_str());
        std::abort();
    }
    return 0;
}
