#pragma once

#include <algorithm>
#include <fcntl.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <tuple>
#include <unistd.h>
#include <vector>

// Runs a program in `dir` with `in` on standard input and standard output and
// error through pipes; `fileLimit` bytes, when given, make writes past it fail
// (EFBIG) instead of killing the program. Gives the exit status (-1 when it
// was killed), standard output and standard error. The input must fit a pipe's
// buffer.
namespace quorvane::test {

inline std::string Drain(int fd) {
    std::string text;
    char buffer[1 << 16];
    for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;) {
        text.append(buffer, static_cast<std::size_t>(n));
    }
    close(fd);
    return text;
}

inline std::tuple<int, std::string, std::string> RunProgram(const std::string& dir,
                                                            std::vector<std::string> args,
                                                            const std::string& in,
                                                            rlim_t fileLimit = RLIM_INFINITY) {
    int pipes[3][2];
    for (auto& p : pipes) {
        pipe2(p, O_CLOEXEC);
    }
    write(pipes[0][1], in.data(), in.size());
    close(pipes[0][1]);
    const pid_t pid = fork();
    if (pid == 0) {
        const rlimit limit{fileLimit, fileLimit};
        signal(SIGXFSZ, SIG_IGN);
        std::vector<char*> argv(args.size() + 1); // ends with a null pointer
        std::ranges::transform(args, argv.begin(), [](std::string& arg) { return arg.data(); });
        for (int fd = 0; fd < 3; ++fd) {
            dup2(pipes[fd][fd != 0], fd);
        }
        if (chdir(dir.c_str()) == 0 && setrlimit(RLIMIT_FSIZE, &limit) == 0) {
            execv(argv[0], argv.data());
        }
        _exit(127);
    }
    for (int fd = 0; fd < 3; ++fd) {
        close(pipes[fd][fd != 0]); // the child's ends
    }
    std::string out = Drain(pipes[1][0]), err = Drain(pipes[2][0]);
    int raw = 0;
    waitpid(pid, &raw, 0);
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, out, err};
}

} // namespace quorvane::test
