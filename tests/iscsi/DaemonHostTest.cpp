// The library in a host that is a daemon: it forks children that exit or use the library
// themselves, executes helpers, exits with commands in flight, and meets connections that break
// under a write. The host's I_T nexus (and with it its reservation) survives its children, and
// the host survives the rest.
#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "PrivateTarget.h"
#include "Scsi.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "tests/tools/RunTool.h"

// Armed, the next write of a buffer list to a socket finds the socket shut for writing, as the
// kernel leaves one whose peer reset it: the write fails with EPIPE and raises SIGPIPE in the
// writing thread. libiscsi writes a PDU's data so.
std::atomic<bool> g_breakNextWrite{false};

// Stands in for the C library's writev; the build hides symbols by default, and libiscsi must
// see this one.
extern "C" __attribute__((visibility("default"))) ssize_t writev(int fd, const iovec* iov,
                                                                 int count) {
    using Writev = ssize_t (*)(int, const iovec*, int);
    static const Writev real = reinterpret_cast<Writev>(::dlsym(RTLD_NEXT, "writev"));
    struct stat st {};
    if (g_breakNextWrite && ::fstat(fd, &st) == 0 && S_ISSOCK(st.st_mode) &&
        g_breakNextWrite.exchange(false)) {
        ::shutdown(fd, SHUT_WR);
    }
    return real(fd, iov, count);
}

namespace {

using ::testing::Contains;
using ::testing::HasSubstr;

using tgt::kGood;
using tgt::kReservationConflict;

// A forked child that runs body and leaves through exit(), as a host's child does, with
// body's result as its status; waited for until boundMs at most, killed after. Its exit
// status, 128 + the signal that ended it, or -1 when it had to be killed. ms: how long it ran
// from the fork.
int inChild(const std::function<int()>& body, long long boundMs, long long& ms) {
    std::fflush(nullptr);
    const long long start = tooltest::nowMs();
    const pid_t pid = ::fork();
    if (pid == 0) {
        std::exit(body());
    }
    int status = 0;
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        if (tooltest::nowMs() - start > boundMs) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            ms = tooltest::nowMs() - start;
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ms = tooltest::nowMs() - start;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

TEST(DaemonHost, ChildrenThatExitOrOpenTheDeviceLeaveTheParentsNexusAlone) {
    tgt::PrivateTarget target;
    ASSERT_TRUE(target.started());
    const std::string path = target.path(tgt::kFlatDisk, "fork-host");
    std::string key;
    std::string message;
    QXScsiHardDisk disk(path, 1);
    ASSERT_TRUE(disk.Open());
    ASSERT_EQ(disk.doForcePR_Reserve(1, 2, 3, key), 0u) << disk.getLastError(message) << message;
    OZScsiTarget held(path.c_str(), true);
    ASSERT_EQ(OZScsi::open(held, 10), 0);
    ASSERT_EQ(tgt::send(held, message), kGood) << message;
    EXPECT_NE(::fcntl(held.handle(), F_GETFD) & FD_CLOEXEC, 0) << "no program executed keeps it";

    const std::vector<std::pair<const char*, std::function<int()>>> children = {
        {"exits at once", [] { return 0; }},
        {"reads the device",
         [&] {
             // Its own open logs in a nexus of its own, a stranger to the reservation; the
             // parent's object fails without a word to the target.
             OZScsiTarget own(path.c_str(), true);
             std::string text;
             const int status = OZScsi::open(own, 10) == 0 ? tgt::send(own, text) : -1;
             const bool inheritedFails = tgt::send(held, text) == -1 &&
                                         text.find("belongs to process") != std::string::npos;
             return status == kReservationConflict && inheritedFails ? 0 : 20 + status;
         }},
    };
    for (const auto& child : children) {
        long long ms = 0;
        EXPECT_EQ(inChild(child.second, 20000, ms), 0) << child.first;
        EXPECT_EQ(tgt::send(held, message), kGood) << child.first << ": " << message;
        std::vector<std::string> keys;
        EXPECT_EQ(disk.PR_queryRegKey(keys), 0u) << child.first;
        EXPECT_THAT(keys, Contains(key)) << child.first;
    }
}

TEST(DaemonHost, ExitWithPooledSessionsAndACommandWaitingOnAStoppedTargetKeepsItsBound) {
    tgt::PrivateTarget target;
    ASSERT_TRUE(target.started());
    const int pid = target.pid();
    long long ms = 0;
    const int status = inChild(
        [&] {
            // Three sessions, whose logouts at exit share one bound; one has a command waiting.
            OZScsiTarget disk(target.path(tgt::kFlatDisk, "exit-host").c_str(), true);
            OZScsiTarget second(target.path(tgt::kFlatDisk, "exit-host-2").c_str(), true);
            OZScsiTarget tape(target.path(tgt::kTape, "exit-host-3").c_str(), true);
            for (OZScsiTarget* t : {&disk, &second, &tape}) {
                if (OZScsi::open(*t, 10) != 0) {
                    return 10;
                }
            }
            if (::kill(pid, SIGSTOP) != 0) {
                return 10;
            }
            std::thread([&disk] {
                std::string failure;
                tgt::send(disk, failure);
            }).detach();
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            return 0;
        },
        20000, ms);
    ::kill(pid, SIGCONT);
    EXPECT_EQ(status, 0);
    EXPECT_LT(ms, 3500) << "the logout at exit does not wait for the command";
}

using DaemonHostOnSharedTarget = tgt::TgtTest;

TEST_F(DaemonHostOnSharedTarget, AWriteWhoseConnectionBreaksFailsWithoutSigpipe) {
    const std::string path = tgt::path(tgt::kFlatDisk, "pipe-host");
    long long ms = 0;
    const int status = inChild(
        [&] {
            ::signal(SIGPIPE, SIG_DFL);
            OZScsiTarget disk(path.c_str(), true);
            if (OZScsi::open(disk, 10) != 0) {
                return 10;
            }
            // WRITE(10) of 4 MiB at LBA 65536.
            std::string failure;
            g_breakNextWrite = true;
            const int result = tgt::send(disk, failure, 30, {0x2A, 0, 0, 1, 0, 0, 0, 0x20, 0, 0},
                                         std::vector<unsigned char>(8192 * 512, 0x5A), true);
            // The host's signal state is as it was.
            sigset_t mask;
            sigset_t pending;
            struct sigaction action {};
            ::pthread_sigmask(SIG_BLOCK, nullptr, &mask);
            ::sigpending(&pending);
            ::sigaction(SIGPIPE, nullptr, &action);
            const bool unchanged = ::sigismember(&mask, SIGPIPE) == 0 &&
                                   ::sigismember(&pending, SIGPIPE) == 0 &&
                                   action.sa_handler == SIG_DFL;
            return result == -1 && failure.find("broke") != std::string::npos && unchanged ? 0 : 11;
        },
        20000, ms);
    EXPECT_EQ(status, 0) << (status == 128 + SIGPIPE ? "ended by SIGPIPE" : "");
}

}  // namespace
