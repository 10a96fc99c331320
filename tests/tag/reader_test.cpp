#include "read_ahead.h"
#include "table_property.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>

#define R "\uFFFD"

namespace quorvane::tag {
namespace {

using Fields = std::vector<std::string>;
using namespace std::string_literals;

// The table of `bytes` at one field a row.
std::string Table(const std::string& bytes, Encoding encoding, char delimiter = ',') {
    return test::Converted({.read = {encoding, delimiter}, .file = bytes}, {SIZE_MAX});
}

// The table of `fields` at one field a row.
std::string Rows(const Fields& fields) {
    std::string table = "<table>";
    for (const std::string& field : fields) {
        table += "\r\n<tr>\r\n<td>" + field + "</td>\r\n</tr>";
    }
    return table + "\r\n</table>";
}

// UTF-16LE bytes of `text` (the machines this runs on are little-endian).
std::string Utf16(std::u16string_view text) {
    return std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2);
}

constexpr auto C = Encoding::Cp932, U = Encoding::Utf8, A = Encoding::Auto, W = Encoding::Utf16;
const std::string kUtf8A = "\xe3\x81\x82";
const std::string kRun(100 << 10, 'a'); // longer than the window that decides the encoding

struct Case {
    std::string bytes;
    Encoding encoding;
    Fields fields;
    char delimiter = ',';
};

// Each row is read whole, and cut in every way the property tries: the
// table is the same and the reference agrees.
// clang-format off
const Case kCases[] = {
    {"", C, {}},
    {"a,\"b,c\",d\r\n", C, {"a", "b,c", "d"}},
    {"\x81\x40" "a\x81\x40,b", C, {"\u3000a\u3000", "b"}},
    {"\"say \"\"hi\"\"\",\"\"\"\"", C, {"say \"hi\"", "\""}},
    {"a\rb\n\rc\r\r\nd", C, {"a", "b", "", "c", "", "d"}},
    {"<b>&amp;</b>\\~", C, {"<b>&amp;</b>\\~"}},
    {" a ; \"b;\"\"c\" x;d,e\r\n", C, {"a", "b;\"c", "d,e"}, ';'},
    {"\ta\t|\"|\"|b c|", C, {"a", "|", "b c"}, '|'},
    // A '|' that is the second byte of ポ or － ends no field, after a quote too.
    {"\x83\x7c|a\x81\x7c|\"\x83\x7c\"|\x83", C, {"ポ", "a－", "ポ", "\uFFFD"}, '|'},
    {"\"a\"\x83\x7c|b|c", C, {"a", "b", "c"}, '|'},
    // Code page 932: the characters Windows maps its own way, NEC and IBM
    // extensions, half-width katakana, two-byte characters below U+0800,
    // undefined bytes and cut pairs.
    {"\x82\xa0\x87\x40\x87\x54\xed\x40\xfb\xfc\xfa\x40", C, {"あ①Ⅰ纊髙ⅰ"}},
    {"\x81\x60\x81\x7c\x81\x5f\xb1\xdf\x5c\x7e", C, {"～－＼ｱﾟ\\~"}},
    {"\x81\x8b\x81\x7d\x81\x7e\x83\x9f\x84\x60\x81\x98", C, {"°±×ΑЯ§"}},
    {"\x80\xa0\xfd\xfe\xff\xff,\x85\x40x,\x81\x31x,\x81 x", C,
     {R R R R R R, "\uFFFDx", "\uFFFD1x", "\uFFFD x"}},
    {"\x81,a\x81", C, {"\uFFFD", "a\uFFFD"}},
    {"\xef\xbb\xbf", C, {"\uFFFD\uFF7F"}},
    // UTF-8 when asked for: replacement of invalid and cut sequences, the
    // mark skipped.
    {"\xef\xbb\xbf\xe3\x81\x82\xf0\x9f\x98\x80\xc2\x80\xdf\xbf,a\xff" "b,\xe3\x81", U,
     {"あ\U0001F600\u0080\u07FF", "a\uFFFDb", "\uFFFD"}},
    {"\xff\xfe" "a", U, {"\uFFFD\uFFFDa"}},
    {"\xf0\x80\x80\x80,\xe0\x80\x80\xed\xa0\x80", U, {R R R R, R R R R R R}},
    // The encoding found from the data.
    {"\xef\xbb\xbf" "a,b", A, {"a", "b"}},
    {"\xef\xbb\xbf", A, {}},
    {kUtf8A + ",b", A, {"あ", "b"}},
    {"\x82\xa0,b", A, {"あ", "b"}},
    {kRun + "," + kUtf8A, A, {kRun, "あ"}},
    {kRun + ",\x82\xa0", A, {kRun, "あ"}},
    {kUtf8A + kRun + "\xff", A, {"あ" + kRun + "\uFFFD"}},
    {kUtf8A + "," + std::string(1000, 'a') + "\x82\xa0", A,
     {"縺\uFFFD", std::string(1000, 'a') + "あ"}},
    {"a" + kUtf8A.substr(0, 2), A, {"a縺"}},
    {"a\xc3", A, {"aﾃ"}},
    {kUtf8A + "," + std::string((64 << 10) - 6, 'a') + "\xed\xa0\x80", A,
     {"縺\uFFFD", std::string((64 << 10) - 6, 'a') + "恝\uFFFD"}},
    // A window that the data ends with ends with a cut character.
    {"\xc3\xa9" + std::string(65532, 'a') + "\xe3\x81", A, {"ﾃｩ" + std::string(65532, 'a') + "縺"}},
    {"\xff\xfe" + Utf16(u"\"a,\U0001F600\"\r\n\xD800x"), A, {"a,\U0001F600", "\uFFFDx"}},
    {"\xfe\xff\x30\x42\0 \0,\xdc\0\xd8\x3d"s, A, {"あ", "\uFFFD\uFFFD"}},
    {"\xff\xfe" + Utf16(u"b,a") + "a", A, {"b", "a\uFFFD"}},
    {Utf16(u"\u3042b"), W, {"あb"}},
    {"\xfe\xff\x30\x42", W, {"あ"}},
};
// clang-format on

TEST(FieldReader, ReadsEveryRowHoweverItIsCut) {
    for (const Case& c : kCases) {
        EXPECT_EQ(Table(c.bytes, c.encoding, c.delimiter), Rows(c.fields)) << "row " << &c - kCases;
        EXPECT_EQ(test::Disagreement({.read = {c.encoding, c.delimiter}, .file = c.bytes}, 1), "")
            << "row " << &c - kCases;
    }
}

TEST(FieldReader, LongFieldsCrossTheBlocksWhole) {
    // Longer than the reader's block, spaces held back across blocks, and an
    // odd prefix that puts a lead byte on the last byte of a block.
    const std::string text = std::string(1500000, 'x') + std::string(300000, ' ') + "y";
    EXPECT_EQ(Table(text + "   ,\"" + text + "\"\n", C), Rows({text, text}));
    std::string bytes = "x", kanji = "x";
    const std::u16string wide(700000, u'日');
    for (int i = 0; i < 700000; ++i) {
        bytes += "\x93\xfa";
        kanji += "日";
    }
    EXPECT_EQ(Table(bytes, C), Rows({kanji}));
    EXPECT_EQ(Table("\xff\xfe" + Utf16(wide + u",y"), A), Rows({kanji.substr(1), "y"}));
}

// Every lead byte before every byte from 0x40 up, in every cut: the
// reference decodes them with glibc's CP932.
TEST(FieldReader, ReadsEveryTwoByteCp932Code) {
    std::string bytes;
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            bytes += {char(lead), char(trail), ','};
        }
    }
    EXPECT_EQ(test::Disagreement({.read = {C}, .file = bytes}, 1), "");
}

// A thread that reads ahead hands over every byte read before a failure, in
// buffers filled whole, and then the failure, once.
TEST(ReadAhead, HandsOverEveryByteBeforeAFailure) {
    std::string bytes(10000, '\0');
    std::mt19937 random(3);
    for (char& b : bytes) {
        b = static_cast<char>(random());
    }
    for (const bool fail : {false, true}) {
        test::MemorySource source(bytes, {7, 300}, fail);
        ReadAhead ahead(source, 4096, 4096);
        auto buffer = MakeLarge<unsigned char>(4096);
        std::string got;
        int failures = 0;
        for (int swaps = 0; swaps < 10; ++swaps) {
            try {
                const std::size_t n = ahead.Swap(buffer);
                EXPECT_TRUE(n == 4096 || got.size() + n == bytes.size()) << n;
                got.append(reinterpret_cast<const char*>(buffer.get()), n);
            } catch (const TagError& error) {
                EXPECT_EQ(error.code(), ErrorCode::ReadFailed);
                ++failures;
            }
        }
        EXPECT_EQ(got, bytes);
        EXPECT_EQ(failures, fail ? 1 : 0);
    }
}

} // namespace
} // namespace quorvane::tag
