// The window (UTF-16 string), the command line (UTF-8 file) and a sink that
// only takes UTF-16 must get the same table, whichever way the reader and
// the builder's buffer hand the text on: plain fields straight from the read
// buffer or decoded, ASCII as bytes, UTF-8 encoded early, UTF-16 blocks.
#include "quorvane/tag/field_reader.h"
#include "quorvane/tag/memory_byte_source.h"
#include "quorvane/tag/table_builder.h"
#include "quorvane/tag/u16_string_sink.h"
#include "quorvane/tag/utf8_file_sink.h"
#include "utf8_capture.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <unicode/ustring.h>

namespace quorvane::tag::test {
namespace {

struct Case final {
    const char* name;
    std::string bytes;
    Encoding encoding = Encoding::Auto;
    std::int16_t fieldCount = 3;
    std::vector<std::u16string> styles;
};

// Takes UTF-16 only: ASCII and UTF-8 reach it through the defaults.
class Utf16OnlySink final : public TagSink {
public:
    void Append(std::u16string_view text) override { m_text.append(text); }
    std::u16string m_text;
};

void BuildInto(const Case& c, std::size_t pieceSize, TagSink& sink) {
    FieldReader reader(c.encoding);
    reader.Open(std::make_unique<MemoryByteSource>(c.bytes, pieceSize));
    Build(reader, c.fieldCount, c.styles, sink);
}

std::u16string WindowText(const Case& c, std::size_t pieceSize) {
    std::u16string text;
    U16StringSink sink(text);
    BuildInto(c, pieceSize, sink);
    return text;
}

std::string FileBytes(const Case& c, std::size_t pieceSize) {
    return quorvane::test::CaptureUtf8([&](Utf8FileSink& sink) { BuildInto(c, pieceSize, sink); });
}

// ICU's UTF-8 of `text`, lone surrogates as U+FFFD.
std::string Utf8(const std::u16string& text) {
    std::string out(text.size() * 3, '\0');
    int32_t length = 0;
    int32_t substitutions = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strToUTF8WithSub(out.data(), static_cast<int32_t>(out.size()), &length,
                       reinterpret_cast<const UChar*>(text.data()),
                       static_cast<int32_t>(text.size()), 0xFFFD, &substitutions, &status);
    EXPECT_TRUE(U_SUCCESS(status));
    out.resize(static_cast<std::size_t>(length));
    return out;
}

// Every path against the window text read in one piece. Reading a byte at a
// time keeps fields from lying whole in the buffer, so the decoding path
// runs where the fast one would.
void ExpectSamePaths(const Case& c) {
    SCOPED_TRACE(c.name);
    const std::u16string window = WindowText(c, SIZE_MAX);
    for (const std::size_t pieceSize : {std::size_t{1}, std::size_t{5}, SIZE_MAX}) {
        SCOPED_TRACE(pieceSize);
        EXPECT_EQ(WindowText(c, pieceSize), window);
        EXPECT_EQ(FileBytes(c, pieceSize), Utf8(window));
        Utf16OnlySink only;
        BuildInto(c, pieceSize, only);
        EXPECT_EQ(only.m_text, window);
    }
}

std::string Repeat(const std::string& unit, std::size_t count) {
    std::string out;
    for (std::size_t i = 0; i < count; ++i) {
        out += unit;
    }
    return out;
}

TEST(OutputPaths, HandPickedTablesAgree) {
    // A byte order mark, then U+1F600 (a surrogate pair) in three places.
    const std::string pairs = "\xEF\xBB\xBF"
                              "a\xF0\x9F\x98\x80,\"\xF0\x9F\x98\x80\","
                              "\xF0\x9F\x98\x80 x\r\n";
    std::string longAscii = "\"";
    longAscii.append(Repeat("word, ", 30000)).append("\",x");
    const Case cases[] = {
        {"ascii", "a,\"b, c\",d\r\n 1 ,\t2\t,\"x\"\"y\"z\r\n\r\nlast", Encoding::Auto, 3, {}},
        {"line ends", "a\rb\nc\r\nd,\r,\n", Encoding::Auto, 2, {}},
        {"cp932",
         "\x93\xfa,\x96\x7b,\xb1\xb2,\x80,\"\x93\xfa,x\"\r\n\x93",
         Encoding::Cp932,
         3,
         {u"align=right"}},
        {"utf-8 with pairs",
         pairs,
         Encoding::Auto,
         2,
         {u"title=\"" + std::u16string(u"\xD83D\xDE00") + u"\""}},
        {"japanese attributes",
         "1,2,3\r\n4,5",
         Encoding::Auto,
         3,
         {u"class=\"見出し\"", u"", u" "}},
        {"lone surrogate attribute", "a,b", Encoding::Auto, 2, {std::u16string(u"\xD800")}},
        {"long ascii field", longAscii, Encoding::Auto, 2, {}},
        // Three bytes a unit, so that decoding pieces end between lead and trail.
        {"long japanese field",
         Repeat("\x93\xfa"
                "a",
                50000) +
             ",y",
         Encoding::Cp932,
         2,
         {}},
        {"long utf-8 field", Repeat("\xF0\x9F\x98\x80\xE6\x97\xA5z", 30000), Encoding::Auto, 1, {}},
    };
    for (const Case& c : cases) {
        ExpectSamePaths(c);
    }
}

// Seeded random files over the bytes that matter to the reader and the
// decoders; each one converted through every path.
TEST(OutputPaths, RandomTablesAgree) {
    const std::vector<std::string> cp932 = {"a",  "7", " ",        "\t",   ",",    "\"",  "\r",
                                            "\n", "<", "\x93\xfa", "\xb1", "\x80", "\x93"};
    const std::vector<std::string> utf8 = {"a",  "7",  " ", ",",  "\"",
                                           "\r", "\n", "é", "日", "\xF0\x9F\x98\x80"};
    std::mt19937 random(20240611);
    for (int round = 0; round < 150; ++round) {
        const bool japanese = round % 2 == 0;
        const auto& alphabet = japanese ? cp932 : utf8;
        std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
        std::string bytes;
        const int length = std::uniform_int_distribution<int>(0, 120)(random);
        for (int i = 0; i < length; ++i) {
            bytes += alphabet[pick(random)];
        }
        const auto fields = static_cast<std::int16_t>(1 + round % 4);
        const std::string name = "round " + std::to_string(round);
        ExpectSamePaths({name.c_str(),
                         bytes,
                         japanese ? Encoding::Cp932 : Encoding::Utf8,
                         fields,
                         {u"a", u"", u"日"}});
    }
}

// A high surrogate waiting for its pair when bytes arrive: it is lone, so it
// becomes U+FFFD before them.
TEST(Utf8FileSink, PendingHighSurrogateBeforeBytes) {
    for (const bool utf8 : {false, true}) {
        const std::string bytes = quorvane::test::CaptureUtf8([&](Utf8FileSink& sink) {
            sink.Append(u"a\xD83D");
            if (utf8) {
                sink.AppendUtf8("\xC3\xA9");
            } else {
                sink.AppendAscii("b");
            }
        });
        EXPECT_EQ(bytes, utf8 ? "a\xEF\xBF\xBD\xC3\xA9"
                              : "a\xEF\xBF\xBD"
                                "b");
    }
}

} // namespace
} // namespace quorvane::tag::test
