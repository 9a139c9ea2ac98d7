#include "Watch.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "ExitStatus.h"

namespace qxtool {

namespace {

// How often the elapsed time is looked at while nothing else happens.
constexpr int kRedrawMilliseconds = 200;
constexpr auto kShowAfter = std::chrono::seconds(1);

sigset_t interruptSet() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    return set;
}

// The end of the work, as a byte in a pipe: the waiting thread polls it with the signal's
// descriptor. Shared with the work's thread, which may outlive the wait after an interrupt.
struct DonePipe {
    int fd[2] = {-1, -1};
    DonePipe() {
        if (pipe2(fd, O_CLOEXEC) != 0) {
            fd[0] = fd[1] = -1;
        }
    }
    ~DonePipe() {
        for (int f : fd) {
            if (f >= 0) {
                close(f);
            }
        }
    }
    DonePipe(const DonePipe&) = delete;
    DonePipe& operator=(const DonePipe&) = delete;
};

// The elapsed-time line, redrawn in place; wiped before anything else is written.
class TerminalLine {
  public:
    explicit TerminalLine(std::FILE* terminal) : m_terminal(terminal) {}

    void show(const std::string& text) {
        if (m_terminal == nullptr || text == m_shown) {
            return;
        }
        std::string line = "\r" + text;
        if (text.size() < m_shown.size()) {
            line.append(m_shown.size() - text.size(), ' ');
        }
        std::fputs(line.c_str(), m_terminal);
        std::fflush(m_terminal);
        m_shown = text;
    }

    void wipe() {
        if (m_terminal == nullptr || m_shown.empty()) {
            return;
        }
        std::fputs(("\r" + std::string(m_shown.size(), ' ') + "\r").c_str(), m_terminal);
        std::fflush(m_terminal);
        m_shown.clear();
    }

  private:
    std::FILE* m_terminal;
    std::string m_shown;
};

}  // namespace

WatchOutcome runWatched(const std::function<void()>& work, const Progress& progress,
                        std::FILE* terminal) {
    const sigset_t set = interruptSet();
    sigset_t previous;
    pthread_sigmask(SIG_BLOCK, &set, &previous);
    const int signals = signalfd(-1, &set, SFD_CLOEXEC);
    if (signals < 0) {
        // Without the descriptor SIGINT keeps its default action: it still ends the tool.
        pthread_sigmask(SIG_SETMASK, &previous, nullptr);
        work();
        return WatchOutcome::Finished;
    }
    auto done = std::make_shared<DonePipe>();
    auto finished = std::make_shared<std::atomic<bool>>(false);
    std::thread worker([work, done, finished] {
        work();
        finished->store(true);
        const char byte = 1;
        if (done->fd[1] >= 0 && write(done->fd[1], &byte, 1) != 1) {
            // Without the byte the waiting thread sees the flag at its next look.
        }
    });

    TerminalLine line(terminal);
    while (!finished->load()) {
        pollfd fds[2] = {{signals, POLLIN, 0}, {done->fd[0], POLLIN, 0}};
        if (poll(fds, 2, kRedrawMilliseconds) > 0 && (fds[0].revents & POLLIN) != 0) {
            signalfd_siginfo info;
            if (read(signals, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
                line.wipe();
                worker.detach();
                close(signals);
                return WatchOutcome::Interrupted;
            }
        }
        std::string what;
        Progress::Clock::time_point since;
        if (!progress.current(what, since)) {
            line.wipe();
        } else if (Progress::Clock::now() - since >= kShowAfter) {
            line.show(progressLine(what, Progress::Clock::now() - since));
        }
    }
    worker.join();
    line.wipe();
    close(signals);
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return WatchOutcome::Finished;
}

void endByInterrupt() {
    signal(SIGINT, SIG_DFL);
    const sigset_t set = interruptSet();
    pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
    raise(SIGINT);
    _exit(kExitInterrupted);
}

}  // namespace qxtool
