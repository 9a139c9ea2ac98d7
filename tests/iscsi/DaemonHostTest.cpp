// The library in a host that is a daemon: it forks children that exit or use the library
// themselves, executes helpers, restarts, exits with commands in flight, and meets connections
// that break under a write. The host's I_T nexus (and with it its reservation) survives all of it,
// and the host survives the rest.
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

#include "HostProcess.h"
#include "PrivateTarget.h"
#include "TgtTarget.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "platform/OZScsi.h"
#include "qxscsi/QXScsiHardDisk.h"

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

constexpr int kGood = 0x00;
constexpr int kReservationConflict = 0x18;

// A forked child that runs body and leaves through exit(), as a host's child does, with
// body's result as its status; waited for until boundMs at most, killed after. Its exit
// status, 128 + the signal that ended it, or -1 when it had to be killed. ms: how long it ran
// from the fork.
int inChild(const std::function<int()>& body, long long boundMs, long long& ms) {
    std::fflush(nullptr);
    const long long start = tgt::HostProcess::nowMs();
    const pid_t pid = ::fork();
    if (pid == 0) {
        std::exit(body());
    }
    int status = 0;
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        if (tgt::HostProcess::nowMs() - start > boundMs) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            ms = tgt::HostProcess::nowMs() - start;
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ms = tgt::HostProcess::nowMs() - start;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Status of a command of the platform layer, or -1 when it failed below the SCSI layer (with
// its text in failure).
int sendCommand(const OZScsiTarget& target, unsigned char* cdb, int cdbLength,
                std::vector<unsigned char>& data, bool dataOut, std::string& failure) {
    unsigned char sense[32] = {};
    try {
        return OZScsi::send(target, cdb, cdbLength, data.data(), static_cast<int>(data.size()),
                            dataOut, false, sense, 32, 30);
    } catch (const QxScsiException& e) {
        failure = e.getMessage();
        return -1;
    }
}

// READ(10) of LBA 0: its status, or -1 (with failure filled).
int readBlockZero(const OZScsiTarget& target, std::string& failure) {
    unsigned char cdb[10] = {0x28, 0, 0, 0, 0, 0, 0, 0, 1, 0};
    std::vector<unsigned char> block(512);
    return sendCommand(target, cdb, 10, block, false, failure);
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
    ASSERT_EQ(readBlockZero(held, message), kGood) << message;
    EXPECT_NE(::fcntl(held.handle(), F_GETFD) & FD_CLOEXEC, 0) << "no program executed keeps it";

    const std::vector<std::pair<const char*, std::function<int()>>> children = {
        {"exits at once", [] { return 0; }},
        {"reads the device",
         [&] {
             // Its own open logs in a nexus of its own, a stranger to the reservation; the
             // parent's object fails without a word to the target.
             OZScsiTarget own(path.c_str(), true);
             std::string text;
             const int status = OZScsi::open(own, 10) == 0 ? readBlockZero(own, text) : -1;
             const bool inheritedFails = readBlockZero(held, text) == -1 &&
                                         text.find("belongs to process") != std::string::npos;
             return status == kReservationConflict && inheritedFails ? 0 : 20 + status;
         }},
    };
    for (const auto& child : children) {
        long long ms = 0;
        EXPECT_EQ(inChild(child.second, 20000, ms), 0) << child.first;
        EXPECT_EQ(readBlockZero(held, message), kGood) << child.first << ": " << message;
        std::vector<std::string> keys;
        EXPECT_EQ(disk.PR_queryRegKey(keys), 0u) << child.first;
        EXPECT_THAT(keys, Contains(key)) << child.first;
    }
}

// tgt makes every session a nexus of its own: a restarted host meets the reservation its
// earlier process left under the host's key, and is fenced by it until it takes it over.
TEST(DaemonHost, ARestartedHostTakesOverWhatItsEarlierProcessReserved) {
    tgt::PrivateTarget target;
    ASSERT_TRUE(target.started());
    const std::string path = target.path(tgt::kFlatDisk, "restarting-host");
    std::string key;
    std::string message;
    long long ms = 0;
    ASSERT_EQ(inChild(
                  [&] {
                      QXScsiHardDisk first(path, 1);
                      return first.Open() && first.doForcePR_Reserve(1, 2, 3, key) == 0 ? 0 : 1;
                  },
                  20000, ms),
              0);

    QXScsiHardDisk disk(path, 1);
    ASSERT_TRUE(disk.Open());
    EXPECT_EQ(disk.doForcePR_Reserve(1, 2, 3, key), 0u) << disk.getLastError(message) << message;
    OZScsiTarget own(path.c_str(), true);
    ASSERT_EQ(OZScsi::open(own, 10), 0);
    EXPECT_EQ(readBlockZero(own, message), kGood) << message;
    std::vector<std::string> keys;
    std::string holder;
    unsigned long type = 0;
    EXPECT_EQ(disk.PR_queryRegKey(keys), 0u);
    EXPECT_EQ(disk.PR_queryRsrv(holder, type), 0u);
    EXPECT_EQ(keys, std::vector<std::string>{"QX010203"});
    EXPECT_EQ(holder, "QX010203");
}

TEST(DaemonHost, ExitWithAnotherThreadsCommandWaitingOnAStoppedTargetKeepsItsBound) {
    tgt::PrivateTarget target;
    ASSERT_TRUE(target.started());
    const std::string path = target.path(tgt::kFlatDisk, "exit-host");
    const int pid = target.pid();
    long long ms = 0;
    const int status = inChild(
        [&] {
            OZScsiTarget disk(path.c_str(), true);
            if (OZScsi::open(disk, 10) != 0 || ::kill(pid, SIGSTOP) != 0) {
                return 10;
            }
            std::thread([&disk] {
                unsigned char cdb[10] = {0x28, 0, 0, 0, 0, 0, 0, 0, 1, 0};
                std::vector<unsigned char> block(512);
                std::string failure;
                sendCommand(disk, cdb, 10, block, false, failure);
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
            unsigned char cdb[10] = {0x2A, 0, 0, 1, 0, 0, 0, 0x20, 0, 0};
            std::vector<unsigned char> data(8192 * 512, 0x5A);
            std::string failure;
            g_breakNextWrite = true;
            const int result = sendCommand(disk, cdb, 10, data, true, failure);
            std::printf("the broken write: %d: %s\n", result, failure.c_str());
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
