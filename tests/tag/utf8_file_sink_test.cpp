#include "quorvane/tag/tag_error.h"
#include "quorvane/tag/utf8_file_sink.h"
#include "utf8_capture.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace quorvane::tag::test {
namespace {

// The bytes a sink writes for the given pieces.
std::string Encode(std::initializer_list<std::u16string_view> pieces) {
    return quorvane::test::CaptureUtf8([&](Utf8FileSink& sink) {
        for (const auto piece : pieces) {
            sink.Append(piece);
        }
    });
}

TEST(Utf8FileSink, EncodesEveryLength) {
    EXPECT_EQ(Encode({u"<td>", u"aé", u"日本", u"\U0001F600"}),
              "<td>a\xc3\xa9\xe6\x97\xa5\xe6\x9c\xac\xf0\x9f\x98\x80");
}

TEST(Utf8FileSink, SurrogatePairSplitAcrossAppends) {
    const std::u16string pair = u"\U0001F600";
    EXPECT_EQ(Encode({pair.substr(0, 1), pair.substr(1)}), "\xf0\x9f\x98\x80");
}

TEST(Utf8FileSink, LoneSurrogatesBecomeReplacement) {
    EXPECT_EQ(Encode({u"a", std::u16string(1, char16_t(0xDC00)), u"b"}), "a\xef\xbf\xbd"
                                                                         "b");
    EXPECT_EQ(Encode({std::u16string(1, char16_t(0xD800)), u"b"}), "\xef\xbf\xbd"
                                                                   "b");
    EXPECT_EQ(Encode({std::u16string(1, char16_t(0xD800))}), "\xef\xbf\xbd");
}

TEST(Utf8FileSink, OutputLargerThanItsBufferArrivesWhole) {
    // Pieces of every size around the buffer's end, ASCII and not.
    std::u16string ascii(3000001, u'x');
    std::u16string kanji(700001, u'日');
    const std::string bytes = Encode({ascii, kanji, u"e"});
    ASSERT_EQ(bytes.size(), ascii.size() + 3 * kanji.size() + 1);
    EXPECT_EQ(bytes.substr(0, 3), "xxx");
    EXPECT_EQ(bytes.substr(ascii.size(), 3), "\xe6\x97\xa5");
    EXPECT_EQ(bytes.back(), 'e');
    std::string many;
    std::u16string text;
    for (int i = 0; i < 300000; ++i) {
        text += u"<td>12</td>";
    }
    EXPECT_EQ(Encode({text}).size(), text.size());
}

} // namespace
} // namespace quorvane::tag::test
