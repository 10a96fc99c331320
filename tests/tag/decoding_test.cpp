#include "read_all.h"

#include <cstring>
#include <gtest/gtest.h>
#include <iconv.h>
#include <optional>

namespace quorvane::tag::test {
namespace {

// glibc's decoder of code page 932, independent of ICU: the UTF-16 text of
// `bytes`, or nothing when it does not define them.
std::optional<std::u16string> IconvCp932(const std::string& bytes) {
    iconv_t cd = iconv_open("UTF-16LE", "CP932");
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
    std::u16string text((sizeof out - outLeft) / 2, u'\0');
    std::memcpy(text.data(), out, text.size() * 2);
    return text;
}

std::u16string One(const std::string& bytes, Encoding encoding = Encoding::Cp932) {
    const ReadResult result = ReadAll(bytes, encoding);
    return result.fields.size() == 1 ? result.fields[0] : u"<not one field>";
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
        EXPECT_EQ(result.fields[i], expected.value_or(u"\uFFFD"))
            << std::hex
            << (static_cast<unsigned char>(codes[i][0]) << 8 |
                static_cast<unsigned char>(codes[i][1]));
    }
    EXPECT_GT(defined, 9000u) << "iconv CP932 seems to be missing";
}

struct DecodeCase {
    const char* name;
    std::string bytes;
    std::u16string text;
};

void PrintTo(const DecodeCase& c, std::ostream* os) {
    *os << c.name;
}

const DecodeCase kCp932Cases[] = {
    {"Hiragana", "\x82\xa0\x82\xa2", u"あい"},
    {"NecCircledDigit", "\x87\x40", u"①"},
    {"NecRomanNumeral", "\x87\x54", u"Ⅰ"},
    {"NecSelectedIbmKanji", "\xed\x40", u"纊"},
    {"IbmExtensionKanji", "\xfb\xfc", u"髙"},
    {"IbmSmallRoman", "\xfa\x40", u"ⅰ"},
    {"WaveDashAsWindows", "\x81\x60", u"\uFF5E"},
    {"MinusAsWindows", "\x81\x7c", u"\uFF0D"},
    {"FullWidthBackslash", "\x81\x5f", u"\uFF3C"},
    {"HalfWidthKatakana", "\xb1\xdf", u"\uFF71\uFF9F"},
    {"BackslashIsAscii", "\x5c", u"\\"},
    {"TildeIsAscii", "\x7e", u"~"},
    {"Byte1AIsAscii", "\x1a", u"\x1a"},
    {"Byte1CIsAscii", "\x1c", u"\x1c"},
    {"Byte7FIsAscii", "\x7f", u"\x7f"},
    {"UndefinedSingleBytes", "\x80\xa0\xfd\xfe\xff", u"\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD"},
    {"UnassignedPairIsOneReplacement", "\x85\x40x", u"\uFFFDx"},
    {"LeadWithoutTrailKeepsNextByte", "\x81\x31x", u"\uFFFD1x"},
    {"LeadBeforeSpaceIsReplaced", "\x81 x", u"\uFFFD x"},
    {"LeadAtEndOfFile", "a\x81", u"a\uFFFD"},
    {"BomIsNotSkippedInCp932", "\xef\xbb\xbf", u"\uFFFD\uFF7F"},
};

class Cp932Cases : public testing::TestWithParam<DecodeCase> {};

TEST_P(Cp932Cases, Decodes) {
    EXPECT_EQ(One(GetParam().bytes, Encoding::Cp932), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Cp932, Cp932Cases, testing::ValuesIn(kCp932Cases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Cp932Decoding, LeadByteBeforeDelimiterDoesNotSwallowIt) {
    EXPECT_EQ(ReadAll("\x81,b").fields, (std::vector<std::u16string>{u"\uFFFD", u"b"}));
}

TEST(Cp932Decoding, LongKanjiFieldSplitAcrossBlocks) {
    // An odd ASCII prefix puts a lead byte on the last byte of the block.
    std::string bytes = "x";
    std::u16string text = u"x";
    for (int i = 0; i < 700000; ++i) {
        bytes += "\x93\xfa";
        text += u"日";
    }
    EXPECT_EQ(One(bytes), text);
}

const DecodeCase kUtf8Cases[] = {
    {"BmpText", "\xe3\x81\x82\xe9\xab\x99", u"あ髙"},
    {"Supplementary", "\xf0\x9f\x98\x80", u"\U0001F600"},
    {"InvalidByteReplaced",
     "a\xff"
     "b",
     u"a\uFFFD"
     "b"},
    {"TruncatedSequenceBeforeDelimiter", "\xe3\x81", u"\uFFFD"},
    {"BomSkipped", "\xef\xbb\xbf\xe3\x81\x82", u"あ"},
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
    Encoding decided;
    std::u16string firstField;
};

void PrintTo(const DetectCase& c, std::ostream* os) {
    *os << c.name;
}

const std::string kUtf8A = "\xe3\x81\x82";   // あ in UTF-8
const std::string kCp932A = "\x82\xa0";      // あ in code page 932
const std::string kAsciiRun(100 << 10, 'a'); // longer than the decision window

const DetectCase kDetectCases[] = {
    {"BomMeansUtf8",
     "\xef\xbb\xbf"
     "a,b",
     Encoding::Utf8, u"a"},
    {"BomOnly", "\xef\xbb\xbf", Encoding::Utf8, u""},
    {"ValidUtf8", kUtf8A + ",b", Encoding::Utf8, u"あ"},
    {"Cp932", kCp932A + ",b", Encoding::Cp932, u"あ"},
    {"PureAsciiStaysUndecided", "a,b", Encoding::Auto, u"a"},
    {"Utf8AfterLongAsciiPrefix", kAsciiRun + "," + kUtf8A, Encoding::Utf8,
     std::u16string(kAsciiRun.begin(), kAsciiRun.end())},
    {"Cp932AfterLongAsciiPrefix", kAsciiRun + "," + kCp932A, Encoding::Cp932,
     std::u16string(kAsciiRun.begin(), kAsciiRun.end())},
    // Invalid UTF-8 beyond the 64 KiB window does not change the decision.
    {"InvalidAfterWindowStaysUtf8", kUtf8A + kAsciiRun + "\xff", Encoding::Utf8,
     u"あ" + std::u16string(kAsciiRun.begin(), kAsciiRun.end()) + u"\uFFFD"},
    {"InvalidInsideWindowIsCp932", kUtf8A + "," + std::string(1000, 'a') + "\xff", Encoding::Cp932,
     u"縺\uFFFD"},
    {"Utf8CutAtEndOfFileIsCp932", "a" + kUtf8A.substr(0, 2), Encoding::Cp932, u"a縺"},
    // The window ends inside a sequence that is already invalid (a surrogate).
    {"InvalidSequenceCutByWindowIsCp932",
     kUtf8A + "," + std::string((64 << 10) - 6, 'a') + "\xed\xa0\x80", Encoding::Cp932,
     u"縺\uFFFD"},
};

class DetectCases : public testing::TestWithParam<std::tuple<DetectCase, std::size_t>> {};

TEST_P(DetectCases, DecidesFromTheData) {
    const auto& [c, piece] = GetParam();
    FieldReader reader(Encoding::Auto);
    reader.Open(std::make_unique<MemoryByteSource>(c.bytes, piece));
    std::u16string first;
    if (!reader.AtEnd()) {
        first = reader.ReadField();
    }
    while (!reader.AtEnd()) {
        reader.ReadField();
    }
    EXPECT_EQ(reader.DecidedEncoding(), c.decided);
    EXPECT_EQ(first, c.firstField);
}

INSTANTIATE_TEST_SUITE_P(Auto, DetectCases,
                         testing::Combine(testing::ValuesIn(kDetectCases),
                                          testing::Values(SIZE_MAX, 7)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) +
                                    (std::get<1>(info.param) == 7 ? "_Stream" : "_Whole");
                         });

} // namespace
} // namespace quorvane::tag::test
