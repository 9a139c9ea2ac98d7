#include "tests/tools/RunTool.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

namespace tooltest {

long long nowMs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<long long>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

namespace {

// Starts program with args, its standard output and error on the descriptors given; the child's
// pid, or -1.
pid_t spawn(const std::string& program, const std::vector<std::string>& args, int out, int err) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(out, 1);
        dup2(err, 2);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    return pid;
}

}  // namespace

ToolRun runProgram(const std::string& program, const std::vector<std::string>& args,
                   const RunOptions& options) {
    ToolRun run;
    int out[2];
    int err[2];
    if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) {
        return run;
    }
    const long long start = nowMs();
    const pid_t pid = spawn(program, args, out[1], err[1]);
    close(out[1]);
    close(err[1]);
    const long long deadline = start + options.seconds * 1000LL;
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    std::string* sinks[2] = {&run.out, &run.err};
    int open = 2;
    bool killed = false;
    bool interrupted = options.interruptAfterMs < 0;
    while (open > 0 && pid > 0) {
        const long long now = nowMs();
        if (now >= deadline) {
            kill(pid, SIGKILL);
            killed = true;
            break;
        }
        if (!interrupted && now - start >= options.interruptAfterMs) {
            kill(pid, SIGINT);
            interrupted = true;
        }
        long long left = deadline - now;
        if (!interrupted && start + options.interruptAfterMs - now < left) {
            left = start + options.interruptAfterMs - now;
        }
        if (poll(fds, 2, static_cast<int>(left > 0 ? left : 0)) < 0) {
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd >= 0 && (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
                char buffer[4096];
                const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
                if (n > 0) {
                    sinks[i]->append(buffer, static_cast<std::size_t>(n));
                } else {
                    fds[i].fd = -1;
                    --open;
                }
            }
        }
    }
    close(out[0]);
    close(err[0]);
    int wstatus = 0;
    if (pid > 0 && waitpid(pid, &wstatus, 0) == pid && !killed) {
        if (WIFEXITED(wstatus)) {
            run.status = WEXITSTATUS(wstatus);
        } else if (WIFSIGNALED(wstatus)) {
            run.signal = WTERMSIG(wstatus);
        }
    }
    run.milliseconds = nowMs() - start;
    return run;
}

ToolRun runTool(const std::vector<std::string>& args, int seconds) {
    RunOptions options;
    options.seconds = seconds;
    return runProgram(QXSCSI_TOOL_PATH, args, options);
}

}  // namespace tooltest
