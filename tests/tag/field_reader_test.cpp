#include "quorvane/tag/u16_string_sink.h"
#include "read_all.h"

#include <gtest/gtest.h>

namespace quorvane::tag::test {
namespace {

struct FieldCase {
    const char* name;
    std::string bytes;
    std::vector<std::u16string> fields;
    bool pastEnd = false;
};

void PrintTo(const FieldCase& c, std::ostream* os) {
    *os << c.name;
}

// Each case is read whole at once and with the bytes arriving one, two and
// three at a time, so every buffer boundary inside quotes, spaces and CR LF
// is crossed.
const FieldCase kCases[] = {
    {"EmptyFile", "", {}},
    {"QuotedCommaField", "a,\"b,c\",d\r\n", {u"a", u"b,c", u"d"}},
    {"SpacesAroundFieldDropped", "x , y", {u"x", u"y"}},
    {"TabsAreSpaces", "\t x\t ,\t y \t\n", {u"x", u"y"}},
    {"InnerSpacesKept", "a b  c,d", {u"a b  c", u"d"}},
    {"IdeographicSpaceIsData",
     "\x81\x40"
     "a\x81\x40,b",
     {u"\u3000a\u3000", u"b"}},
    {"QuotedFieldSpansLineEnd", "\"a\r\nb\",c", {u"a\r\nb", u"c"}},
    {"DoubledQuoteIsOneQuote", "\"say \"\"hi\"\"\",x", {u"say \"hi\"", u"x"}},
    {"OnlyDoubledQuotes", "\"\"\"\"", {u"\""}},
    {"TextAfterClosingQuoteDropped", "\"ab\"cd,e", {u"ab", u"e"}},
    {"TextAfterClosingQuoteToLineEnd", "\"ab\" x y\r\nz", {u"ab", u"z"}},
    {"QuoteInsideUnquotedIsData", "a\"b,c", {u"a\"b", u"c"}},
    {"UnclosedQuoteRunsToEnd", "\"abc,def\r\nghi  ", {u"abc,def\r\nghi  "}},
    {"SpacesBeforeQuoteSkipped", "  \"a\"", {u"a"}},
    {"QuotedSpacesKept", "\" a \",b", {u" a ", u"b"}},
    {"EmptyQuotedField", "\"\",b", {u"", u"b"}},
    {"TwoCommasGiveEmptyField", "a,,b", {u"a", u"", u"b"}},
    {"CommaBeforeLineEnd", "a,\nb", {u"a", u"", u"b"}},
    {"BlankLineIsOneEmptyField", "a\r\n\r\nb\r\n", {u"a", u"", u"b"}},
    {"SpacesOnlyLineIsOneEmptyField", "a\n  \nb", {u"a", u"", u"b"}},
    {"Byte26IsData", "a\x1a,\x1a", {u"a\x1a", u"\x1a"}},
    {"ControlBytesMapToThemselves", "\x1c\x7f", {u"\x1c\x7f"}},
    {"CrAloneEndsLine", "a\rb", {u"a", u"b"}},
    {"LfAloneEndsLine", "a\nb", {u"a", u"b"}},
    {"CrLfIsOneLineEnd", "a\r\nb", {u"a", u"b"}},
    {"LfCrIsTwoLineEnds", "a\n\rb", {u"a", u"", u"b"}},
    {"CrCrLfIsTwoLineEnds", "a\r\r\nb", {u"a", u"", u"b"}},
    {"QuotedThenCrLf", "\"a\"\r\n\"b\"\r\n", {u"a", u"b"}},
    {"NoFinalLineEnd", "a,b", {u"a", u"b"}},
    {"FinalCommaEndsData", "a,", {u"a"}},
    {"TrailingSpacesAfterLastLineEndArePastEnd", "a\n  ", {u"a"}, true},
    {"SpacesOnlyFileIsPastEnd", " \t ", {}, true},
    {"LoneQuoteAtEnd", "a,\"", {u"a", u""}},
    {"MarkupCopiedUnchanged", "<b>&amp;</b>", {u"<b>&amp;</b>"}},
    {"BackslashAndTildeAreAscii", "\\~", {u"\\~"}},
};

class FieldReaderCases : public testing::TestWithParam<std::tuple<FieldCase, std::size_t>> {};

TEST_P(FieldReaderCases, ReadsFields) {
    const auto& [c, piece] = GetParam();
    const ReadResult result = ReadAll(c.bytes, Encoding::Cp932, piece);
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
    FieldReader reader;
    reader.Open(std::make_unique<MemoryByteSource>(""));
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
    FieldReader reader;
    reader.Open(std::make_unique<MemoryByteSource>("a,b\r\nc \n"));
    EXPECT_FALSE(reader.AtEnd());
    EXPECT_EQ(reader.ReadField(), u"a");
    EXPECT_FALSE(reader.AtEnd());
    EXPECT_EQ(reader.ReadField(), u"b");
    EXPECT_FALSE(reader.AtEnd());
    EXPECT_EQ(reader.ReadField(), u"c");
    EXPECT_TRUE(reader.AtEnd());
}

TEST(FieldReader, LongFieldsCrossTheBufferWhole) {
    // Longer than the reader's block, with spaces held back across blocks.
    const std::string longText = std::string(1500000, 'x') + std::string(300000, ' ') + "y";
    const std::string bytes = longText + "   ," + "\"" + longText + "\"\n";
    const ReadResult result = ReadAll(bytes);
    ASSERT_EQ(result.fields.size(), 2u);
    const std::u16string expected(longText.begin(), longText.end());
    EXPECT_EQ(result.fields[0], expected);
    EXPECT_EQ(result.fields[1], expected);
}

TEST(FieldReader, CopyFieldToStreamsTheSameText) {
    FieldReader reader;
    reader.Open(std::make_unique<MemoryByteSource>("  one two  ,\"x\"\"y\"", 1));
    std::u16string text;
    U16StringSink sink(text);
    reader.SkipToField();
    reader.CopyFieldTo(sink);
    text += u'|';
    reader.CopyFieldTo(sink);
    EXPECT_EQ(text, u"one two|x\"y");
    EXPECT_TRUE(reader.AtEnd());
}

} // namespace
} // namespace quorvane::tag::test
