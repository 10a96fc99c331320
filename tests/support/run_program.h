#pragma once

#include <fcntl.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

// Runs a program in `dir` with standard input from `inFd` (closed here) and
// standard output and error through pipes; `fileLimit` bytes, when given,
// make writes past it fail (EFBIG) instead of killing the program. A run that
// hangs is killed by an alarm.
namespace quorvane::test {

struct ProgramRun final {
    int status = -1;
    std::string out;
    std::string err;
};

inline std::string Drain(int fd) {
    std::string text;
    char buffer[1 << 16];
    for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;) {
        text.append(buffer, static_cast<std::size_t>(n));
    }
    close(fd);
    return text;
}

inline ProgramRun RunProgram(const std::string& dir, std::vector<std::string> args, int inFd,
                             rlim_t fileLimit = RLIM_INFINITY) {
    int out[2], err[2];
    if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) {
        return {};
    }
    const pid_t pid = fork();
    if (pid == 0) {
        const rlimit limit{fileLimit, fileLimit};
        signal(SIGXFSZ, SIG_IGN);
        alarm(100);
        std::vector<char*> argv;
        for (auto& arg : args) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        if (chdir(dir.c_str()) == 0 && dup2(inFd, 0) == 0 && dup2(out[1], 1) == 1 &&
            dup2(err[1], 2) == 2 && setrlimit(RLIMIT_FSIZE, &limit) == 0) {
            execv(argv[0], argv.data());
        }
        _exit(127);
    }
    close(inFd);
    close(out[1]);
    close(err[1]);
    ProgramRun run;
    run.out = Drain(out[0]);
    run.err = Drain(err[0]);
    int raw = 0;
    waitpid(pid, &raw, 0);
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return run;
}

} // namespace quorvane::test
