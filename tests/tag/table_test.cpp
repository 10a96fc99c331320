#include "table_property.h"

#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>

namespace quorvane::fuzz {
std::string Check(const std::uint8_t* data, std::size_t size);
}

namespace quorvane::tag {
namespace {

// `lines` with each | made a CR LF, and each . an empty cell.
std::string Crlf(const std::string& lines) {
    std::string out;
    for (const char c : lines) {
        out += c == '|' ? "\r\n" : c == '.' ? "\r\n<td></td>" : std::string(1, c);
    }
    return out;
}

struct Case {
    test::Case input;
    std::string text;
    bool fail = false;
};

// clang-format off
const Case kCases[] = {
    {{.build = {.fieldCount = 2, .styleRows = {"align=right", ""}}, .file = "a,b\r\nc\r\n"},
     Crlf("<table>|<tr>|<td align=right>a</td>|<td>b</td>|</tr>|<tr>|<td align=right>c</td>|"
          "<td></td>|</tr>|</table>")},
    // Attributes end in a cut character.
    {{.build = {.styleRows = {"x\xe3\x81"}, .tableAttribute = "t\xe3"}, .file = "a"},
     Crlf("<table t\uFFFD>|<tr>|<td x\uFFFD>a</td>|</tr>|</table>")},
    {{.build = {.fieldCount = INT16_MAX}, .file = "a"},
     Crlf("<table>|<tr>|<td>a</td>" + std::string(INT16_MAX - 1, '.') + "|</tr>|</table>")},
    {{.build = {.fieldCount = 0}, .file = "a,b"}, "<table>#5"},
    {{.build = {.fieldCount = INT16_MIN}, .file = "a,b"}, "<table>#5"},
    {{.read = {.delimiter = ':'}, .file = "a"}, "#5"},
    // A read failure keeps its code and what was built before it, escaped or not.
    {{.build = {.fieldCount = 2}, .file = "a,b,c"},
     Crlf("<table>|<tr>|<td>a</td>|<td>b</td>|</tr>|<tr>|<td>c#57"), true},
    {{.build = {.escape = true}, .file = "a&b"}, Crlf("<table>|<tr>|<td>a&amp;b#57"), true},
};
// clang-format on

TEST(Build, BuildsEveryRow) {
    for (const Case& c : kCases) {
        EXPECT_EQ(test::Converted(c.input, {SIZE_MAX}, c.fail ? c.input.file.size() : SIZE_MAX),
                  c.text)
            << "row " << &c - kCases;
    }
}

class ExhaustedSink final : public TagSink {
public:
    void Append(std::string_view) override { throw std::bad_alloc(); }
};

TEST(Convert, ReportsOutOfMemory) {
    InputFile file(QUORVANE_FUZZ_INPUTS "/corpus/reader_builder/utf8");
    ExhaustedSink exhausted;
    try {
        Convert(file, {}, {}, exhausted);
        ADD_FAILURE() << "no error";
    } catch (const TagError& error) {
        EXPECT_EQ(error.code(), ErrorCode::OutOfMemory);
    }
}

// The standard streams are not the core's to close.
TEST(Files, LeaveTheStandardStreamsOpen) {
    for (const int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        if (fcntl(fd, F_GETFD) == -1) {
            GTEST_SKIP() << "standard stream " << fd << " is closed here";
        }
    }
    {
        const InputFile in = InputFile::StandardInput();
        const OutputFile out = OutputFile::StandardOutput(), err = OutputFile::StandardError();
    }
    for (const int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        EXPECT_NE(fcntl(fd, F_GETFD), -1) << fd;
    }
}

// Random inputs for the fuzz target's property: options, attributes with
// cut and invalid UTF-8, files of its pieces in every form.
TEST(Convert, GivesTheTableOfTheFieldRulesHoweverTheInputIsCut) {
    std::mt19937 random(20261207);
    for (int i = 0; i < 3000; ++i) {
        // Mostly 1 to 4 fields a row, at times 0, -1 or -32768.
        std::string bytes = {char(random() % 16 ? random() % 4 : 0xF8 + random() % 3),
                             char(random()), char(random())};
        for (int n = random() % 6; n > 0; --n) {
            bytes += "a= \1\2\xe3\x81\x82\xff"[random() % 9];
        }
        bytes += '\0';
        for (int n = random() % 24; n > 0; --n) {
            bytes += char(random());
        }
        ASSERT_EQ(fuzz::Check(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()),
                  "")
            << "case " << i << ": " << testing::PrintToString(bytes);
    }
}

// The property over the fuzz corpus and every input that ever failed it.
TEST(Convert, KeepsThePropertyOnEveryFuzzInput) {
    std::size_t count = 0;
    for (const char* dir : {"/corpus/reader_builder", "/regressions/reader_builder"}) {
        for (const auto& entry :
             std::filesystem::directory_iterator(QUORVANE_FUZZ_INPUTS + std::string(dir))) {
            std::ifstream in(entry.path(), std::ios::binary);
            const std::string bytes(std::istreambuf_iterator<char>(in), {});
            EXPECT_EQ(
                fuzz::Check(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), "")
                << entry.path();
            ++count;
        }
    }
    EXPECT_GT(count, 30u);
}

} // namespace
} // namespace quorvane::tag
