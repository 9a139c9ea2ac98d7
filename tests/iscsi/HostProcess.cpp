#include "HostProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>

namespace tgt {

long long HostProcess::nowMs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<long long>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
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
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(in[0], STDIN_FILENO);
        dup2(out[1], STDOUT_FILENO);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    m_in = in[1];
    m_out = out[0];
    m_pid = pid;
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
    if (m_in < 0) {
        return false;
    }
    const std::string text = line + "\n";
    return write(m_in, text.data(), text.size()) == static_cast<ssize_t>(text.size());
}

bool HostProcess::hear(std::string& line, long long deadlineMs) {
    for (;;) {
        const std::size_t end = m_pending.find('\n');
        if (end != std::string::npos) {
            line = m_pending.substr(0, end);
            m_pending.erase(0, end + 1);
            return true;
        }
        const long long left = deadlineMs - nowMs();
        if (m_out < 0 || left <= 0) {
            return false;
        }
        pollfd p = {m_out, POLLIN, 0};
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
}

int HostProcess::finish(long long deadlineMs) {
    if (m_in >= 0) {
        close(m_in);
        m_in = -1;
    }
    if (m_pid <= 0) {
        return -1;
    }
    int status = 0;
    while (waitpid(m_pid, &status, WNOHANG) == 0) {
        if (nowMs() >= deadlineMs) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
            m_pid = -1;
            return -1;
        }
        usleep(20 * 1000);
    }
    m_pid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace tgt
