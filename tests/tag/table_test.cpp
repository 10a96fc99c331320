#include "table_property.h"

#include <fstream>
#include <gtest/gtest.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace quorvane::tag {
namespace {

// `lines` with each | made a CR LF, and each . an empty cell.
std::string Crlf(const std::string& lines) {
    std::string out;
    for (const char c : lines) {
        out += c == '|' ? "\r\n" : c == '.' ? "\r\n<td></td>" : std::string(1, c);
    }
    return out;
}

struct Case {
    test::Case input;
    std::string text;
    bool fail = false;
};

// clang-format off
const Case kCases[] = {
    {{.build = {.fieldCount = 2, .styleRows = {"align=right", ""}}, .file = "a,b\r\nc\r\n"},
     Crlf("<table>|<tr>|<td align=right>a</td>|<td>b</td>|</tr>|<tr>|<td align=right>c</td>|"
          "<td></td>|</tr>|</table>")},
    {{.build = {.fieldCount = 3, .styleRows = {"x"}}}, "<table>\r\n</table>"},
    {{.build = {.styleRows = {"s"}}, .file = "a\r\n  "},
     Crlf("<table>|<tr>|<td s>a</td>|</tr>|<tr>|<td s></td>|</tr>|</table>")},
    {{.build = {.fieldCount = 2, .styleRows = {"L", "R", "unused"}}, .file = "a,b,c\nd,e,f\n"},
     Crlf("<table>|<tr>|<td L>a</td>|<td R>b</td>|</tr>|<tr>|<td L>c</td>|<td R>d</td>|</tr>|"
          "<tr>|<td L>e</td>|<td R>f</td>|</tr>|</table>")},
    {{.build = {.fieldCount = 2, .styleRows = {"", "title=\"<&>\""}}, .file = "<i>&</i>,b"},
     Crlf("<table>|<tr>|<td><i>&</i></td>|<td title=\"<&>\">b</td>|</tr>|</table>")},
    {{.build = {.fieldCount = 2, .styleRows = {"x", ""}, .headerRow = true}, .file = "h1,h2\r\na,b\r\nc"},
     Crlf("<table>|<tr>|<th x>h1</th>|<th>h2</th>|</tr>|<tr>|<td x>a</td>|<td>b</td>|</tr>|"
          "<tr>|<td x>c</td>|<td></td>|</tr>|</table>")},
    {{.build = {.fieldCount = 2, .styleRows = {"", "y"}, .headerRow = true}, .file = "h"},
     Crlf("<table>|<tr>|<th>h</th>|<th y></th>|</tr>|</table>")},
    {{.read = {.encoding = Encoding::Cp932},
      .build = {.fieldCount = 2, .styleRows = {"title=\"<&>\""}, .escape = true},
      .file = "\"\x93\xfa<&>\"\"'\",&amp;&#39;"},
     Crlf("<table>|<tr>|<td title=\"<&>\">日&lt;&amp;&gt;&quot;&#39;</td>|"
          "<td>&amp;amp;&amp;#39;</td>|</tr>|</table>")},
    {{.build = {.fieldCount = INT16_MAX}, .file = "a"}, Crlf("<table>|<tr>|<td>a</td>" + std::string(INT16_MAX - 1, '.') + "|</tr>|</table>")},
    {{.build = {.fieldCount = 0}, .file = "a,b"}, "<table>#5"},
    {{.build = {.fieldCount = INT16_MIN}, .file = "a,b"}, "<table>#5"},
    // A read failure keeps its code and what was built before it.
    {{.build = {.fieldCount = 2}, .file = "a,b,c"}, Crlf("<table>|<tr>|<td>a</td>|<td>b</td>|</tr>|<tr>|<td>c#57"),
     true},
};
// clang-format on

TEST(Build, BuildsEveryRow) {
    for (const Case& c : kCases) {
        EXPECT_EQ(test::Converted(c.input, {SIZE_MAX}, c.fail ? c.input.file.size() : SIZE_MAX),
                  c.text)
            << "row " << &c - kCases;
    }
}

class ExhaustedSink final : public TagSink {
public:
    void Append(std::string_view) override { throw std::bad_alloc(); }
};

TEST(Convert, ReportsOutOfMemory) {
    InputFile file(QUORVANE_FUZZ_INPUTS "/corpus/reader_builder/utf8");
    ExhaustedSink exhausted;
    try {
        Convert(file, {}, {}, exhausted);
        ADD_FAILURE() << "no error";
    } catch (const TagError& error) {
        EXPECT_EQ(error.code(), ErrorCode::OutOfMemory);
    }
}

// Random inputs from pieces that meet every rule of the reader, in every
// form it reads, with random options.
test::Case RandomCase(std::mt19937& random) {
    static const std::string kPieces[] = {",",
                                          ";",
                                          "|",
                                          "\t",
                                          " ",
                                          "   ",
                                          " \t",
                                          "\"",
                                          "\"\"",
                                          "\r",
                                          "\n",
                                          "\r\n",
                                          "a",
                                          "bc",
                                          "<&>'",
                                          "\x1a",
                                          "\x83\x7c",
                                          "\x82\xa0",
                                          "\x81\x40",
                                          "\x83",
                                          "\x80",
                                          "\xa0",
                                          "\xfd",
                                          "\xb1",
                                          "\xe3\x81\x82",
                                          "\xe3\x81",
                                          "\xff",
                                          "\xc3\xa9",
                                          "\xf0\x9f\x98\x80",
                                          "\xed\xa0\x80"};
    static const std::string kAttributes[] = {
        "", " ", "align=right", "c=\"\xe3\x81\x82\"", "x\xe3\x81", "\xff y", "a\xc3"};
    // UTF-16 units a high byte stands for: あ, the halves of 😀 (alone or
    // paired), units whose bytes are a '|', a ',' or a quote.
    static constexpr char16_t kUnits[] = {0x3042, 0xD83D, 0xDE00, 0x7C22, 0x2C7C, 0xFFFE};
    const auto pick = [&](const auto& from) { return from[random() % std::size(from)]; };
    test::Case c{.read = {.encoding = static_cast<Encoding>(random() % 4),
                          .delimiter = ",\t;|"[random() % 4]},
                 .build = {.fieldCount = static_cast<std::int16_t>(random() % 5),
                           .headerRow = random() % 2 == 0,
                           .escape = random() % 2 == 0,
                           .tableAttribute = pick(kAttributes)}};
    c.build.styleRows.resize(random() % 4);
    for (std::string& row : c.build.styleRows) {
        row = pick(kAttributes);
    }
    for (int n = random() % 24; n > 0; --n) {
        c.file += pick(kPieces);
    }
    const int form = random() % 7; // 0 to 2 as they are; else UTF-16, LE or BE, with a mark or not
    if (form > 2) {
        const bool be = form % 2 == 0;
        std::string wide = form < 5 ? (be ? "\xfe\xff" : "\xff\xfe") : "";
        for (const char b : c.file) {
            const char16_t u = b & 0x80 ? kUnits[(b & 0x7F) % std::size(kUnits)] : b;
            wide += be ? std::string{char(u >> 8), char(u)} : std::string{char(u), char(u >> 8)};
        }
        c.file = wide + (random() % 4 == 0 ? "x" : "");
    } else if (random() % 8 == 0) {
        c.file = "\xef\xbb\xbf" + c.file;
    }
    return c;
}

TEST(Convert, GivesTheTableOfTheFieldRulesHoweverTheInputIsCut) {
    std::mt19937 random(20261207);
    for (int i = 0; i < 2000; ++i) {
        const test::Case c = RandomCase(random);
        ASSERT_EQ(test::Disagreement(c, i), "")
            << "case " << i << ": " << testing::PrintToString(c.file) << " encoding "
            << int(c.read.encoding) << " delimiter " << int(c.read.delimiter);
    }
}

// The fuzz target's property over its corpus and every input that ever
// failed it; a broken property aborts.
TEST(Convert, KeepsThePropertyOnEveryFuzzInput) {
    std::size_t count = 0;
    for (const char* dir : {"/corpus/reader_builder", "/regressions/reader_builder"}) {
        for (const auto& entry :
             std::filesystem::directory_iterator(QUORVANE_FUZZ_INPUTS + std::string(dir))) {
            std::ifstream in(entry.path(), std::ios::binary);
            const std::string bytes(std::istreambuf_iterator<char>(in), {});
            LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                   bytes.size());
            ++count;
        }
    }
    EXPECT_GT(count, 30u);
}

} // namespace
} // namespace quorvane::tag
