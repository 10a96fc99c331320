#include "quorvane/tag/utf16.h"

#include <gtest/gtest.h>

namespace quorvane::tag {
namespace {

struct Pair {
    std::string utf8;
    std::u16string utf16;
};

// Both ways: the one text in each form.
const Pair kPairs[] = {
    {"", u""},
    {"a,b\r\n", u"a,b\r\n"},
    {"売上表.csv", u"売上表.csv"},
    {"\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF", u"\u0080\u07FF\u0800\uFFFF"},
    {"\xF0\x90\x80\x80 \xF0\x9F\x98\x80 \xF4\x8F\xBF\xBF", u"\U00010000 \U0001F600 \U0010FFFF"},
    {"ｱﾌﾟﾘ\t①", u"ｱﾌﾟﾘ\t①"},
};

TEST(Utf16, ConvertsBothWays) {
    for (const Pair& pair : kPairs) {
        EXPECT_EQ(Utf16FromUtf8(pair.utf8), pair.utf16) << pair.utf8;
        EXPECT_EQ(Utf8FromUtf16(pair.utf16), pair.utf8) << pair.utf8;
    }
}

// Each maximal ill-formed part becomes one U+FFFD, as in a file.
TEST(Utf16, IllFormedUtf8BecomesReplacements) {
    const Pair cases[] = {
        {"a\200b", u"a\uFFFDb"},
        {"\343\201a", u"\uFFFDa"},                         // cut short before a character
        {"\xE3\x81", u"\uFFFD"},                           // cut short by the end
        {"\xC0\xAF", u"\uFFFD\uFFFD"},                     // overlong
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},           // an encoded surrogate
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"}, // past U+10FFFF
        {"\xF0\x9F\x98", u"\uFFFD"},
        {"\xFF\xFE", u"\uFFFD\uFFFD"},
    };
    for (const Pair& pair : cases) {
        EXPECT_EQ(Utf16FromUtf8(pair.utf8), pair.utf16) << testing::PrintToString(pair.utf8);
    }
}

TEST(Utf16, UnpairedSurrogatesBecomeReplacements) {
    const Pair cases[] = {
        {"a\uFFFD", u"a\xD800"},
        {"\uFFFDb", std::u16string{0xDC00, u'b'}},
        {"\uFFFD\uFFFD", std::u16string{0xDC00, 0xD800}}, // the wrong order
        {"\uFFFD\U0001F600", std::u16string{0xD83D, 0xD83D, 0xDE00}},
        {"\uFFFDx\uFFFD", std::u16string{0xDBFF, u'x', 0xDFFF}},
    };
    for (const Pair& pair : cases) {
        EXPECT_EQ(Utf8FromUtf16(pair.utf16), pair.utf8) << pair.utf8;
    }
}

} // namespace
} // namespace quorvane::tag
