#include "failing_source.h"
#include "quorvane/tag/checked16.h"
#include "quorvane/tag/table_builder.h"
#include "quorvane/tag/u16_string_sink.h"
#include "read_all.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <unistd.h>

namespace quorvane::tag::test {
namespace {

std::u16string BuildText(const std::string& bytes, std::int16_t count,
                         const std::vector<std::u16string>& styles) {
    FieldReader reader(Encoding::Cp932);
    reader.Open(std::make_unique<MemoryByteSource>(bytes));
    std::u16string text = u"<table>";
    U16StringSink sink(text);
    Build(reader, count, styles, sink);
    return text;
}

// Lines joined with CR LF, no line end after the last.
std::u16string Lines(std::initializer_list<std::u16string_view> lines) {
    std::u16string text;
    for (const auto line : lines) {
        if (!text.empty()) {
            text += u"\r\n";
        }
        text += line;
    }
    return text;
}

struct BuildCase {
    const char* name;
    std::string bytes;
    std::int16_t count;
    std::vector<std::u16string> styles;
    std::u16string text;
};

void PrintTo(const BuildCase& c, std::ostream* os) {
    *os << c.name;
}

const BuildCase kCases[] = {
    {"WorkedExample",
     "a,b\r\nc\r\n",
     2,
     {u"align=right", u""},
     Lines({u"<table>", u"<tr>", u"<td align=right>a</td>", u"<td>b</td>", u"</tr>", u"<tr>",
            u"<td align=right>c</td>", u"<td></td>", u"</tr>", u"</table>"})},
    {"EmptyFile", "", 3, {u"x"}, u"<table>\r\n</table>"},
    {"CompleteRowsNoFiller",
     "1,2\r\n3,4\r\n",
     2,
     {},
     Lines({u"<table>", u"<tr>", u"<td>1</td>", u"<td>2</td>", u"</tr>", u"<tr>", u"<td>3</td>",
            u"<td>4</td>", u"</tr>", u"</table>"})},
    {"TrailingSpacesGiveFillerRow",
     "a\r\n  ",
     1,
     {u"s"},
     Lines({u"<table>", u"<tr>", u"<td s>a</td>", u"</tr>", u"<tr>", u"<td s></td>", u"</tr>",
            u"</table>"})},
    {"BlankLastLineGivesEmptyRow",
     "a,b\r\n\r\n",
     2,
     {},
     Lines({u"<table>", u"<tr>", u"<td>a</td>", u"<td>b</td>", u"</tr>", u"<tr>", u"<td></td>",
            u"<td></td>", u"</tr>", u"</table>"})},
    {"OneFieldPerRow",
     "a,b\nc",
     1,
     {},
     Lines({u"<table>", u"<tr>", u"<td>a</td>", u"</tr>", u"<tr>", u"<td>b</td>", u"</tr>", u"<tr>",
            u"<td>c</td>", u"</tr>", u"</table>"})},
    {"RowsCutAcrossLines",
     "a,b,c\nd,e,f\n",
     2,
     {u"L", u"R"},
     Lines({u"<table>", u"<tr>", u"<td L>a</td>", u"<td R>b</td>", u"</tr>", u"<tr>",
            u"<td L>c</td>", u"<td R>d</td>", u"</tr>", u"<tr>", u"<td L>e</td>", u"<td R>f</td>",
            u"</tr>", u"</table>"})},
    {"OneSpaceStyleKept",
     "a",
     1,
     {u" "},
     Lines({u"<table>", u"<tr>", u"<td  >a</td>", u"</tr>", u"</table>"})},
    {"StyleOnlyForSecondColumn",
     "a,b",
     2,
     {u"", u"class=\"n\""},
     Lines({u"<table>", u"<tr>", u"<td>a</td>", u"<td class=\"n\">b</td>", u"</tr>", u"</table>"})},
    {"StylesBeyondCountUnused",
     "a",
     1,
     {u"x", u"y"},
     Lines({u"<table>", u"<tr>", u"<td x>a</td>", u"</tr>", u"</table>"})},
    {"MarkupCopiedUnchanged",
     "<i>&</i>",
     1,
     {u"title=\"<&>\""},
     Lines({u"<table>", u"<tr>", u"<td title=\"<&>\"><i>&</i></td>", u"</tr>", u"</table>"})},
    {"ShortRowFilledFromItsColumn",
     "a,b,c,d",
     3,
     {u"1", u"2", u"3"},
     Lines({u"<table>", u"<tr>", u"<td 1>a</td>", u"<td 2>b</td>", u"<td 3>c</td>", u"</tr>",
            u"<tr>", u"<td 1>d</td>", u"<td 2></td>", u"<td 3></td>", u"</tr>", u"</table>"})},
};

class BuildCases : public testing::TestWithParam<BuildCase> {};

TEST_P(BuildCases, BuildsTable) {
    const BuildCase& c = GetParam();
    EXPECT_EQ(BuildText(c.bytes, c.count, c.styles), c.text);
}

INSTANTIATE_TEST_SUITE_P(Table, BuildCases, testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Build, EmptyStyleListGivesBareCells) {
    const std::u16string text = BuildText("a,b,c", 3, {});
    EXPECT_EQ(text.find(u"<td "), std::u16string::npos);
    EXPECT_NE(text.find(u"<td>c</td>"), std::u16string::npos);
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
    const std::u16string text = BuildText("a", INT16_MAX, {});
    std::size_t cells = 0;
    for (std::size_t at = text.find(u"<td>"); at != std::u16string::npos;
         at = text.find(u"<td>", at + 1)) {
        ++cells;
    }
    EXPECT_EQ(cells, static_cast<std::size_t>(INT16_MAX));
    EXPECT_TRUE(text.ends_with(u"<td></td>\r\n</tr>\r\n</table>"));
}

TEST(Checked16, TrapsInsteadOfWrapping) {
    EXPECT_EQ(CheckedAdd16(32766, 1), 32767);
    EXPECT_EQ(CheckedSub16(-32767, 1), -32768);
    for (const auto& f : {+[] { CheckedAdd16(32767, 1); }, +[] { CheckedSub16(-32768, 1); },
                          +[] { CheckedAdd16(-32768, -1); }}) {
        try {
            f();
            FAIL() << "no overflow reported";
        } catch (const TagError& error) {
            EXPECT_EQ(error.code(), ErrorCode::Overflow);
        }
    }
}

TEST(Build, ReadFailurePropagatesAndKeepsWhatWasBuilt) {
    FieldReader reader;
    reader.Open(std::make_unique<quorvane::fuzz::FailingSource>("a,b,c", SIZE_MAX));
    std::u16string text = u"<table>";
    U16StringSink sink(text);
    try {
        Build(reader, 2, {}, sink);
        FAIL() << "read failure swallowed";
    } catch (const TagError& error) {
        EXPECT_EQ(error.code(), ErrorCode::ReadFailed);
    }
    EXPECT_EQ(text, Lines({u"<table>", u"<tr>", u"<td>a</td>", u"<td>b</td>", u"</tr>", u"<tr>",
                           u"<td>c"}));
}

class ExhaustedSink final : public TagSink {
public:
    void Append(std::u16string_view) override { throw std::bad_alloc(); }
};

TEST(Build, OutOfMemoryIsAFailureWithItsCode) {
    FieldReader reader;
    reader.Open(std::make_unique<MemoryByteSource>("a"));
    ExhaustedSink sink;
    try {
        Build(reader, 1, {}, sink);
        FAIL() << "no failure";
    } catch (const TagError& error) {
        EXPECT_EQ(error.code(), ErrorCode::OutOfMemory);
    }
}

TEST(ConvertFile, ConvertsAFileFromItsPath) {
    char name[] = "/tmp/quorvane-convert-XXXXXX";
    const int fd = mkstemp(name);
    ASSERT_GE(fd, 0);
    const std::string bytes = "\x93\xfa,\x96\x7b\r\n"; // 日,本 in code page 932
    ASSERT_EQ(write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    close(fd);
    const std::u16string text = ConvertFile(name, 2, {u"a"});
    std::remove(name);
    EXPECT_EQ(text, Lines({u"<table>", u"<tr>", u"<td a>日</td>", u"<td>本</td>", u"</tr>",
                           u"</table>"}));
}

} // namespace
} // namespace quorvane::tag::test
