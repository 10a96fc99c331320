#include "scratch_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <signal.h>
#include <sstream>
#include <string>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

// quorvane-tag run as a child process on inputs and outputs that fail: it
// exits 1 with one line on standard error, or 0 with the table, never hangs
// (every run has an alarm) and never leaves a partial output file.
namespace quorvane::cli::test {
namespace {

namespace fs = std::filesystem;

struct Outcome final {
    int status = -1;
    int signal = 0;
    std::size_t outSize = 0;
    std::string outHead;
    std::string outTail;
    std::string err;
    long maxRssKiB = 0;
};

struct ChildSetup final {
    int stdinFd = -1;
    rlim_t fileSizeLimit = RLIM_INFINITY;
};

constexpr std::size_t kKeep = 256;

class ProgramFaults : public testing::Test {
protected:
    fs::path Write(const std::string& name, const std::string& bytes) {
        return m_scratch.Write(name, bytes);
    }

    // Runs the program in the test's directory; standard output is read
    // through a pipe, keeping its size, head and tail.
    Outcome Start(const std::vector<std::string>& args, const ChildSetup& setup = {}) {
        int out[2];
        EXPECT_EQ(pipe2(out, O_CLOEXEC), 0);
        const fs::path err = m_dir / ".stderr";
        const pid_t pid = fork();
        if (pid == 0) {
            Child(args, setup, out[1], err);
        }
        close(out[1]);
        Outcome run;
        std::string buffer(1 << 16, '\0');
        for (;;) {
            const ssize_t n = read(out[0], buffer.data(), buffer.size());
            if (n <= 0) {
                break;
            }
            const std::string_view piece(buffer.data(), static_cast<std::size_t>(n));
            if (run.outHead.size() < kKeep) {
                run.outHead += piece.substr(0, kKeep - run.outHead.size());
            }
            run.outTail =
                (run.outTail + std::string(piece))
                    .substr(std::max<std::size_t>(run.outTail.size() + piece.size(), kKeep) -
                            kKeep);
            run.outSize += static_cast<std::size_t>(n);
        }
        close(out[0]);
        int raw = 0;
        rusage usage{};
        EXPECT_EQ(wait4(pid, &raw, 0, &usage), pid);
        run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        run.signal = WIFSIGNALED(raw) ? WTERMSIG(raw) : 0;
        run.maxRssKiB = usage.ru_maxrss;
        std::ifstream in(err);
        std::ostringstream text;
        text << in.rdbuf();
        run.err = text.str();
        fs::remove(err);
        return run;
    }

    [[noreturn]] void Child(const std::vector<std::string>& args, const ChildSetup& setup, int out,
                            const fs::path& err) {
        if (chdir(m_dir.c_str()) != 0) {
            _exit(120);
        }
        const int errFd = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int inFd = setup.stdinFd >= 0 ? setup.stdinFd : open("/dev/null", O_RDONLY);
        if (errFd < 0 || inFd < 0 || dup2(inFd, 0) < 0 || dup2(out, 1) < 0 || dup2(errFd, 2) < 0) {
            _exit(121);
        }
        if (setup.fileSizeLimit != RLIM_INFINITY) {
            // A write past the limit then fails with EFBIG instead of killing.
            const rlimit limit{setup.fileSizeLimit, setup.fileSizeLimit};
            setrlimit(RLIMIT_FSIZE, &limit);
            signal(SIGXFSZ, SIG_IGN);
        }
        // A run that hangs is killed; the alarm outlives exec.
        alarm(250);
        std::vector<char*> argv = {const_cast<char*>(QUORVANE_TAG_PROGRAM)};
        for (const auto& arg : args) {
            argv.push_back(const_cast<char*>(arg.c_str()));
        }
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(122);
    }

    // Files in the directory, partial output and temporary files included.
    std::vector<std::string> Files() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(m_dir)) {
            names.push_back(entry.path().filename());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    quorvane::test::ScratchDir m_scratch;
    const fs::path& m_dir = m_scratch.path();
};

std::size_t Lines(const std::string& text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

TEST_F(ProgramFaults, InputsThatCannotBeReadFailWithOneLine) {
    fs::create_directory(m_dir / "dir");
    ASSERT_EQ(mkfifo((m_dir / "fifo").c_str(), 0600), 0);
    const std::string invalid = "\xff\xfe\n\x1b[2J missing.csv";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"dir", "dir: is a directory\n"},
        {"fifo", "fifo: not a regular file\n"},
        {"/dev/zero", "/dev/zero: not a regular file\n"},
        {"/proc/self/mem", "/proc/self/mem: Input/output error\n"},
        // Control characters in the name are shown escaped, on one line.
        {invalid, "\xff\xfe\\x0a\\x1b[2J missing.csv: No such file or directory\n"},
    };
    for (const auto& [input, message] : cases) {
        SCOPED_TRACE(input);
        const Outcome run = Start({"-o", "out.html", input});
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, "quorvane-tag: " + message);
        EXPECT_EQ(run.outSize, 0u);
        EXPECT_EQ(Files(), (std::vector<std::string>{"dir", "fifo"}));
    }
}

TEST_F(ProgramFaults, FileOfSizeZeroWithContentAndOddNameIsConverted) {
    const Outcome status = Start({"/proc/self/status"});
    EXPECT_EQ(status.status, 0);
    EXPECT_TRUE(status.outHead.starts_with("<table>\r\n<tr>\r\n<td>Name:\t")) << status.outHead;
    EXPECT_TRUE(status.outTail.ends_with("</td>\r\n</tr>\r\n</table>"));

    Write("\xff\xfe\x82\xa0.csv", "a,b\r\n");
    const Outcome odd = Start({"-n", "2", "\xff\xfe\x82\xa0.csv"});
    EXPECT_EQ(odd.status, 0);
    EXPECT_EQ(odd.outHead, "<table>\r\n<tr>\r\n<td>a</td>\r\n<td>b</td>\r\n</tr>\r\n</table>");
}

// Standard input is a descriptor on this process's memory placed so that the
// child reads the CSV bytes and then fails with EIO: a read failure after
// more output than the program buffers.
TEST_F(ProgramFaults, ReadFailureInTheMiddleLeavesNoOutputFile) {
    const std::size_t size = 4 << 20;
    const long page = sysconf(_SC_PAGESIZE);
    auto* area = static_cast<char*>(
        mmap(nullptr, size + page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    ASSERT_NE(area, MAP_FAILED);
    ASSERT_EQ(munmap(area + size, page), 0);
    for (std::size_t i = 0; i < size; i += 8) {
        std::memcpy(area + i, "ab,cd,\r\n", 8);
    }
    const int fd = open("/proc/self/mem", O_RDONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(lseek(fd, reinterpret_cast<off_t>(area), SEEK_SET), reinterpret_cast<off_t>(area));
    Write("out.html", "old");
    const Outcome run = Start({"-n", "3", "-o", "out.html", "-"}, {fd, RLIM_INFINITY});
    close(fd);
    munmap(area, size);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "quorvane-tag: standard input: Input/output error\n");
    EXPECT_EQ(Files(), std::vector<std::string>{"out.html"});
    std::ifstream old(m_dir / "out.html");
    std::string kept;
    old >> kept;
    EXPECT_EQ(kept, "old");
}

TEST_F(ProgramFaults, WriteFailureInTheMiddleLeavesNoOutputFile) {
    std::string bytes;
    for (int i = 0; i < 200000; ++i) {
        bytes += "field,";
    }
    Write("in.csv", bytes);
    ChildSetup setup;
    // Larger than one write of the program, smaller than the table.
    setup.fileSizeLimit = 3 << 20;
    const Outcome run = Start({"-o", "out.html", "in.csv"}, setup);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(Lines(run.err), 1u);
    EXPECT_TRUE(run.err.starts_with("quorvane-tag: out.html: ")) << run.err;
    EXPECT_EQ(Files(), std::vector<std::string>{"in.csv"});
}

// 4 GiB and a little more, nearly all of it a hole: the NUL bytes are one
// long field between two lines of data. The program streams it through with
// the memory of a small conversion.
TEST_F(ProgramFaults, SparseFileOfFourGibStreamsWithFlatMemory) {
    const std::string head = "a,b\r\n";
    const std::string tail = "\r\nz";
    const std::size_t hole = (std::size_t{4} << 30) + 4096;
    const fs::path path = Write("sparse.csv", head);
    {
        const int fd = open(path.c_str(), O_WRONLY);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(pwrite(fd, tail.data(), tail.size(), static_cast<off_t>(head.size() + hole)),
                  static_cast<ssize_t>(tail.size()));
        close(fd);
    }
    Write("small.csv", head + std::string(100, '\0') + tail);
    const Outcome small = Start({"small.csv"});
    const Outcome big = Start({"sparse.csv"});
    ASSERT_EQ(big.status, 0) << big.err;
    EXPECT_EQ(big.err, "");
    const std::string row = "\r\n<tr>\r\n<td></td>\r\n</tr>";
    EXPECT_EQ(big.outSize, 7 + 4 * (row.size()) + 3 + hole + 10);
    EXPECT_EQ(big.outHead.substr(0, 40), "<table>\r\n<tr>\r\n<td>a</td>\r\n</tr>\r\n<tr>\r\n");
    EXPECT_TRUE(big.outTail.ends_with("\r\n<tr>\r\n<td>z</td>\r\n</tr>\r\n</table>"));
    EXPECT_EQ(small.status, 0);
    // Memory stays within a few MiB of a conversion of 100 bytes.
    EXPECT_LT(big.maxRssKiB - small.maxRssKiB, 16 << 10)
        << "small " << small.maxRssKiB << " KiB, big " << big.maxRssKiB << " KiB";
}

} // namespace
} // namespace quorvane::cli::test
