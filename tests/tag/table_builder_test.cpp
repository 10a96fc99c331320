#include "failing_source.h"
#include "quorvane/tag/checked16.h"
#include "quorvane/tag/convert.h"
#include "quorvane/tag/table_builder.h"
#include "read_all.h"
#include "scratch_dir.h"

#include <gtest/gtest.h>

namespace quorvane::tag::test {
namespace {

std::string BuildText(const std::string& bytes, std::int16_t count,
                      const std::vector<std::string>& styles, bool header = false,
                      bool escape = false) {
    return BuildAll(bytes, {.fieldCount = count,
                            .styleRows = styles,
                            .encoding = Encoding::Cp932,
                            .headerRow = header,
                            .escape = escape});
}

// Lines joined with CR LF, no line end after the last.
std::string Lines(std::initializer_list<std::string_view> lines) {
    std::string text;
    for (const auto line : lines) {
        if (!text.empty()) {
            text += "\r\n";
        }
        text += line;
    }
    return text;
}

struct BuildCase {
    const char* name;
    std::string bytes;
    std::int16_t count;
    std::vector<std::string> styles;
    std::string text;
    bool header = false;
    bool escape = false;
};

void PrintTo(const BuildCase& c, std::ostream* os) {
    *os << c.name;
}

const BuildCase kCases[] = {
    {"WorkedExample",
     "a,b\r\nc\r\n",
     2,
     {"align=right", ""},
     Lines({"<table>", "<tr>", "<td align=right>a</td>", "<td>b</td>", "</tr>", "<tr>",
            "<td align=right>c</td>", "<td></td>", "</tr>", "</table>"})},
    {"EmptyFile", "", 3, {"x"}, "<table>\r\n</table>"},
    {"CompleteRowsNoFiller",
     "1,2\r\n3,4\r\n",
     2,
     {},
     Lines({"<table>", "<tr>", "<td>1</td>", "<td>2</td>", "</tr>", "<tr>", "<td>3</td>",
            "<td>4</td>", "</tr>", "</table>"})},
    {"TrailingSpacesGiveFillerRow",
     "a\r\n  ",
     1,
     {"s"},
     Lines(
         {"<table>", "<tr>", "<td s>a</td>", "</tr>", "<tr>", "<td s></td>", "</tr>", "</table>"})},
    {"BlankLastLineGivesEmptyRow",
     "a,b\r\n\r\n",
     2,
     {},
     Lines({"<table>", "<tr>", "<td>a</td>", "<td>b</td>", "</tr>", "<tr>", "<td></td>",
            "<td></td>", "</tr>", "</table>"})},
    {"OneFieldPerRow",
     "a,b\nc",
     1,
     {},
     Lines({"<table>", "<tr>", "<td>a</td>", "</tr>", "<tr>", "<td>b</td>", "</tr>", "<tr>",
            "<td>c</td>", "</tr>", "</table>"})},
    {"RowsCutAcrossLines",
     "a,b,c\nd,e,f\n",
     2,
     {"L", "R"},
     Lines({"<table>", "<tr>", "<td L>a</td>", "<td R>b</td>", "</tr>", "<tr>", "<td L>c</td>",
            "<td R>d</td>", "</tr>", "<tr>", "<td L>e</td>", "<td R>f</td>", "</tr>", "</table>"})},
    {"OneSpaceStyleKept",
     "a",
     1,
     {" "},
     Lines({"<table>", "<tr>", "<td  >a</td>", "</tr>", "</table>"})},
    {"StyleOnlyForSecondColumn",
     "a,b",
     2,
     {"", "class=\"n\""},
     Lines({"<table>", "<tr>", "<td>a</td>", "<td class=\"n\">b</td>", "</tr>", "</table>"})},
    {"StylesBeyondCountUnused",
     "a",
     1,
     {"x", "y"},
     Lines({"<table>", "<tr>", "<td x>a</td>", "</tr>", "</table>"})},
    {"MarkupCopiedUnchanged",
     "<i>&</i>",
     1,
     {"title=\"<&>\""},
     Lines({"<table>", "<tr>", "<td title=\"<&>\"><i>&</i></td>", "</tr>", "</table>"})},
    {"ShortRowFilledFromItsColumn",
     "a,b,c,d",
     3,
     {"1", "2", "3"},
     Lines({"<table>", "<tr>", "<td 1>a</td>", "<td 2>b</td>", "<td 3>c</td>", "</tr>", "<tr>",
            "<td 1>d</td>", "<td 2></td>", "<td 3></td>", "</tr>", "</table>"})},
    {"HeaderRowWithAttributesAndShortLastRow",
     "h1,h2\r\na,b\r\nc",
     2,
     {"x", ""},
     Lines({"<table>", "<tr>", "<th x>h1</th>", "<th>h2</th>", "</tr>", "<tr>", "<td x>a</td>",
            "<td>b</td>", "</tr>", "<tr>", "<td x>c</td>", "<td></td>", "</tr>", "</table>"}),
     true},
    {"ShortHeaderRowFilledWithHeaderCells",
     "h",
     2,
     {"", "y"},
     Lines({"<table>", "<tr>", "<th>h</th>", "<th y></th>", "</tr>", "</table>"}),
     true},
    {"EscapesFieldTextNotAttributes",
     "\"\x93\xfa<&>\"\"'\",&amp;&#39;",
     2,
     {"title=\"<&>\""},
     Lines({"<table>", "<tr>", "<td title=\"<&>\">日&lt;&amp;&gt;&quot;&#39;</td>",
            "<td>&amp;amp;&amp;#39;</td>", "</tr>", "</table>"}),
     false,
     true},
};

class BuildCases : public testing::TestWithParam<BuildCase> {};

TEST_P(BuildCases, BuildsTable) {
    const BuildCase& c = GetParam();
    EXPECT_EQ(BuildText(c.bytes, c.count, c.styles, c.header, c.escape), c.text);
}

INSTANTIATE_TEST_SUITE_P(Table, BuildCases, testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Build, EmptyStyleListGivesBareCells) {
    const std::string text = BuildText("a,b,c", 3, {});
    EXPECT_EQ(text.find("<td "), std::string::npos);
    EXPECT_NE(text.find("<td>c</td>"), std::string::npos);
}

TEST(Build, FieldCountBelowOneFails) {
    for (const std::int16_t count : {std::int16_t{0}, std::int16_t{-1}, std::int16_t{INT16_MIN}}) {
        try {
            BuildText("a,b", count, {});
            FAIL() << "count " << count << " accepted";
        } catch (const TagError& error) {
            EXPECT_EQ(error.code(), ErrorCode::InvalidArgument);
        }
    }
}

TEST(Build, LargestFieldCountDoesNotOverflow) {
    const std::string text = BuildText("a", INT16_MAX, {});
    std::size_t cells = 0;
    for (std::size_t at = text.find("<td>"); at != std::string::npos;
         at = text.find("<td>", at + 1)) {
        ++cells;
    }
    EXPECT_EQ(cells, static_cast<std::size_t>(INT16_MAX));
    EXPECT_TRUE(text.ends_with("<td></td>\r\n</tr>\r\n</table>"));
}

TEST(Checked16, TrapsInsteadOfWrapping) {
    EXPECT_EQ(CheckedAdd16(32766, 1), 32767);
    EXPECT_EQ(CheckedSub16(-32767, 1), -32768);
    EXPECT_EQ(CheckedNarrow16(-32768), -32768);
    for (const auto& f : {+[] { CheckedAdd16(32767, 1); }, +[] { CheckedSub16(-32768, 1); },
                          +[] { CheckedAdd16(-32768, -1); }, +[] { CheckedNarrow16(32768); },
                          +[] { CheckedNarrow16(-32769); }}) {
        try {
            f();
            FAIL() << "no overflow reported";
        } catch (const TagError& error) {
            EXPECT_EQ(error.code(), ErrorCode::Overflow);
        }
    }
}

TEST(Build, ReadFailurePropagatesAndKeepsWhatWasBuilt) {
    quorvane::fuzz::FailingSource source("a,b,c", SIZE_MAX);
    FieldReader reader;
    reader.Open(source);
    std::string text = "<table>";
    StringSink sink(text);
    TextBuffer out(sink);
    try {
        Build(reader, {.fieldCount = 2}, out);
        FAIL() << "read failure swallowed";
    } catch (const TagError& error) {
        EXPECT_EQ(error.code(), ErrorCode::ReadFailed);
    }
    out.Flush();
    EXPECT_EQ(text,
              Lines({"<table>", "<tr>", "<td>a</td>", "<td>b</td>", "</tr>", "<tr>", "<td>c"}));
}

class ExhaustedSink final : public TagSink {
public:
    void Append(std::string_view) override { throw std::bad_alloc(); }
};

// Convert opens, builds and hands over; the sink running out of memory is
// OutOfMemory.
TEST(Convert, ConvertsAnOpenFileAndReportsOutOfMemory) {
    quorvane::test::ScratchDir scratch;
    const auto path = scratch.Write("data.csv", "\x93\xfa,\x96\x7b\r\n"); // 日,本 in cp932
    InputFile file(path);
    std::string text;
    StringSink sink(text);
    Convert(file, {.fieldCount = 2, .styleRows = {"a"}}, sink);
    EXPECT_EQ(text,
              Lines({"<table>", "<tr>", "<td a>日</td>", "<td>本</td>", "</tr>", "</table>"}));
    text.clear();
    InputFile other(scratch.Write("data.txt", "a;b\r\n"));
    Convert(other, {.fieldCount = 2, .tableAttribute = "class=\"t\"", .delimiter = ';'}, sink);
    EXPECT_EQ(text, Lines({"<table class=\"t\">", "<tr>", "<td>a</td>", "<td>b</td>", "</tr>",
                           "</table>"}));
    try {
        Convert(other, {.delimiter = ':'}, sink);
        FAIL() << "delimiter ':' accepted";
    } catch (const TagError& error) {
        EXPECT_EQ(error.code(), ErrorCode::InvalidArgument);
    }
    InputFile again(path);
    ExhaustedSink exhausted;
    try {
        Convert(again, {}, exhausted);
        FAIL() << "no failure";
    } catch (const TagError& error) {
        EXPECT_EQ(error.code(), ErrorCode::OutOfMemory);
    }
}

} // namespace
} // namespace quorvane::tag::test
