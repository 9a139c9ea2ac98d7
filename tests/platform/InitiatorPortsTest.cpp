#include "platform/iscsi/InitiatorPorts.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "gtest/gtest.h"

namespace {

using oz::iscsi::InitiatorPorts;

class Ports : public ::testing::Test {
  protected:
    void SetUp() override {
        char dir[] = "/tmp/qxscsi-ports-XXXXXX";
        ASSERT_NE(::mkdtemp(dir), nullptr);
        m_dir = dir;
    }
    void TearDown() override { (void)!std::system(("rm -rf " + m_dir).c_str()); }

    // The slot of (initiator, target) in ports, or -1 when none was given.
    static int slot(InitiatorPorts& ports, const std::string& initiator = "iqn.2026-12.test:host",
                    const std::string& target = "iqn.2026-12.test:target") {
        unsigned s = 0;
        std::string reason;
        return ports.slotFor(initiator, target, s, reason) ? static_cast<int>(s) : -1;
    }

    // Forks as the platform's fork handlers do: the child gives up its copies of the ports.
    static pid_t forkWith(InitiatorPorts& ports) {
        ports.lockForFork();
        const pid_t pid = ::fork();
        if (pid == 0) {
            ports.closeInChild();
        } else {
            ports.unlockInParent();
        }
        return pid;
    }

    std::string m_dir;
};

TEST_F(Ports, EachNameAndTargetHasASlotHeldThroughCloseOnExecDescriptors) {
    InitiatorPorts ports(m_dir);
    EXPECT_EQ(slot(ports), 0);
    EXPECT_EQ(slot(ports), 0);
    EXPECT_EQ(slot(ports, "iqn.2026-12.test:host", "iqn.2026-12.test:other-target"), 0);
    EXPECT_EQ(slot(ports, "iqn.2026-12.test:other-host"), 0);
    int locks = 0;
    DIR* fds = ::opendir("/proc/self/fd");
    ASSERT_NE(fds, nullptr);
    while (const dirent* e = ::readdir(fds)) {
        char target[512] = {};
        const std::string link = std::string("/proc/self/fd/") + e->d_name;
        if (::readlink(link.c_str(), target, sizeof target - 1) > 0 &&
            std::string(target).rfind(m_dir + "/", 0) == 0) {
            ++locks;
            EXPECT_TRUE(::fcntl(std::atoi(e->d_name), F_GETFD) & FD_CLOEXEC) << target;
        }
    }
    ::closedir(fds);
    EXPECT_EQ(locks, 3);
    // A folder that cannot be made gives slot 0, uncoordinated.
    InitiatorPorts unusable(m_dir + "/" + "port-none/x");
    EXPECT_EQ(slot(unusable), 0);
}

// A process takes slot 0 and forks a child that lives on after it: the child holds slot 1 of its
// own, and the parent's slot is free once the parent has ended (a restarted host gets it back).
TEST_F(Ports, AForkedChildGivesUpItsParentsSlotAndTakesItsOwn) {
    // ready: each process's slot to the test; parentEnd, childEnd: closed to end each process.
    int ready[2], parentEnd[2], childEnd[2];
    ASSERT_EQ(::pipe(ready) | ::pipe(parentEnd) | ::pipe(childEnd), 0);
    const pid_t parent = ::fork();
    if (parent == 0) {
        ::close(parentEnd[1]);
        ::close(childEnd[1]);
        InitiatorPorts ports(m_dir);
        const char first = static_cast<char>(slot(ports));
        const bool child = forkWith(ports) == 0;
        const char mine = child ? static_cast<char>(slot(ports)) : first;
        char c = 0;
        (void)!::write(ready[1], &mine, 1);
        (void)!::read(child ? childEnd[0] : parentEnd[0], &c, 1);
        ::_exit(0);
    }
    ::close(ready[1]);
    unsigned char slots[2] = {0xFF, 0xFF};
    ASSERT_EQ(::read(ready[0], &slots[0], 1), 1);
    ASSERT_EQ(::read(ready[0], &slots[1], 1), 1);
    EXPECT_EQ(slots[0] + slots[1], 1);
    ::close(parentEnd[1]);
    int status = 0;
    EXPECT_EQ(::waitpid(parent, &status, 0), parent);
    InitiatorPorts restarted(m_dir);
    EXPECT_EQ(slot(restarted), 0);
    for (const int fd : {childEnd[1], ready[0], parentEnd[0], childEnd[0]}) {
        ::close(fd);
    }
}

}  // namespace
