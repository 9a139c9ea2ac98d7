#include "tests/tools/RunTool.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>

namespace tooltest {

long long nowMs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<long long>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

namespace {

// A pseudo-terminal: the master end to read, the slave's name for the child to open.
bool openTerminal(int& master, std::string& slave) {
    master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0) {
        return false;
    }
    const char* name = nullptr;
    if (grantpt(master) != 0 || unlockpt(master) != 0 || (name = ptsname(master)) == nullptr) {
        close(master);
        return false;
    }
    slave = name;
    return true;
}

// Starts program with args, its standard input, output and error on the descriptors given (-1:
// the test's own) and the settings added to its environment; the child's pid, or -1.
pid_t spawn(const std::string& program, const std::vector<std::string>& args, int in, int out,
            int err, const std::vector<std::string>& environment = {}) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        const int fds[3] = {in, out, err};
        for (int i = 0; i < 3; ++i) {
            if (fds[i] >= 0) {
                dup2(fds[i], i);
            }
        }
        for (const std::string& setting : environment) {
            putenv(const_cast<char*>(setting.c_str()));
        }
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
    std::string terminal;
    if (pipe2(out, O_CLOEXEC) != 0) {
        return run;
    }
    const bool piped =
        options.stderrTerminal ? openTerminal(err[0], terminal) : pipe2(err, O_CLOEXEC) == 0;
    if (!piped) {
        close(out[0]);
        close(out[1]);
        return run;
    }
    const long long start = nowMs();
    // The terminal's slave end stays open here until the child has it.
    const int errFd =
        options.stderrTerminal ? open(terminal.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC) : err[1];
    const pid_t pid = spawn(program, args, -1, out[1], errFd, options.environment);
    close(out[1]);
    close(errFd);
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
                    // End of file; a terminal whose last writer has gone reads as an error.
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

ToolRun runProgram(const std::string& program, const std::vector<std::string>& args, int seconds) {
    RunOptions options;
    options.seconds = seconds;
    return runProgram(program, args, options);
}

ToolRun runTool(const std::vector<std::string>& args, int seconds) {
    return runProgram(QXSCSI_TOOL_PATH, args, seconds);
}

HostProcess::HostProcess(const std::string& program, const std::vector<std::string>& args) {
    int in[2];
    int out[2];
    if (pipe2(in, O_CLOEXEC) != 0) {
        return;
    }
    if (pipe2(out, O_CLOEXEC) != 0) {
        close(in[0]);
        close(in[1]);
        return;
    }
    m_pid = spawn(program, args, in[0], out[1], -1);
    close(in[0]);
    close(out[1]);
    m_in = in[1];
    m_out = out[0];
    // A child that has gone must not end the test by SIGPIPE.
    signal(SIGPIPE, SIG_IGN);
}

HostProcess::~HostProcess() {
    if (m_in >= 0) {
        close(m_in);
    }
    if (m_out >= 0) {
        close(m_out);
    }
    if (m_pid > 0) {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
    }
}

bool HostProcess::say(const std::string& line) {
    const std::string text = line + "\n";
    return m_in >= 0 && write(m_in, text.data(), text.size()) == static_cast<ssize_t>(text.size());
}

bool HostProcess::hear(std::string& line, long long deadlineMs) {
    std::size_t end = 0;
    while ((end = m_pending.find('\n')) == std::string::npos) {
        const long long left = deadlineMs - nowMs();
        pollfd p = {m_out, POLLIN, 0};
        if (m_out < 0 || left <= 0) {
            return false;
        }
        const int n = poll(&p, 1, static_cast<int>(left));
        if (n < 0 && errno != EINTR) {
            return false;
        }
        if (n > 0) {
            char buffer[1024];
            const ssize_t got = read(m_out, buffer, sizeof buffer);
            if (got <= 0) {
                close(m_out);
                m_out = -1;
                return false;
            }
            m_pending.append(buffer, static_cast<std::size_t>(got));
        }
    }
    line = m_pending.substr(0, end);
    m_pending.erase(0, end + 1);
    return true;
}

int HostProcess::finish(long long deadlineMs) {
    if (m_in >= 0) {
        close(m_in);
        m_in = -1;
    }
    int status = 0;
    pid_t done = 0;
    while (m_pid > 0 && (done = waitpid(m_pid, &status, WNOHANG)) == 0 && nowMs() < deadlineMs) {
        usleep(20 * 1000);
    }
    if (m_pid <= 0 || done != m_pid) {
        return -1;  // still running: the destructor kills and reaps it
    }
    m_pid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace tooltest
