#include "folder_files.h"
#include "quorvane/cli/option_parser.h"
#include "quorvane/tag/string_sink.h"
#include "quorvane/tag/table_output.h"
#include "run_program.h"
#include "scratch_dir.h"

#include <gtest/gtest.h>

#include <optional>

// quorvane-tag's contract, row by row: arguments, what stands in the folder
// and on standard input; exit status, standard output, standard error and
// what the folder holds afterwards.
namespace quorvane::cli {
namespace {

using test::Files;
using test::Make;
using test::Snapshot;

struct Row {
    std::vector<std::string> args;
    std::string in;
    Files before;
    int status;
    std::string out, err;
    std::optional<Files> after = std::nullopt; // when the run changes the folder
    rlim_t fileLimit = RLIM_INFINITY;
};

const std::string kWorked = "a,b\r\nc\r\n";
const std::string kTable = "<table>\r\n<tr>\r\n<td align=right>a</td>\r\n<td>b</td>\r\n</tr>\r\n"
                           "<tr>\r\n<td align=right>c</td>\r\n<td></td>\r\n</tr>\r\n</table>";
const std::string kCp932 = "\x93\xfa\x96\x7b,\x87\x40,\x81\x8b\x81\x7d\x81\x7e\x83\x9f\x84\x60\xb1";
const std::string kUtf16("\xff\xfeh\0\t\0<\0b\0>\0\r\0\n\0x\0", 18);

// A conversion failure: one line, the folder as it was.
Row Failure(std::vector<std::string> args, Files before, const std::string& message,
            rlim_t fileLimit = RLIM_INFINITY) {
    const std::string err = "quorvane-tag: " + message + "\n";
    return {std::move(args), "", std::move(before), 1, "", err, std::nullopt, fileLimit};
}

// A usage error: exit 2, one line, nothing written.
Row Usage(std::vector<std::string> args, const std::string& message) {
    const std::string err = "quorvane-tag: " + message + " (see quorvane-tag --help)\n";
    return {std::move(args), "", {}, 2, "", err};
}
std::string Field(const std::string& text) {
    return "field count '" + text + "' is not a whole number from 1 to 32767";
}

// `table` as TableOutput writes it, in a document titled `title`.
std::string Document(const std::string& table, tag::OutputEncoding encoding,
                     const std::string& title) {
    std::string bytes;
    tag::StringSink sink(bytes);
    tag::TableOutput out({encoding, true}, title, sink);
    out.Append(table);
    out.Finish();
    return bytes;
}

// `text` `count` times over.
std::string Times(const std::string& text, int count) {
    std::string all;
    while (count-- > 0) {
        all += text;
    }
    return all;
}

std::vector<Row> Rows() {
    const Files in = {{"in.csv", kWorked}};
    const Files old = {{"in.csv", kWorked}, {"out.html", "old"}};
    // -o TARGET with the worked example; `before` and `after` stand beside in.csv.
    auto Onto = [&](const std::string& target, Files before, Files after) {
        before["in.csv"] = after["in.csv"] = kWorked;
        return Row{
            {"-n2", "-a1=align=right", "-o", target, "in.csv"}, "", before, 0, "", "", after};
    };
    // clang-format off
    return {
        // Conversions, every option in its forms.
        {{"-n", "2", "-a", "1=align=right", "in.csv"}, "", in, 0, kTable, ""},
        {{"--fields=2", "--attr=1=align=right", "-"}, "a,b\nc", {}, 0, kTable, ""},
        Onto("out.html", {{"out.html", "old"}}, {{"out.html", kTable}}),
        {{"-n2", "-a", "1=x", "-a1=align=right", "--output=out.html", "--", "-in.csv"}, "",
         {{"-in.csv", kWorked}}, 0, "", "", Files{{"-in.csv", kWorked}, {"out.html", kTable}}},
        {{"-n", "3", "-a", "3=class=\"n\" x", "-a2=", "-a", "1= ", "-e", "cp932", "in.csv"}, "",
         {{"in.csv", kCp932}}, 0, "<table>\r\n<tr>\r\n<td  >日本</td>\r\n<td>①</td>\r\n"
         "<td class=\"n\" x>°±×ΑЯｱ</td>\r\n</tr>\r\n</table>", ""},
        {{"-n2", "-d", "\t", "--header", "--escape", "--table-attr", "border=\"1\"", "-a", "2=c",
          "--encoding=utf-16", "-"}, kUtf16, {}, 0, "<table border=\"1\">\r\n<tr>\r\n<th>h</th>\r\n"
         "<th c>&lt;b&gt;</th>\r\n</tr>\r\n<tr>\r\n<td>x</td>\r\n<td c></td>\r\n</tr>\r\n"
         "</table>", ""},
        // -o - is standard output; a '|' that is the second byte of ポ ends no field.
        {{"-n3", "-ecp932", "-d|", "-o", "-", "in.csv"}, "", {{"in.csv", "\"a\"\x83\x7c|b|c"}}, 0,
         "<table>\r\n<tr>\r\n<td>a</td>\r\n<td>b</td>\r\n<td>c</td>\r\n</tr>\r\n</table>", ""},
        {{"-n2", "-dtab", "-e", "utf-8", "-"}, "\xef\xbd\xb1\tb,c", {}, 0,
         "<table>\r\n<tr>\r\n<td>\xef\xbd\xb1</td>\r\n<td>b,c</td>\r\n</tr>\r\n</table>", ""},
        {{"-n2", "--delimiter=;", "-eauto", "-"}, "a|b;c", {}, 0,
         "<table>\r\n<tr>\r\n<td>a|b</td>\r\n<td>c</td>\r\n</tr>\r\n</table>", ""},
        // The output encodings, a document titled with the file's name.
        {{"-n2", "-a1=align=right", "--output-encoding=utf-8", "--document", "in.csv"}, "", in, 0,
         Document(kTable, tag::OutputEncoding::Utf8, "in.csv"), ""},
        {{"--document", "--output-encoding=cp932", "-o", "out.html", "-n2", "-a1=align=right",
          "-"}, kWorked, {}, 0, "", "", Files{{"out.html",
          Document(kTable, tag::OutputEncoding::Cp932, "standard input")}}},
        {{"\xff\xfe.csv"}, "", {{"\xff\xfe.csv", "a"}}, 0,
         "<table>\r\n<tr>\r\n<td>a</td>\r\n</tr>\r\n</table>", ""},
        // A file read ahead in many buffers, its table written in many blocks.
        {{"-n2", "big.csv"}, "", {{"big.csv", Times("abc,de\r\n", 100000)}}, 0,
         "<table>" + Times("\r\n<tr>\r\n<td>abc</td>\r\n<td>de</td>\r\n</tr>", 100000) +
             "\r\n</table>", ""},
        // A file whose size reads as 0 but that has content.
        {{"/proc/self/comm"}, "", {}, 0,
         "<table>\r\n<tr>\r\n<td>quorvane-tag</td>\r\n</tr>\r\n</table>", ""},
        {{"--version"}, "", {}, 0, "quorvane-tag 1.0.2\n", ""},
        {{"-h", "--bogus"}, "", {}, 0, OptionParser::Usage(), ""},
        // -o onto a device, a FIFO with a reader, a link, a private file: the
        // node, the link and the mode stay.
        Onto("null", {{"null", "<chr>"}}, {{"null", "<chr>"}}),
        Onto("out.fifo", {{"out.fifo", "<fifo>"}}, {{"out.fifo", "<fifo>" + kTable}}),
        Onto("link.html", {{"link.html", "->real.html"}, {"real.html", "old"}},
             {{"link.html", "->real.html"}, {"real.html", kTable}}),
        Onto("out.html", {{"out.html", "[600]old"}}, {{"out.html", "[600]" + kTable}}),
        // Failures leave the old output file whole and nothing behind.
        Failure({"-o", "out.html", "missing.csv"}, old, "missing.csv: No such file or directory"),
        Failure({"-o", "out.html", "sub"}, {{"sub", "<dir>"}}, "sub: is a directory"),
        Failure({"in.fifo"}, {{"in.fifo", "<fifo>"}}, "in.fifo: not a regular file"),
        Failure({"/dev/zero"}, {}, "/dev/zero: not a regular file"),
        Failure({"-o", "out.html", "/proc/self/mem"}, old, "/proc/self/mem: Input/output error"),
        Failure({"-o", "out.html", "big.csv"}, {{"big.csv", std::string(1 << 20, ',')},
                {"out.html", "old"}}, "out.html: File too large", 1 << 20),
        Failure({"-o", "nodir/out.html", "in.csv"}, in,
                "nodir/out.html: No such file or directory"),
        Failure({"\xff\n\x1b[2J.csv"}, {}, "\xff\\x0a\\x1b[2J.csv: No such file or directory"),
        Usage({}, "no input FILE given"),
        Usage({"a", "b"}, "more than one input FILE given"),
        Usage({"--colour", "x"}, "unknown option '--colour'"),
        Usage({"-x", "x"}, "unknown option '-x'"),
        Usage({"x", "-n"}, "option --fields needs a value"),
        Usage({"--header=yes", "x"}, "option '--header=yes' takes no value"),
        Usage({"--output-encoding", "shift_jis", "x"},
              "output encoding 'shift_jis' is not one of utf-8, cp932"),
        Usage({"-o", "", "x"}, "option --output needs a file name"),
        Usage({"-n", "1\r\n", "x"}, Field("1\\x0d\\x0a")),
        Usage({"-n", "0", "x"}, Field("0")),
        Usage({"-n", "32768", "-o", "out.html", "x"}, Field("32768")),
        Usage({"-a", "1", "x"}, "attribute '1' is not of the form COL=TEXT"),
        Usage({"-a", "0=x", "x"}, "attribute column '0' is not a whole number from 1 up"),
        Usage({"-n", "2", "-a", "3=x", "x"}, "attribute column 3 is outside 1..2"),
        Usage({"-n32767", "-a2=x", "-a32767=y", "-a", "32768=z", "x"},
              "attribute column 32768 is outside 1..32767"),
        Usage({"-e", "latin1", "x"}, "encoding 'latin1' is not one of auto, cp932, utf-8, utf-16"),
        Usage({"--delimiter=,,", "x"}, "delimiter ',,' is not one of , tab ; |"),
    };
    // clang-format on
}

class Program : public testing::TestWithParam<Row> {};

TEST_P(Program, KeepsItsContract) {
    const Row& row = GetParam();
    SCOPED_TRACE(testing::PrintToString(row.args));
    test::ScratchDir dir;
    if (!Make(dir.path(), row.before)) {
        GTEST_SKIP() << "making a device node needs root";
    }
    const int fifo = open((dir.path() / "out.fifo").c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    std::vector<std::string> args = {QUORVANE_TAG_PROGRAM};
    args.insert(args.end(), row.args.begin(), row.args.end());
    EXPECT_EQ(test::RunProgram(dir.path(), args, row.in, row.fileLimit),
              std::tuple(row.status, row.out, row.err));
    EXPECT_EQ(Snapshot(dir.path(), fifo < 0 ? "" : test::Drain(fifo)),
              row.after.value_or(row.before));
}

INSTANTIATE_TEST_SUITE_P(Rows, Program, testing::ValuesIn(Rows()));

} // namespace
} // namespace quorvane::cli
