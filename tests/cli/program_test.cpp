#include "run_program.h"
#include "scratch_dir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

// quorvane-tag's contract, row by row: arguments, what stands in the folder
// and on standard input; exit status, standard output, standard error and
// what the folder holds afterwards.
namespace quorvane::cli {
namespace {

namespace fs = std::filesystem;
using Files = std::map<std::string, std::string>;

// Folder entries as text: "<dir>", "<fifo>" (with what a reader got from it),
// "<chr>", "->target" for a link, "[600]bytes" for a file not of mode 644.
Files Snapshot(const fs::path& dir, const std::string& fromFifo) {
    Files files;
    for (const auto& entry : fs::directory_iterator(dir)) {
        struct stat info {};
        lstat(entry.path().c_str(), &info);
        const mode_t mode = info.st_mode & 0777;
        std::string& text = files[entry.path().filename()];
        if (S_ISLNK(info.st_mode)) {
            text = "->" + fs::read_symlink(entry.path()).string();
        } else if (S_ISDIR(info.st_mode) || S_ISCHR(info.st_mode)) {
            text = S_ISDIR(info.st_mode) ? "<dir>" : "<chr>";
        } else if (S_ISFIFO(info.st_mode)) {
            text = "<fifo>" + (entry.path().filename() == "out.fifo" ? fromFifo : "");
        } else {
            std::ostringstream bytes;
            bytes << std::ifstream(entry.path(), std::ios::binary).rdbuf();
            text = (mode == 0644 ? "" : "[" + std::to_string(mode >> 6) + "00]") + bytes.str();
        }
    }
    return files;
}

// Makes the entries Snapshot describes; false when one cannot be made here.
bool Make(const fs::path& dir, const Files& files) {
    for (const auto& [name, text] : files) {
        const fs::path path = dir / name;
        if (text.starts_with("->")) {
            fs::create_symlink(text.substr(2), path);
        } else if (text == "<dir>") {
            fs::create_directory(path);
        } else if (text == "<fifo>") {
            mkfifo(path.c_str(), 0600);
        } else if (text == "<chr>") {
            // A private null device: writes vanish, the node stays.
            if (geteuid() != 0 || mknod(path.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0) {
                return false;
            }
        } else {
            const bool private600 = text.starts_with("[600]");
            std::ofstream(path, std::ios::binary) << text.substr(private600 ? 5 : 0);
            fs::permissions(path, private600 ? fs::perms(0600) : fs::perms(0644));
        }
    }
    return true;
}

// Standard input: the bytes through a pipe, or with kFailingInput a
// descriptor on this process's memory that yields 4 MiB of CSV and then EIO.
const std::string kFailingInput = "<read fails after 4 MiB>";

int StandardInput(const std::string& bytes) {
    if (bytes == kFailingInput) {
        const std::size_t size = 4 << 20;
        const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
        auto* area = static_cast<char*>(
            mmap(nullptr, size + page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
        munmap(area + size, page);
        for (std::size_t i = 0; i < size; i += 8) {
            std::memcpy(area + i, "ab,cd,\r\n", 8);
        }
        const int fd = open("/proc/self/mem", O_RDONLY | O_CLOEXEC);
        lseek(fd, reinterpret_cast<off_t>(area), SEEK_SET);
        return fd;
    }
    int in[2];
    pipe2(in, O_CLOEXEC);
    write(in[1], bytes.data(), bytes.size());
    close(in[1]);
    return in[0];
}

struct Row {
    std::vector<std::string> args;
    Files before;
    int status;
    std::string out;
    std::string err;
    Files after;
    std::string in = "";
    rlim_t fileLimit = RLIM_INFINITY;
};

const std::string kWorked = "a,b\r\nc\r\n";
const std::string kTable = "<table>\r\n<tr>\r\n<td align=right>a</td>\r\n<td>b</td>\r\n</tr>\r\n"
                           "<tr>\r\n<td align=right>c</td>\r\n<td></td>\r\n</tr>\r\n</table>";
const std::string kUsage = " (see quorvane-tag --help)\n";
const std::string kBig(1 << 20, ',');

std::vector<Row> Rows() {
    const Files in = {{"in.csv", kWorked}};
    const Files old = {{"in.csv", kWorked}, {"out.html", "old"}};
    return {
        // Conversions, every option in its forms.
        {{"-n", "2", "-a", "1=align=right", "in.csv"}, in, 0, kTable, "", in},
        {{"--fields=2", "--attr=1=align=right", "-"}, {}, 0, kTable, "", {}, "a,b\nc"},
        {{"-n2", "-a1=align=right", "-o", "out.html", "in.csv"},
         old,
         0,
         "",
         "",
         {{"in.csv", kWorked}, {"out.html", kTable}}},
        {{"-n2", "-a", "1=x", "-a1=align=right", "--output=out.html", "--", "-in.csv"},
         {{"-in.csv", kWorked}},
         0,
         "",
         "",
         {{"-in.csv", kWorked}, {"out.html", kTable}}},
        {{"-n", "3", "-a", "3=class=\"n\" x", "-a2=", "-a", "1= ", "-e", "cp932", "in.csv"},
         {{"in.csv", "\x93\xfa\x96\x7b,\x87\x40,\x81\x8b\x81\x7d\x81\x7e\x83\x9f\x84\x60\xb1"}},
         0,
         "<table>\r\n<tr>\r\n<td  >日本</td>\r\n<td>①</td>\r\n<td class=\"n\" x>°±×ΑЯｱ</td>\r\n"
         "</tr>\r\n</table>",
         "",
         {{"in.csv", "\x93\xfa\x96\x7b,\x87\x40,\x81\x8b\x81\x7d\x81\x7e\x83\x9f\x84\x60\xb1"}}},
        {{"-n2", "-d", "\t", "--header", "--escape", "--table-attr", "border=\"1\"", "-a", "2=c",
          "--encoding=utf-16", "-"},
         {},
         0,
         "<table border=\"1\">\r\n<tr>\r\n<th>h</th>\r\n<th c>&lt;b&gt;</th>\r\n</tr>\r\n<tr>\r\n"
         "<td>x</td>\r\n<td c></td>\r\n</tr>\r\n</table>",
         "",
         {},
         std::string("\xff\xfeh\0\t\0<\0b\0>\0\r\0\n\0x\0", 18)},
        {{"-n2", "-dtab", "-e", "utf-8", "-"},
         {},
         0,
         "<table>\r\n<tr>\r\n<td>\xef\xbd\xb1</td>\r\n<td>b,c</td>\r\n</tr>\r\n</table>",
         "",
         {},
         "\xef\xbd\xb1\tb,c"},
        {{"-n2", "--delimiter=;", "-eauto", "-"},
         {},
         0,
         "<table>\r\n<tr>\r\n<td>a|b</td>\r\n<td>c</td>\r\n</tr>\r\n</table>",
         "",
         {},
         "a|b;c"},
        {{"-d|", "-"},
         {},
         0,
         "<table>\r\n<tr>\r\n<td>a</td>\r\n</tr>\r\n<tr>\r\n<td>b;c</td>\r\n"
         "</tr>\r\n</table>",
         "",
         {},
         "a|b;c"},
        {{"--version"}, {}, 0, "quorvane-tag 1.0.2\n", "", {}},
        // -o onto what stands there: a device, a FIFO with a reader, a link, a
        // private file; the node, link and mode stay.
        {{"-n2", "-a1=align=right", "-o", "null", "in.csv"},
         {{"in.csv", kWorked}, {"null", "<chr>"}},
         0,
         "",
         "",
         {{"in.csv", kWorked}, {"null", "<chr>"}}},
        {{"-n2", "-a1=align=right", "-o", "out.fifo", "in.csv"},
         {{"in.csv", kWorked}, {"out.fifo", "<fifo>"}},
         0,
         "",
         "",
         {{"in.csv", kWorked}, {"out.fifo", "<fifo>" + kTable}}},
        {{"-n2", "-a1=align=right", "-o", "link.html", "in.csv"},
         {{"in.csv", kWorked}, {"link.html", "->real.html"}, {"real.html", "old"}},
         0,
         "",
         "",
         {{"in.csv", kWorked}, {"link.html", "->real.html"}, {"real.html", kTable}}},
        {{"-n2", "-a1=align=right", "-o", "out.html", "in.csv"},
         {{"in.csv", kWorked}, {"out.html", "[600]old"}},
         0,
         "",
         "",
         {{"in.csv", kWorked}, {"out.html", "[600]" + kTable}}},
        // Failures: one line, the old output file whole, nothing left behind.
        {{"-o", "out.html", "missing.csv"},
         old,
         1,
         "",
         "quorvane-tag: missing.csv: No such file or directory\n",
         old},
        {{"-o", "out.html", "sub"},
         {{"sub", "<dir>"}},
         1,
         "",
         "quorvane-tag: sub: is a directory\n",
         {{"sub", "<dir>"}}},
        {{"in.fifo"},
         {{"in.fifo", "<fifo>"}},
         1,
         "",
         "quorvane-tag: in.fifo: not a regular file\n",
         {{"in.fifo", "<fifo>"}}},
        {{"/dev/zero"}, {}, 1, "", "quorvane-tag: /dev/zero: not a regular file\n", {}},
        {{"-o", "out.html", "/proc/self/mem"},
         old,
         1,
         "",
         "quorvane-tag: /proc/self/mem: Input/output error\n",
         old},
        {{"-n3", "-o", "out.html", "-"},
         old,
         1,
         "",
         "quorvane-tag: standard input: Input/output error\n",
         old,
         kFailingInput},
        {{"-o", "out.html", "big.csv"},
         {{"big.csv", kBig}, {"out.html", "old"}},
         1,
         "",
         "quorvane-tag: out.html: File too large\n",
         {{"big.csv", kBig}, {"out.html", "old"}},
         "",
         1 << 20},
        {{"-o", "nodir/out.html", "in.csv"},
         in,
         1,
         "",
         "quorvane-tag: nodir/out.html: No such file or directory\n",
         in},
        {{"\xff\n\x1b[2J.csv"},
         {},
         1,
         "",
         "quorvane-tag: \xff\\x0a\\x1b[2J.csv: No such file or directory\n",
         {}},
        {{"\xff\xfe.csv"},
         {{"\xff\xfe.csv", "a"}},
         0,
         "<table>\r\n<tr>\r\n<td>a</td>\r\n</tr>\r\n</table>",
         "",
         {{"\xff\xfe.csv", "a"}}},
        // Usage errors: exit 2, one line, nothing written.
        {{}, {}, 2, "", "quorvane-tag: no input FILE given" + kUsage, {}},
        {{"a", "b"}, {}, 2, "", "quorvane-tag: more than one input FILE given" + kUsage, {}},
        {{"--colour", "x"}, {}, 2, "", "quorvane-tag: unknown option '--colour'" + kUsage, {}},
        {{"-x", "x"}, {}, 2, "", "quorvane-tag: unknown option '-x'" + kUsage, {}},
        {{"x", "-n"}, {}, 2, "", "quorvane-tag: option --fields needs a value" + kUsage, {}},
        {{"x", "-d"}, {}, 2, "", "quorvane-tag: option --delimiter needs a value" + kUsage, {}},
        {{"--header=yes", "x"},
         {},
         2,
         "",
         "quorvane-tag: option '--header=yes' takes no value" + kUsage,
         {}},
        {{"--version=1"},
         {},
         2,
         "",
         "quorvane-tag: option '--version=1' takes no value" + kUsage,
         {}},
        {{"-o", "", "x"},
         {},
         2,
         "",
         "quorvane-tag: option --output needs a file name" + kUsage,
         {}},
        {{"-n", "1\r\n", "x"},
         {},
         2,
         "",
         "quorvane-tag: field count '1\\x0d\\x0a' is not a whole number from 1 to 32767" + kUsage,
         {}},
        {{"-n", "3x", "x"},
         {},
         2,
         "",
         "quorvane-tag: field count '3x' is not a whole number from 1 to 32767" + kUsage,
         {}},
        {{"-n", "0", "x"},
         {},
         2,
         "",
         "quorvane-tag: field count '0' is not a whole number from 1 to 32767" + kUsage,
         {}},
        {{"-n", "-2", "x"},
         {},
         2,
         "",
         "quorvane-tag: field count '-2' is not a whole number from 1 to 32767" + kUsage,
         {}},
        {{"-n", "32768", "-o", "out.html", "x"},
         {},
         2,
         "",
         "quorvane-tag: field count '32768' is not a whole number from 1 to 32767" + kUsage,
         {}},
        {{"-a", "1", "x"},
         {},
         2,
         "",
         "quorvane-tag: attribute '1' is not of the form COL=TEXT" + kUsage,
         {}},
        {{"-a", "0=x", "x"},
         {},
         2,
         "",
         "quorvane-tag: attribute column '0' is not a whole number from 1 up" + kUsage,
         {}},
        {{"-a", "c=x", "x"},
         {},
         2,
         "",
         "quorvane-tag: attribute column 'c' is not a whole number from 1 up" + kUsage,
         {}},
        {{"-n", "2", "-a", "3=x", "x"},
         {},
         2,
         "",
         "quorvane-tag: attribute column 3 is outside 1..2" + kUsage,
         {}},
        {{"-n32767", "-a", "2=x", "-a32767=y", "-a", "32768=z", "x"},
         {},
         2,
         "",
         "quorvane-tag: attribute column 32768 is outside 1..32767" + kUsage,
         {}},
        {{"-e", "latin1", "x"},
         {},
         2,
         "",
         "quorvane-tag: encoding 'latin1' is not one of auto, cp932, utf-8, utf-16" + kUsage,
         {}},
        {{"-d", ":", "x"},
         {},
         2,
         "",
         "quorvane-tag: delimiter ':' is not one of , tab ; |" + kUsage,
         {}},
        {{"--delimiter=,,", "x"},
         {},
         2,
         "",
         "quorvane-tag: delimiter ',,' is not one of , tab ; |" + kUsage,
         {}},
    };
}

TEST(Program, KeepsItsContractRowByRow) {
    const std::vector<Row> rows = Rows();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const Row& row = rows[i];
        SCOPED_TRACE("row " + std::to_string(i) + ": " + testing::PrintToString(row.args));
        test::ScratchDir dir;
        if (!Make(dir.path(), row.before)) {
            std::cout << "[ SKIPPED  ] row " << i << ": making a device node needs root\n";
            continue;
        }
        const int fifo = open((dir.path() / "out.fifo").c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        std::vector<std::string> args = {QUORVANE_TAG_PROGRAM};
        args.insert(args.end(), row.args.begin(), row.args.end());
        const auto run = test::RunProgram(dir.path(), args, StandardInput(row.in), row.fileLimit);
        EXPECT_EQ(run.status, row.status);
        EXPECT_EQ(run.out, row.out);
        EXPECT_EQ(run.err, row.err);
        EXPECT_EQ(Snapshot(dir.path(), fifo < 0 ? "" : test::Drain(fifo)), row.after);
    }
}

TEST(Program, HelpGoesToStandardOutput) {
    const auto run =
        test::RunProgram(".", {QUORVANE_TAG_PROGRAM, "-h", "--bogus"}, StandardInput(""));
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(run.out.starts_with("Usage: quorvane-tag [OPTIONS] FILE\n")) << run.out;
    EXPECT_EQ(run.err, "");
}

} // namespace
} // namespace quorvane::cli
