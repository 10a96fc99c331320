#include "scratch_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <sstream>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

// Runs the built quorvane-tag (its path comes from the build) through the
// shell and checks exit status, standard output and standard error.
namespace quorvane::cli {
namespace {

namespace fs = std::filesystem;

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

std::string ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

class Program : public testing::Test {
protected:
    fs::path Write(const std::string& name, const std::string& bytes) {
        return m_scratch.Write(name, bytes);
    }

    // `arguments` is shell text; `input` goes to standard input; `before`
    // and `after` are shell text around the program's run.
    Outcome Start(const std::string& arguments, const std::string& input = "",
                  const std::string& before = "", const std::string& after = "") {
        const fs::path in = Write("stdin", input);
        const fs::path out = m_dir / "stdout";
        const fs::path err = m_dir / "stderr";
        const std::string command = "cd '" + m_dir.string() + "' && " + before + " '" +
                                    QUORVANE_TAG_PROGRAM "' " + arguments +
                                    " <stdin >stdout 2>stderr" + after;
        const int raw = std::system(command.c_str());
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadBytes(out), ReadBytes(err)};
    }

    // Files in the directory other than the ones Start makes.
    std::vector<std::string> Others(const std::vector<std::string>& known) const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(m_dir)) {
            const std::string name = entry.path().filename();
            if (name != "stdin" && name != "stdout" && name != "stderr" &&
                std::find(known.begin(), known.end(), name) == known.end()) {
                names.push_back(name);
            }
        }
        return names;
    }

    quorvane::test::ScratchDir m_scratch;
    const fs::path& m_dir = m_scratch.path();
};

const std::string kWorkedTable = "<table>\r\n<tr>\r\n<td align=right>a</td>\r\n<td>b</td>\r\n"
                                 "</tr>\r\n<tr>\r\n<td align=right>c</td>\r\n<td></td>\r\n"
                                 "</tr>\r\n</table>";

TEST_F(Program, ConvertsToStandardOutputExactly) {
    Write("in.csv", "a,b\r\nc\r\n");
    const Outcome run = Start("-n 2 -a 1=align=right in.csv");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, kWorkedTable);
    EXPECT_EQ(run.err, "");
}

TEST_F(Program, DecodesCp932ToUtf8) {
    Write("in.csv", "\x93\xfa\x96\x7b,\x87\x40\r\n");
    const Outcome run = Start("-n 2 -a '2=class=\"n\"' in.csv");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "<table>\r\n<tr>\r\n<td>日本</td>\r\n<td class=\"n\">①</td>\r\n</tr>\r\n"
                       "</table>");
}

TEST_F(Program, NewOptionsOnAUtf16TabFile) {
    // "h\t<b>\r\nx" in UTF-16 LE with its mark, a literal tab as delimiter.
    const std::string bytes("\xff\xfeh\0\t\0<\0b\0>\0\r\0\n\0x\0", 18);
    const Outcome run =
        Start("-n2 -d '\t' --header --escape --table-attr 'border=\"1\"' -a 2=c -", bytes);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "<table border=\"1\">\r\n<tr>\r\n<th>h</th>\r\n<th c>&lt;b&gt;</th>\r\n"
                       "</tr>\r\n<tr>\r\n<td>x</td>\r\n<td c></td>\r\n</tr>\r\n</table>");
}

TEST_F(Program, ReadsStandardInput) {
    const Outcome run = Start("-n 2 -a 1=align=right -", "a,b\nc");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, kWorkedTable);
}

TEST_F(Program, WritesOutputFile) {
    Write("in.csv", "a,b\r\nc\r\n");
    const Outcome run = Start("-n2 -a1=align=right -o out.html in.csv");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(ReadBytes(m_dir / "out.html"), kWorkedTable);
    EXPECT_EQ(Others({"in.csv", "out.html"}), std::vector<std::string>{});
}

TEST_F(Program, FailureLeavesNoOutputFile) {
    Write("out.html", "old");
    const Outcome run = Start("-o out.html missing.csv");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "quorvane-tag: missing.csv: No such file or directory\n");
    EXPECT_EQ(ReadBytes(m_dir / "out.html"), "old");
    EXPECT_EQ(Others({"out.html"}), std::vector<std::string>{});
}

TEST_F(Program, ConversionFailuresExitOne) {
    fs::create_directory(m_dir / "sub");
    for (const char* args : {"missing.csv", "sub", "/dev/zero", "-o nodir/out.html sub"}) {
        const Outcome run = Start(args);
        EXPECT_EQ(run.status, 1) << args;
        EXPECT_EQ(run.out, "") << args;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << args;
    }
    Write("in.csv", "a");
    const Outcome run = Start("-o nodir/out.html in.csv");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("nodir/out.html"), std::string::npos) << run.err;
}

TEST_F(Program, UsageErrorsExitTwoAndWriteNothing) {
    Write("in.csv", "a");
    for (const char* args :
         {"", "-n", "-n x in.csv", "-n 0 in.csv", "--bogus in.csv", "-a 2=x in.csv",
          "-o out.html -n 40000 in.csv", "-d : in.csv", "-o out.html --delimiter ';;' in.csv"}) {
        const Outcome run = Start(args);
        EXPECT_EQ(run.status, 2) << args;
        EXPECT_EQ(run.out, "") << args;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << args;
    }
    EXPECT_EQ(Others({"in.csv"}), std::vector<std::string>{});
}

// What stands at the -o path decides how it is written; whatever fails, the
// old file stays whole and nothing else is left behind.
struct OutputCase {
    const char* name;
    // Makes the target in `dir`; returns why the case cannot run, or "".
    std::function<std::string(const fs::path& dir)> make;
    const char* before;
    const char* arguments;
    const char* after;
    int status;
    std::function<void(const fs::path& dir)> check;
};

bool Is(const fs::path& path, mode_t kind) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0 && (info.st_mode & S_IFMT) == kind;
}

mode_t Permissions(const fs::path& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

const std::string kBigInput(200000, 'x');

const OutputCase kOutputCases[] = {
    {"CharacterDevice",
     [](const fs::path& dir) -> std::string {
         if (geteuid() != 0) {
             return "making a device node needs root";
         }
         // A private null device: writes vanish, the node stays.
         return mknod((dir / "null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0 ? ""
                                                                                  : "mknod failed";
     },
     "", "-o null in.csv", "", 0,
     [](const fs::path& dir) { EXPECT_TRUE(Is(dir / "null", S_IFCHR)); }},
    {"FifoWithReader",
     [](const fs::path& dir) -> std::string {
         return mkfifo((dir / "fifo").c_str(), 0600) == 0 ? "" : "mkfifo failed";
     },
     "{ cat fifo >from-fifo & } &&", "-o fifo in.csv", "; wait", 0,
     [](const fs::path& dir) {
         EXPECT_TRUE(Is(dir / "fifo", S_IFIFO));
         EXPECT_EQ(ReadBytes(dir / "from-fifo"), kWorkedTable);
     }},
    {"SymbolicLink",
     [](const fs::path& dir) {
         std::ofstream(dir / "real.html") << "old";
         fs::create_symlink("real.html", dir / "link.html");
         return std::string();
     },
     "", "-o link.html in.csv", "", 0,
     [](const fs::path& dir) {
         EXPECT_TRUE(Is(dir / "link.html", S_IFLNK));
         EXPECT_EQ(ReadBytes(dir / "real.html"), kWorkedTable);
     }},
    {"Mode600File",
     [](const fs::path& dir) {
         std::ofstream(dir / "private.html") << "old";
         fs::permissions(dir / "private.html", fs::perms::owner_read | fs::perms::owner_write);
         return std::string();
     },
     "", "-o private.html in.csv", "", 0,
     [](const fs::path& dir) {
         EXPECT_EQ(Permissions(dir / "private.html"), 0600u);
         EXPECT_EQ(ReadBytes(dir / "private.html"), kWorkedTable);
     }},
    // Offset 0 of the process's memory is never mapped: the kernel fails the
    // read.
    {"ReadFailureOntoExistingFile",
     [](const fs::path& dir) {
         std::ofstream(dir / "old.html") << "old";
         return std::string();
     },
     "", "-o old.html /proc/self/mem", "", 1,
     [](const fs::path& dir) { EXPECT_EQ(ReadBytes(dir / "old.html"), "old"); }},
    // A file size limit of one block makes the write fail part-way.
    {"WriteFailureOntoExistingFile",
     [](const fs::path& dir) {
         std::ofstream(dir / "old.html") << "old";
         std::ofstream(dir / "big.csv") << kBigInput;
         return std::string();
     },
     "trap '' XFSZ; ulimit -f 1;", "-o old.html big.csv", "", 1,
     [](const fs::path& dir) { EXPECT_EQ(ReadBytes(dir / "old.html"), "old"); }},
};

TEST_F(Program, OutputPathDecidesHowItIsWritten) {
    for (const OutputCase& c : kOutputCases) {
        SCOPED_TRACE(c.name);
        for (const auto& entry : fs::directory_iterator(m_dir)) {
            fs::remove_all(entry.path());
        }
        Write("in.csv", "a,b\r\nc\r\n");
        const std::string skipped = c.make(m_dir);
        if (!skipped.empty()) {
            std::cout << "[ SKIPPED  ] " << c.name << ": " << skipped << "\n";
            continue;
        }
        const auto before = Others({});
        const Outcome run =
            Start(std::string("-n 2 -a 1=align=right ") + c.arguments, "", c.before, c.after);
        EXPECT_EQ(run.status, c.status) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), c.status == 0 ? 0 : 1);
        EXPECT_EQ(Others({}).size(), before.size() + (std::string(c.name) == "FifoWithReader"));
        c.check(m_dir);
    }
}

TEST_F(Program, VersionAndHelp) {
    const Outcome version = Start("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "quorvane-tag 1.0.2\n");
    const Outcome help = Start("-h");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("Usage: quorvane-tag [OPTIONS] FILE"), std::string::npos);
}

} // namespace
} // namespace quorvane::cli
