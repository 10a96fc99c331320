// The reader and the builder over arbitrary bytes.
//
// Input: byte 0 picks the field count, byte 1 the encoding and the piece size
// of the second reading, byte 2 where an injected read failure strikes; then
// the attribute rows up to the first NUL byte, separated by byte 1 (ASCII
// bytes as they are, a high byte a Japanese word); the rest is the file.
//
// Every input is converted three ways: whole, in small pieces, and with a
// read failure part-way. All must agree with a table assembled here from the
// fields ReadField hands out.
#include "failing_source.h"
#include "fuzz_check.h"
#include "memory_source.h"
#include "quorvane/tag/field_reader.h"
#include "quorvane/tag/string_sink.h"
#include "quorvane/tag/table_builder.h"
#include "quorvane/tag/tag_error.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quorvane::fuzz {
namespace {

using tag::ErrorCode;
using tag::TagError;

struct Case final {
    std::int16_t fieldCount = 1;
    tag::Encoding encoding = tag::Encoding::Auto;
    std::size_t pieceSize = SIZE_MAX;
    std::size_t failAfter = 0;
    std::vector<std::string> styleRows;
    std::string file;
};

std::int16_t FieldCount(std::uint8_t b) {
    static constexpr std::array<std::int16_t, 8> kSpecial = {0,   -1,   -32768, 100,
                                                             255, 1000, 32767,  2};
    return b < 0xF8 ? static_cast<std::int16_t>(1 + b % 24) : kSpecial[b - 0xF8];
}

Case Parse(const std::uint8_t* data, std::size_t size) {
    Case c;
    if (size < 3) {
        c.file.assign(reinterpret_cast<const char*>(data), size);
        return c;
    }
    static constexpr std::array<tag::Encoding, 3> kEncodings = {
        tag::Encoding::Auto, tag::Encoding::Cp932, tag::Encoding::Utf8};
    static constexpr std::array<std::size_t, 7> kPieces = {1, 2, 3, 5, 8, 64, 4096};
    c.fieldCount = FieldCount(data[0]);
    c.encoding = kEncodings[data[1] % 3];
    c.pieceSize = kPieces[(data[1] / 3) % kPieces.size()];
    const std::uint8_t failAt = data[2];
    std::size_t i = 3;
    c.styleRows.emplace_back();
    while (i < size && data[i] != 0) {
        if (data[i] == 1) {
            c.styleRows.emplace_back();
            ++i;
        } else if (data[i] >= 0x80) {
            // Attributes are UTF-8: a Japanese word stands for any high byte.
            c.styleRows.back() += "表の列";
            ++i;
        } else {
            c.styleRows.back() += static_cast<char>(data[i++]);
        }
    }
    i = std::min(i + 1, size);
    c.file.assign(reinterpret_cast<const char*>(data + i), size - i);
    c.failAfter = c.file.size() * failAt / 255;
    return c;
}

// One reader per encoding for the whole run: a reader keeps its buffers from
// one Open to the next, and allocating them afresh for every input would cost
// more than the conversions themselves.
tag::FieldReader& Reader(tag::Encoding encoding) {
    static tag::FieldReader readers[] = {tag::FieldReader(tag::Encoding::Auto),
                                         tag::FieldReader(tag::Encoding::Cp932),
                                         tag::FieldReader(tag::Encoding::Utf8)};
    return readers[static_cast<int>(encoding)];
}

struct Outcome final {
    std::string text;
    std::optional<ErrorCode> error;
};

// Builds the table of `source`; what was built before a failure is kept.
Outcome Convert(const Case& c, tag::ByteSource& source) {
    Outcome outcome;
    outcome.text = "<table>";
    tag::StringSink sink(outcome.text);
    tag::TextBuffer out(sink);
    try {
        tag::FieldReader& reader = Reader(c.encoding);
        reader.Open(source);
        tag::Build(reader, {.fieldCount = c.fieldCount, .styleRows = c.styleRows}, out);
    } catch (const TagError& error) {
        outcome.error = error.code();
    }
    out.Flush();
    return outcome;
}

// The table assembled from ReadField's fields: AtEnd before each row, a row
// cut short by the end of the data filled up with empty cells.
std::string Expected(const Case& c) {
    test::MemorySource source(c.file);
    tag::FieldReader& reader = Reader(c.encoding);
    reader.Open(source);
    std::string text = "<table>";
    auto cell = [&](std::size_t col, std::string_view value) {
        const bool styled = col < c.styleRows.size() && !c.styleRows[col].empty();
        text += "\r\n<td";
        text += styled ? " " + c.styleRows[col] : std::string();
        text += ">";
        text += value;
        text += "</td>";
    };
    const auto count = static_cast<std::size_t>(c.fieldCount);
    bool ended = false;
    while (!ended && !reader.AtEnd()) {
        text += "\r\n<tr>";
        for (std::size_t col = 0; col < count; ++col) {
            std::string field;
            if (!ended) {
                try {
                    field = reader.ReadField();
                } catch (const TagError& error) {
                    QUORVANE_CHECK(error.code() == ErrorCode::InputPastEnd);
                    ended = true;
                }
            }
            cell(col, field);
        }
        text += "\r\n</tr>";
    }
    return text + "\r\n</table>";
}

// What holds of every finished table whatever its fields hold; the rows and
// their cells are checked by the comparison with Expected, which builds them
// one by one.
void CheckFrame(std::string_view text) {
    QUORVANE_CHECK(text.starts_with("<table>"));
    QUORVANE_CHECK(text.ends_with("\r\n</table>"));
    QUORVANE_CHECK(text == "<table>\r\n</table>" || text.substr(7).starts_with("\r\n<tr>\r\n"));
    QUORVANE_CHECK(text == "<table>\r\n</table>" || text.ends_with("</td>\r\n</tr>\r\n</table>"));
}

void Run(const Case& c) {
    test::MemorySource wholeSource(c.file);
    test::MemorySource pieceSource(c.file, c.pieceSize);
    const Outcome whole = Convert(c, wholeSource);
    const Outcome pieces = Convert(c, pieceSource);
    QUORVANE_CHECK(whole.text == pieces.text && whole.error == pieces.error);
    if (c.fieldCount < 1) {
        QUORVANE_CHECK(whole.error == ErrorCode::InvalidArgument && whole.text == "<table>");
        return;
    }
    QUORVANE_CHECK(!whole.error);
    CheckFrame(whole.text);
    QUORVANE_CHECK(whole.text == Expected(c));

    // A read failure part-way: the failure with its code, and the text so far
    // a beginning of the whole table.
    FailingSource failing(c.file.substr(0, c.failAfter), c.pieceSize);
    const Outcome failed = Convert(c, failing);
    QUORVANE_CHECK(failed.error == ErrorCode::ReadFailed);
    QUORVANE_CHECK(whole.text.starts_with(failed.text));
}

} // namespace
} // namespace quorvane::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    quorvane::fuzz::Run(quorvane::fuzz::Parse(data, size));
    return 0;
}
