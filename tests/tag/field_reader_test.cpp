#include "read_all.h"

#include <gtest/gtest.h>

namespace quorvane::tag::test {
namespace {

struct FieldCase {
    const char* name;
    std::string bytes;
    std::vector<std::string> fields;
    bool pastEnd = false;
    char delimiter = ',';
};

void PrintTo(const FieldCase& c, std::ostream* os) {
    *os << c.name;
}

// Each case is read whole at once and with the bytes arriving one, two and
// three at a time, so every buffer boundary inside quotes, spaces and CR LF
// is crossed.
const FieldCase kCases[] = {
    {"EmptyFile", "", {}},
    {"QuotedCommaField", "a,\"b,c\",d\r\n", {"a", "b,c", "d"}},
    {"SpacesAroundFieldDropped", "x , y", {"x", "y"}},
    {"TabsAreSpaces", "\t x\t ,\t y \t\n", {"x", "y"}},
    {"InnerSpacesKept", "a b  c,d", {"a b  c", "d"}},
    {"IdeographicSpaceIsData",
     "\x81\x40"
     "a\x81\x40,b",
     {"\u3000a\u3000", "b"}},
    {"QuotedFieldSpansLineEnd", "\"a\r\nb\",c", {"a\r\nb", "c"}},
    {"DoubledQuoteIsOneQuote", "\"say \"\"hi\"\"\",x", {"say \"hi\"", "x"}},
    {"OnlyDoubledQuotes", "\"\"\"\"", {"\""}},
    {"TextAfterClosingQuoteDropped", "\"ab\"cd,e", {"ab", "e"}},
    {"TextAfterClosingQuoteToLineEnd", "\"ab\" x y\r\nz", {"ab", "z"}},
    {"QuoteInsideUnquotedIsData", "a\"b,c", {"a\"b", "c"}},
    {"UnclosedQuoteRunsToEnd", "\"abc,def\r\nghi  ", {"abc,def\r\nghi  "}},
    {"SpacesBeforeQuoteSkipped", "  \"a\"", {"a"}},
    {"QuotedSpacesKept", "\" a \",b", {" a ", "b"}},
    {"EmptyQuotedField", "\"\",b", {"", "b"}},
    {"TwoCommasGiveEmptyField", "a,,b", {"a", "", "b"}},
    {"CommaBeforeLineEnd", "a,\nb", {"a", "", "b"}},
    {"BlankLineIsOneEmptyField", "a\r\n\r\nb\r\n", {"a", "", "b"}},
    {"SpacesOnlyLineIsOneEmptyField", "a\n  \nb", {"a", "", "b"}},
    {"Byte26IsData", "a\x1a,\x1a", {"a\x1a", "\x1a"}},
    {"ControlBytesMapToThemselves", "\x1c\x7f", {"\x1c\x7f"}},
    {"CrAloneEndsLine", "a\rb", {"a", "b"}},
    {"LfAloneEndsLine", "a\nb", {"a", "b"}},
    {"CrLfIsOneLineEnd", "a\r\nb", {"a", "b"}},
    {"LfCrIsTwoLineEnds", "a\n\rb", {"a", "", "b"}},
    {"CrCrLfIsTwoLineEnds", "a\r\r\nb", {"a", "", "b"}},
    {"QuotedThenCrLf", "\"a\"\r\n\"b\"\r\n", {"a", "b"}},
    {"NoFinalLineEnd", "a,b", {"a", "b"}},
    {"FinalCommaEndsData", "a,", {"a"}},
    {"TrailingSpacesAfterLastLineEndArePastEnd", "a\n  ", {"a"}, true},
    {"SpacesOnlyFileIsPastEnd", " \t ", {}, true},
    {"LoneQuoteAtEnd", "a,\"", {"a", ""}},
    {"MarkupCopiedUnchanged", "<b>&amp;</b>", {"<b>&amp;</b>"}},
    {"BackslashAndTildeAreAscii", "\\~", {"\\~"}},
    // Other delimiters; a tab that is the delimiter is no space.
    {"TabDelimited", "a\t \"b\tc\" \t d \t\te\n", {"a", "b\tc", "d", "", "e"}, false, '\t'},
    {"SemicolonDelimited", " a ; \"b;\"\"c\" x;d,e\r\n", {"a", "b;\"c", "d,e"}, false, ';'},
    {"PipeDelimited", "\ta\t|\"|\"|b c|", {"a", "|", "b c"}, false, '|'},
};

class FieldReaderCases : public testing::TestWithParam<std::tuple<FieldCase, std::size_t>> {};

TEST_P(FieldReaderCases, ReadsFields) {
    const auto& [c, piece] = GetParam();
    const ReadResult result = ReadAll(c.bytes, Encoding::Cp932, piece, c.delimiter);
    EXPECT_EQ(result.fields, c.fields);
    EXPECT_EQ(result.pastEnd, c.pastEnd);
}

INSTANTIATE_TEST_SUITE_P(Rules, FieldReaderCases,
                         testing::Combine(testing::ValuesIn(kCases),
                                          testing::Values(SIZE_MAX, 1, 2, 3)),
                         [](const auto& info) {
                             const std::size_t piece = std::get<1>(info.param);
                             return std::string(std::get<0>(info.param).name) +
                                    (piece == SIZE_MAX ? "_Whole"
                                                       : "_Piece" + std::to_string(piece));
                         });

TEST(FieldReader, EmptyFileIsAtEndAndReadFailsWith62) {
    quorvane::test::MemorySource source("");
    FieldReader reader;
    reader.Open(source);
    EXPECT_TRUE(reader.AtEnd());
    try {
        reader.ReadField();
        FAIL() << "ReadField past the end did not fail";
    } catch (const TagError& error) {
        EXPECT_EQ(error.code(), ErrorCode::InputPastEnd);
        EXPECT_EQ(static_cast<int>(error.code()), 62);
    }
}

TEST(FieldReader, AtEndOnlyWhenNoByteIsLeft) {
    quorvane::test::MemorySource source("a,b\r\nc \n");
    FieldReader reader;
    reader.Open(source);
    EXPECT_FALSE(reader.AtEnd());
    EXPECT_EQ(reader.ReadField(), "a");
    EXPECT_FALSE(reader.AtEnd());
    EXPECT_EQ(reader.ReadField(), "b");
    EXPECT_FALSE(reader.AtEnd());
    EXPECT_EQ(reader.ReadField(), "c");
    EXPECT_TRUE(reader.AtEnd());
}

TEST(FieldReader, LongFieldsCrossTheBufferWhole) {
    // Longer than the reader's block, with spaces held back across blocks.
    const std::string longText = std::string(1500000, 'x') + std::string(300000, ' ') + "y";
    const std::string bytes = longText + "   ," + "\"" + longText + "\"\n";
    const ReadResult result = ReadAll(bytes);
    ASSERT_EQ(result.fields.size(), 2u);
    const std::string expected(longText.begin(), longText.end());
    EXPECT_EQ(result.fields[0], expected);
    EXPECT_EQ(result.fields[1], expected);
}

} // namespace
} // namespace quorvane::tag::test
