// The iSCSI sessions against tgt: one per host and target whatever the LUN, a login's unit
// attention kept from the caller, and a target that stops answering.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "PrivateTarget.h"
#include "Scsi.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace {

using ::testing::HasSubstr;
using ::testing::Not;

using Session = tgt::TgtTest;

// TEST UNIT READY's status, or -1 (with failure filled).
int testUnitReady(const OZScsiTarget& target, std::string& failure, int seconds = 30) {
    return tgt::send(target, failure, seconds, tgt::kTestUnitReady, {});
}

TEST_F(Session, OneHostSharesOneSessionAcrossLunsAndItsObjects) {
    OZScsiTarget disk(tgt::path(tgt::kFlatDisk, "session-host").c_str(), true);
    OZScsiTarget disk2(tgt::path(tgt::kFlatDisk, "session-host").c_str(), true);
    OZScsiTarget tape(tgt::path(tgt::kTape, "session-host").c_str(), true);
    OZScsiTarget other(tgt::path(tgt::kFlatDisk, "session-other").c_str(), true);
    for (OZScsiTarget* t : {&disk, &disk2, &tape, &other}) {
        ASSERT_EQ(OZScsi::open(*t, 10), 0) << t->path();
        ASSERT_EQ(OZScsi::populate(*t), 0);
    }
    EXPECT_EQ(disk.handle(), disk2.handle());
    EXPECT_EQ(disk.handle(), tape.handle()) << "another LUN of the same target";
    EXPECT_NE(disk.handle(), other.handle()) << "another host";
    // The first command on each LUN is the caller's own: the login's unit attention is gone.
    std::string failure;
    EXPECT_EQ(testUnitReady(tape, failure), 0) << failure;
    EXPECT_EQ(testUnitReady(other, failure), 0) << failure;
}

TEST_F(Session, AbsentLunIsAnOpenFailureOnANewAndOnAnExistingSession) {
    OZScsiTarget first(tgt::path(tgt::kTape, "lun-host").c_str(), true);
    ASSERT_EQ(OZScsi::open(first, 10), 0);
    for (const char* host : {"lun-host", "lun-newcomer"}) {
        const std::string path = tgt::path(9, host);
        OZScsiTarget absent(path.c_str(), true);
        EXPECT_NE(OZScsi::open(absent, 10), 0) << host;
        try {
            OZScsi::populate(absent);
            ADD_FAILURE() << "populate succeeded";
        } catch (const QxException& e) {
            EXPECT_THAT(e.getMessage(), HasSubstr("cannot open " + path + ": "));
            EXPECT_THAT(e.getMessage(), HasSubstr("LUN"));
        }
    }
}

TEST_F(Session, SilentTargetFailsTheCommandInItsTimeAndTheNextOpenLogsInAfresh) {
    const std::string path = tgt::path(tgt::kTape, "stall-host");
    {
        OZScsiTarget target(path.c_str(), true);
        ASSERT_EQ(OZScsi::open(target, 10), 0);
        std::string failure;
        testUnitReady(target, failure);
        const tgt::Stopped stopped(std::stoi(tgt::setting("TGT_PID")));
        ASSERT_TRUE(stopped.ok());
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(testUnitReady(target, failure, 2), -1);
        EXPECT_THAT(failure, HasSubstr("no answer within 2 s"));
        const auto took = std::chrono::steady_clock::now() - start;
        EXPECT_GE(took, std::chrono::milliseconds(1900));
        EXPECT_LT(took, std::chrono::seconds(4));
        // The session is gone; the same object fails at once, and says so.
        EXPECT_THROW(OZScsi::populate(target), QxException);
        EXPECT_EQ(testUnitReady(target, failure), -1);
    }
    OZScsiTarget again(path.c_str(), true);
    ASSERT_EQ(OZScsi::open(again, 10), 0);
    EXPECT_EQ(OZScsi::populate(again), 0);
    std::string failure;
    EXPECT_EQ(testUnitReady(again, failure), 0) << failure;
}

// The target's list of sessions.
std::string targetSessions() {
    return tgt::tgtadm("--lld iscsi --op show --mode conn --tid 1");
}

TEST_F(Session, SessionOutlivesItsLastObjectUntilTheProcessExits) {
    const std::string host = "exit-host";
    int ready[2];
    int go[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(go), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        OZScsiTarget* target = new OZScsiTarget(tgt::path(tgt::kTape, host).c_str(), true);
        const char result = OZScsi::open(*target, 10) == 0 ? 'y' : 'n';
        delete target;  // the session stays in the pool until the process exits
        (void)!::write(ready[1], &result, 1);
        char c;
        (void)!::read(go[0], &c, 1);
        std::exit(0);
    }
    char result = 'n';
    EXPECT_EQ(::read(ready[0], &result, 1), 1);
    EXPECT_EQ(result, 'y');
    EXPECT_THAT(targetSessions(), HasSubstr(host)) << "the session outlives its last object";
    const char c = 'x';
    EXPECT_EQ(::write(go[1], &c, 1), 1);
    int status = -1;
    for (int i = 0; i < 100 && ::waitpid(child, &status, WNOHANG) == 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    if (::waitpid(child, &status, WNOHANG) == 0) {
        ::kill(child, SIGKILL);
        ::waitpid(child, &status, 0);
        ADD_FAILURE() << "the process did not exit";
    }
    for (int fd : {ready[0], ready[1], go[0], go[1]}) {
        ::close(fd);
    }
    EXPECT_THAT(targetSessions(), Not(HasSubstr(host)));
}

}  // namespace
