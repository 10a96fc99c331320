// The reader and the builder over arbitrary bytes.
//
// Input: byte 0 picks the field count, byte 1 the encoding and the piece size
// of the second reading, byte 2 where an injected read failure strikes; then
// the attribute rows up to the first NUL byte, separated by byte 1 (ASCII
// bytes as they are, a high byte a Japanese word); the rest is the file.
//
// Every input is converted whole, in small pieces and with a read failure
// part-way; all must agree with a table assembled here from the fields
// ReadField hands out.
#include "memory_source.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace quorvane::fuzz {
namespace {

// A failed check aborts: a crash to libFuzzer, a failure to the replay.
#define QUORVANE_CHECK(condition)                                                                  \
    ((condition) ? void() : (std::fprintf(stderr, "check failed: %s\n", #condition), std::abort()))

struct Case final {
    std::int16_t fieldCount = 1;
    tag::Encoding encoding = tag::Encoding::Auto;
    std::size_t pieceSize = SIZE_MAX;
    std::size_t failAfter = 0;
    std::vector<std::string> styleRows{};
    std::string file{};
};

Case Parse(const std::uint8_t* data, std::size_t size) {
    static constexpr std::int16_t kSpecial[] = {0, -1, -32768, 100, 255, 1000, 32767, 2};
    static constexpr std::size_t kPieces[] = {1, 2, 3, 5, 8, 64, 4096};
    const char* bytes = reinterpret_cast<const char*>(data);
    if (size < 3) {
        return {.file = std::string(bytes, size)};
    }
    Case c{.fieldCount = data[0] < 0xF8 ? static_cast<std::int16_t>(1 + data[0] % 24)
                                        : kSpecial[data[0] - 0xF8],
           .encoding = static_cast<tag::Encoding>(data[1] % 3), // Auto, Cp932 or Utf8
           .pieceSize = kPieces[data[1] / 3 % std::size(kPieces)],
           .styleRows = {""}};
    const std::size_t end = std::find(data + 3, data + size, 0) - data;
    for (std::size_t i = 3; i < end; ++i) {
        if (data[i] == 1) {
            c.styleRows.emplace_back();
        } else {
            // Attributes are UTF-8: a Japanese word stands for any high byte.
            c.styleRows.back() += data[i] >= 0x80 ? "表の列" : std::string(1, bytes[i]);
        }
    }
    c.file.assign(bytes + std::min(end + 1, size), bytes + size);
    c.failAfter = c.file.size() * data[2] / 255;
    return c;
}

// One reader per encoding for the whole run, as a reader keeps its buffers
// from one Open to the next.
tag::FieldReader& Reader(tag::Encoding encoding) {
    static tag::FieldReader readers[] = {tag::FieldReader(tag::Encoding::Auto),
                                         tag::FieldReader(tag::Encoding::Cp932),
                                         tag::FieldReader(tag::Encoding::Utf8)};
    return readers[static_cast<int>(encoding)];
}

// The table assembled from ReadField's fields: AtEnd before each row, a row
// cut short by the end of the data filled up with empty cells.
std::string Expected(const Case& c) {
    test::MemorySource source(c.file);
    tag::FieldReader& reader = Reader(c.encoding);
    reader.Open(source);
    std::string text = "<table>";
    bool ended = false;
    while (!ended && !reader.AtEnd()) {
        text += "\r\n<tr>";
        for (int col = 0; col < c.fieldCount; ++col) {
            std::string field;
            try {
                field = ended ? "" : reader.ReadField();
            } catch (const tag::TagError& error) {
                QUORVANE_CHECK(error.code() == tag::ErrorCode::InputPastEnd);
                ended = true;
            }
            const bool styled = col < std::ssize(c.styleRows) && !c.styleRows[col].empty();
            text += "\r\n<td" + (styled ? " " + c.styleRows[col] : "") + ">" + field + "</td>";
        }
        text += "\r\n</tr>";
    }
    return text + "\r\n</table>";
}

void Run(const Case& c) {
    // The table of `source`, "#code" after it when building failed.
    const auto convert = [&](test::MemorySource source) {
        return test::BuildText(Reader(c.encoding), source,
                               {.fieldCount = c.fieldCount, .styleRows = c.styleRows});
    };
    const std::string whole = convert(test::MemorySource(c.file));
    QUORVANE_CHECK(convert(test::MemorySource(c.file, c.pieceSize)) == whole);
    if (c.fieldCount < 1) {
        QUORVANE_CHECK(whole == "<table>#5"); // InvalidArgument, nothing built
        return;
    }
    QUORVANE_CHECK(whole == Expected(c));
    // A read failure part-way keeps its code, and the text so far begins the
    // whole table.
    const std::string failed =
        convert(test::MemorySource(c.file.substr(0, c.failAfter), c.pieceSize, true));
    QUORVANE_CHECK(failed.ends_with("#57") &&
                   whole.starts_with(failed.substr(0, failed.size() - 3)));
}

} // namespace
} // namespace quorvane::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    quorvane::fuzz::Run(quorvane::fuzz::Parse(data, size));
    return 0;
}
