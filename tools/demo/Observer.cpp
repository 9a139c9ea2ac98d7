#include "Observer.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "Interrupt.h"

namespace qxdemo {

namespace {

// The tool says a few lines; more than this is not shown.
constexpr std::size_t kMaxOutput = 64 * 1024;

}  // namespace

ObservedRun Observer::run(const std::vector<std::string>& args) const {
    ObservedRun result;
    int fd[2];
    if (pipe2(fd, O_CLOEXEC) != 0) {
        result.failure = std::string("cannot make a pipe: ") + std::strerror(errno);
        return result;
    }
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(m_tool.c_str()));
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    int error = 0;
    const pid_t pid = spawnWatchedChild(m_tool.c_str(), argv.data(), fd[1], error);
    if (pid < 0) {
        result.failure = "cannot start " + m_tool + ": " + std::strerror(error);
        close(fd[0]);
        close(fd[1]);
        return result;
    }
    close(fd[1]);

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(m_seconds);
    char buffer[4096];
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0) {
            result.timedOut = true;
            kill(pid, SIGKILL);
            break;
        }
        pollfd p{fd[0], POLLIN, 0};
        const int ready = poll(&p, 1, static_cast<int>(left));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            continue;
        }
        const ssize_t n = read(fd[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        if (result.output.size() < kMaxOutput) {
            result.output.append(
                buffer, std::min(static_cast<std::size_t>(n), kMaxOutput - result.output.size()));
        }
    }
    close(fd[0]);

    // The output has ended; the process is given what is left of its time to exit.
    int status = 0;
    for (;;) {
        const pid_t reaped = waitpid(pid, &status, WNOHANG);
        if (reaped == pid || (reaped < 0 && errno != EINTR)) {
            break;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            result.timedOut = true;
            kill(pid, SIGKILL);
            while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
            break;
        }
        usleep(10 * 1000);
    }
    forgetChild();
    if (WIFEXITED(status)) {
        result.exitStatus = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        result.signal = WTERMSIG(status);
    }
    return result;
}

}  // namespace qxdemo
