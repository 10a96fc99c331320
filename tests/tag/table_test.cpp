#include "memory_source.h"
#include "quorvane/tag/convert.h"

#include <fstream>
#include <gtest/gtest.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

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
    std::string bytes;
    TableOptions options;
    std::string text;
    bool fail = false;
};

// clang-format off
const Case kCases[] = {
    {"a,b\r\nc\r\n", {.fieldCount = 2, .styleRows = {"align=right", ""}},
     Crlf("<table>|<tr>|<td align=right>a</td>|<td>b</td>|</tr>|<tr>|<td align=right>c</td>|"
          "<td></td>|</tr>|</table>")},
    {"", {.fieldCount = 3, .styleRows = {"x"}}, "<table>\r\n</table>"},
    {"a\r\n  ", {.styleRows = {"s"}},
     Crlf("<table>|<tr>|<td s>a</td>|</tr>|<tr>|<td s></td>|</tr>|</table>")},
    {"a,b,c\nd,e,f\n", {.fieldCount = 2, .styleRows = {"L", "R", "unused"}},
     Crlf("<table>|<tr>|<td L>a</td>|<td R>b</td>|</tr>|<tr>|<td L>c</td>|<td R>d</td>|</tr>|"
          "<tr>|<td L>e</td>|<td R>f</td>|</tr>|</table>")},
    {"<i>&</i>,b", {.fieldCount = 2, .styleRows = {"", "title=\"<&>\""}},
     Crlf("<table>|<tr>|<td><i>&</i></td>|<td title=\"<&>\">b</td>|</tr>|</table>")},
    {"h1,h2\r\na,b\r\nc", {.fieldCount = 2, .styleRows = {"x", ""}, .headerRow = true},
     Crlf("<table>|<tr>|<th x>h1</th>|<th>h2</th>|</tr>|<tr>|<td x>a</td>|<td>b</td>|</tr>|"
          "<tr>|<td x>c</td>|<td></td>|</tr>|</table>")},
    {"h", {.fieldCount = 2, .styleRows = {"", "y"}, .headerRow = true},
     Crlf("<table>|<tr>|<th>h</th>|<th y></th>|</tr>|</table>")},
    {"\"\x93\xfa<&>\"\"'\",&amp;&#39;",
     {.fieldCount = 2, .styleRows = {"title=\"<&>\""}, .encoding = Encoding::Cp932, .escape = true},
     Crlf("<table>|<tr>|<td title=\"<&>\">日&lt;&amp;&gt;&quot;&#39;</td>|"
          "<td>&amp;amp;&amp;#39;</td>|</tr>|</table>")},
    {"a", {.fieldCount = INT16_MAX}, Crlf("<table>|<tr>|<td>a</td>" + std::string(INT16_MAX - 1, '.') + "|</tr>|</table>")},
    {"a,b", {.fieldCount = 0}, "<table>#5"},
    {"a,b", {.fieldCount = INT16_MIN}, "<table>#5"},
    // A read failure keeps its code and what was built before it.
    {"a,b,c", {.fieldCount = 2}, Crlf("<table>|<tr>|<td>a</td>|<td>b</td>|</tr>|<tr>|<td>c#57"),
     true},
};
// clang-format on

TEST(Build, BuildsEveryRow) {
    for (const Case& c : kCases) {
        test::MemorySource source(c.bytes, SIZE_MAX, c.fail);
        FieldReader reader(c.options.encoding, c.options.delimiter);
        EXPECT_EQ(test::BuildText(reader, source, c.options), c.text) << "row " << &c - kCases;
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
        Convert(file, {}, exhausted);
        ADD_FAILURE() << "no error";
    } catch (const TagError& error) {
        EXPECT_EQ(error.code(), ErrorCode::OutOfMemory);
    }
}

// The fuzz target's property (whole, in pieces and with a read failure, the
// table agrees with one assembled from the fields) over its corpus and every
// input that ever failed it; a broken property aborts.
TEST(Build, AgreesWithTheFieldsOnEveryFuzzInput) {
    std::size_t count = 0;
    for (const char* dir : {"/corpus/reader_builder", "/regressions/reader_builder"}) {
        for (const auto& entry :
             std::filesystem::directory_iterator(QUORVANE_FUZZ_INPUTS + std::string(dir))) {
            std::ifstream in(entry.path(), std::ios::binary);
            const std::string bytes(std::istreambuf_iterator<char>(in), {});
            LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                   bytes.size());
            ++count;
        }
    }
    EXPECT_GT(count, 30u);
}

} // namespace
} // namespace quorvane::tag
