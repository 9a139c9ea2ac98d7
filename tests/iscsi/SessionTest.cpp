// The iSCSI sessions against tgt: one per host and target whatever the LUN, a login's unit
// attention kept from the caller, and a target that stops answering.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "PrivateTarget.h"
#include "TgtTarget.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "platform/OZScsi.h"

namespace {

using ::testing::HasSubstr;
using ::testing::Not;

const unsigned char kTur[6] = {};

using Session = tgt::TgtTest;

// TEST UNIT READY's status, with the sense key and ASC in key and asc.
int testUnitReady(const OZScsiTarget& target, int& key, int& asc, int seconds = 30) {
    unsigned char sense[32] = {};
    const int status = OZScsi::send(target, kTur, 6, nullptr, 0, false, false, sense, 32, seconds);
    key = sense[2] & 0x0F;
    asc = sense[12];
    return status;
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
    int key = -1, asc = -1;
    EXPECT_EQ(testUnitReady(tape, key, asc), 0) << "key " << key << " asc " << asc;
    EXPECT_EQ(testUnitReady(other, key, asc), 0) << "key " << key << " asc " << asc;
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
        int key = -1, asc = -1;
        testUnitReady(target, key, asc);
        const tgt::Stopped stopped(std::stoi(tgt::setting("TGT_PID")));
        ASSERT_TRUE(stopped.ok());
        const auto start = std::chrono::steady_clock::now();
        try {
            testUnitReady(target, key, asc, 2);
            ADD_FAILURE() << "the command completed";
        } catch (const QxScsiException& e) {
            EXPECT_EQ(e.getScsiStatus(), -1);
            EXPECT_THAT(e.getMessage(), HasSubstr("no answer within 2 s"));
        }
        const auto took = std::chrono::steady_clock::now() - start;
        EXPECT_GE(took, std::chrono::milliseconds(1900));
        EXPECT_LT(took, std::chrono::seconds(4));
        // The session is gone; the same object fails at once, and says so.
        EXPECT_THROW(OZScsi::populate(target), QxException);
        EXPECT_THROW(testUnitReady(target, key, asc), QxScsiException);
    }
    OZScsiTarget again(path.c_str(), true);
    ASSERT_EQ(OZScsi::open(again, 10), 0);
    EXPECT_EQ(OZScsi::populate(again), 0);
    int key = -1, asc = -1;
    EXPECT_EQ(testUnitReady(again, key, asc), 0) << "key " << key << " asc " << asc;
}

TEST_F(Session, TargetThatDiesFailsEveryWaitAtOnce) {
    const tgt::PrivateTarget target;
    ASSERT_TRUE(target.started());
    OZScsiTarget disk(target.path(tgt::kFlatDisk).c_str(), true);
    ASSERT_EQ(OZScsi::open(disk, 10), 0);
    int key = -1, asc = -1;
    ASSERT_EQ(testUnitReady(disk, key, asc), 0);
    ASSERT_EQ(::kill(std::stoi(target.value("TGT_PID")), SIGKILL), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));

    const auto start = std::chrono::steady_clock::now();
    for (const char* detail : {"broke", "failed earlier"}) {
        try {
            testUnitReady(disk, key, asc);
            ADD_FAILURE() << "the command completed";
        } catch (const QxScsiException& e) {
            EXPECT_EQ(e.getScsiStatus(), -1);
            EXPECT_THAT(e.getMessage(), HasSubstr(detail));
        }
    }
    OZScsiTarget again(target.path(tgt::kFlatDisk).c_str(), true);
    EXPECT_NE(OZScsi::open(again, 10), 0);
    EXPECT_THROW(OZScsi::populate(again), QxException);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

// The target's list of sessions, as tgtadm shows it.
std::string targetSessions() {
    const std::string command = "timeout 5 tgtadm -C " + tgt::setting("TGT_CONTROL_PORT") +
                                " --lld iscsi --op show --mode conn --tid 1 2>&1";
    std::string text;
    if (std::FILE* p = ::popen(command.c_str(), "r")) {
        char buffer[512];
        while (std::fgets(buffer, sizeof buffer, p) != nullptr) {
            text += buffer;
        }
        ::pclose(p);
    }
    return text;
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
