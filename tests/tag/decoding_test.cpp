#include "read_all.h"

#include <cstring>
#include <gtest/gtest.h>
#include <iconv.h>
#include <optional>

namespace quorvane::tag::test {
namespace {

// glibc's decoder of code page 932, independent of ICU: the UTF-8 text of
// `bytes`, or nothing when it does not define them.
std::optional<std::string> IconvCp932(const std::string& bytes) {
    iconv_t cd = iconv_open("UTF-8", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return std::nullopt;
    }
    char out[16];
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    char* outPtr = out;
    std::size_t outLeft = sizeof out;
    const std::size_t r = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (r == static_cast<std::size_t>(-1) || inLeft != 0) {
        return std::nullopt;
    }
    return std::string(out, sizeof out - outLeft);
}

std::string One(const std::string& bytes, Encoding encoding = Encoding::Cp932) {
    const ReadResult result = ReadAll(bytes, encoding);
    return result.fields.size() == 1 ? result.fields[0] : "<not one field>";
}

TEST(Cp932Decoding, EveryTwoByteCodeAgreesWithIconv) {
    // All pairs in one file, one field each, so the reader's own path is
    // checked; trail bytes never collide with the delimiters.
    std::string bytes;
    std::vector<std::string> codes;
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if (lead >= 0xA0 && lead <= 0xDF) {
            continue;
        }
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            if (trail == 0x7F) {
                continue;
            }
            codes.push_back({static_cast<char>(lead), static_cast<char>(trail)});
            bytes += codes.back() + ",";
        }
    }
    const ReadResult result = ReadAll(bytes);
    ASSERT_EQ(result.fields.size(), codes.size());
    std::size_t defined = 0;
    for (std::size_t i = 0; i < codes.size(); ++i) {
        const auto expected = IconvCp932(codes[i]);
        defined += expected.has_value();
        EXPECT_EQ(result.fields[i], expected.value_or("\uFFFD"))
            << std::hex
            << (static_cast<unsigned char>(codes[i][0]) << 8 |
                static_cast<unsigned char>(codes[i][1]));
    }
    EXPECT_GT(defined, 9000u) << "iconv CP932 seems to be missing";
}

struct DecodeCase {
    const char* name;
    std::string bytes;
    std::string text;
};

void PrintTo(const DecodeCase& c, std::ostream* os) {
    *os << c.name;
}

const DecodeCase kCp932Cases[] = {
    {"Hiragana", "\x82\xa0\x82\xa2", "あい"},
    {"NecCircledDigit", "\x87\x40", "①"},
    {"NecRomanNumeral", "\x87\x54", "Ⅰ"},
    {"NecSelectedIbmKanji", "\xed\x40", "纊"},
    {"IbmExtensionKanji", "\xfb\xfc", "髙"},
    {"IbmSmallRoman", "\xfa\x40", "ⅰ"},
    {"WaveDashAsWindows", "\x81\x60", "\uFF5E"},
    {"MinusAsWindows", "\x81\x7c", "\uFF0D"},
    {"FullWidthBackslash", "\x81\x5f", "\uFF3C"},
    {"HalfWidthKatakana", "\xb1\xdf", "\uFF71\uFF9F"},
    {"BackslashIsAscii", "\x5c", "\\"},
    {"TildeIsAscii", "\x7e", "~"},
    {"Byte1AIsAscii", "\x1a", "\x1a"},
    {"Byte1CIsAscii", "\x1c", "\x1c"},
    {"Byte7FIsAscii", "\x7f", "\x7f"},
    {"UndefinedSingleBytes", "\x80\xa0\xfd\xfe\xff", "\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD"},
    {"UnassignedPairIsOneReplacement", "\x85\x40x", "\uFFFDx"},
    {"LeadWithoutTrailKeepsNextByte", "\x81\x31x", "\uFFFD1x"},
    {"LeadBeforeSpaceIsReplaced", "\x81 x", "\uFFFD x"},
    {"LeadAtEndOfFile", "a\x81", "a\uFFFD"},
    {"BomIsNotSkippedInCp932", "\xef\xbb\xbf", "\uFFFD\uFF7F"},
};

class Cp932Cases : public testing::TestWithParam<DecodeCase> {};

TEST_P(Cp932Cases, Decodes) {
    EXPECT_EQ(One(GetParam().bytes, Encoding::Cp932), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Cp932, Cp932Cases, testing::ValuesIn(kCp932Cases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Cp932Decoding, LeadByteBeforeDelimiterDoesNotSwallowIt) {
    EXPECT_EQ(ReadAll("\x81,b").fields, (std::vector<std::string>{"\uFFFD", "b"}));
}

TEST(Cp932Decoding, LongKanjiFieldSplitAcrossBlocks) {
    // An odd ASCII prefix puts a lead byte on the last byte of the block.
    std::string bytes = "x";
    std::string text = "x";
    for (int i = 0; i < 700000; ++i) {
        bytes += "\x93\xfa";
        text += "日";
    }
    EXPECT_EQ(One(bytes), text);
}

const DecodeCase kUtf8Cases[] = {
    {"BmpText", "\xe3\x81\x82\xe9\xab\x99", "あ髙"},
    {"Supplementary", "\xf0\x9f\x98\x80", "\U0001F600"},
    {"InvalidByteReplaced",
     "a\xff"
     "b",
     "a\uFFFD"
     "b"},
    {"TruncatedSequenceBeforeDelimiter", "\xe3\x81", "\uFFFD"},
    {"BomSkipped", "\xef\xbb\xbf\xe3\x81\x82", "あ"},
};

class Utf8Cases : public testing::TestWithParam<DecodeCase> {};

TEST_P(Utf8Cases, DecodesWhenForced) {
    EXPECT_EQ(One(GetParam().bytes, Encoding::Utf8), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Utf8, Utf8Cases, testing::ValuesIn(kUtf8Cases),
                         [](const auto& info) { return std::string(info.param.name); });

struct DetectCase {
    const char* name;
    std::string bytes;
    std::string firstField;
    // The last field, where the decision shows after an ASCII start; not
    // checked when empty.
    std::string lastField;
};

void PrintTo(const DetectCase& c, std::ostream* os) {
    *os << c.name;
}

// `text` as UTF-16 bytes in either order.
std::string Utf16(std::u16string_view text, bool bigEndian) {
    std::string bytes;
    for (const char16_t u : text) {
        const char high = static_cast<char>(u >> 8);
        const char low = static_cast<char>(u & 0xFF);
        bytes += bigEndian ? std::string{high, low} : std::string{low, high};
    }
    return bytes;
}

const std::string kUtf8A = "\xe3\x81\x82";   // あ in UTF-8
const std::string kCp932A = "\x82\xa0";      // あ in code page 932
const std::string kAsciiRun(100 << 10, 'a'); // longer than the decision window

const DetectCase kDetectCases[] = {
    {"BomMeansUtf8",
     "\xef\xbb\xbf"
     "a,b",
     "a", "b"},
    {"BomOnly", "\xef\xbb\xbf", "", ""},
    {"ValidUtf8", kUtf8A + ",b", "あ", "b"},
    {"Cp932", kCp932A + ",b", "あ", "b"},
    {"PureAscii", "a,b", "a", "b"},
    {"Utf8AfterLongAsciiPrefix", kAsciiRun + "," + kUtf8A, kAsciiRun, "あ"},
    {"Cp932AfterLongAsciiPrefix", kAsciiRun + "," + kCp932A, kAsciiRun, "あ"},
    // Invalid UTF-8 beyond the 64 KiB window does not change the decision.
    {"InvalidAfterWindowStaysUtf8", kUtf8A + kAsciiRun + "\xff", "あ" + kAsciiRun + "\uFFFD",
     "あ" + kAsciiRun + "\uFFFD"},
    {"InvalidInsideWindowIsCp932", kUtf8A + "," + std::string(1000, 'a') + "\x82\xa0", "縺\uFFFD",
     std::string(1000, 'a') + "あ"},
    {"Utf8CutAtEndOfFileIsCp932", "a" + kUtf8A.substr(0, 2), "a縺", "a縺"},
    // The window ends inside a sequence that is already invalid (a surrogate).
    {"InvalidSequenceCutByWindowIsCp932",
     kUtf8A + "," + std::string((64 << 10) - 6, 'a') + "\xed\xa0\x80", "縺\uFFFD", ""},
    // A UTF-16 byte order mark in either order; unpaired surrogates and an
    // odd last byte are replaced.
    {"Utf16LittleEndian", "\xff\xfe" + Utf16(u"\"a,\U0001F600\"\r\n\xD800x", false), "a,\U0001F600",
     "\uFFFDx"},
    {"Utf16BigEndian", "\xfe\xff" + Utf16(u"\u3042 ,\xDC00\xD83D", true), "あ", "\uFFFD\uFFFD"},
    {"Utf16OddLastByte", "\xff\xfe" + Utf16(u"b,a", false) + "a", "b", "a\uFFFD"},
};

class DetectCases : public testing::TestWithParam<std::tuple<DetectCase, std::size_t>> {};

TEST_P(DetectCases, DecidesFromTheData) {
    const auto& [c, piece] = GetParam();
    const ReadResult result = ReadAll(c.bytes, Encoding::Auto, piece);
    EXPECT_EQ(result.fields.empty() ? "" : result.fields.front(), c.firstField);
    if (!c.lastField.empty()) {
        EXPECT_EQ(result.fields.back(), c.lastField);
    }
}

INSTANTIATE_TEST_SUITE_P(Auto, DetectCases,
                         testing::Combine(testing::ValuesIn(kDetectCases),
                                          testing::Values(SIZE_MAX, 7)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) +
                                    (std::get<1>(info.param) == 7 ? "_Stream" : "_Whole");
                         });

TEST(Utf16Decoding, ForcedWithoutMarkIsLittleEndianAndOthersIgnoreTheMark) {
    EXPECT_EQ(One(Utf16(u"\u3042b", false), Encoding::Utf16), "あb");
    EXPECT_EQ(One("\xfe\xff" + Utf16(u"\u3042", true), Encoding::Utf16), "あ");
    EXPECT_EQ(One("\xff\xfe"
                  "a",
                  Encoding::Utf8),
              "\uFFFD\uFFFDa");
}

} // namespace
} // namespace quorvane::tag::test
