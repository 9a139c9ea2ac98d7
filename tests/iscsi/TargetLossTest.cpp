// A target that goes away under a host holding a pooled session: killed, or stopped so that
// its kernel still answers TCP while the process says nothing. Every call must come back in
// time with the handle's code for a failed pass-through, nothing may leak, and the same
// process must work again once the target is back.
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "PrivateTarget.h"
#include "Scsi.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "tests/Loopback.h"
#include "tests/tools/RunTool.h"

namespace {

using ::testing::HasSubstr;

constexpr unsigned long kPassThroughFailed = 45001;
constexpr unsigned long kReserveOutFailed = 764;
constexpr long long kCallBoundMs = 30000;
// A session's socket and its wake-up descriptor.
constexpr long kPerSession = 2;

using qxtest::openDescriptors;

long long timedMs(const std::function<void()>& call) {
    const long long start = tooltest::nowMs();
    call();
    return tooltest::nowMs() - start;
}

// One handle call with a target that is gone: its code, within its bound.
void expectFailedCall(const char* what, unsigned long expected,
                      const std::function<unsigned long()>& call) {
    unsigned long code = 0;
    EXPECT_LT(timedMs([&] { code = call(); }), kCallBoundMs) << what;
    EXPECT_EQ(code, expected) << what;
}

// READ(10) of block 0 on an object opened before the target went away: the failure's text
// (or that it completed), and how long it took.
std::string failedInFlight(const OZScsiTarget& target, long long& ms, int seconds = 600) {
    std::string text = "(the command completed)";
    ms = timedMs([&] { tgt::send(target, text, seconds); });
    return text;
}

// The holder of the disk's reservation, read by a host that never registers.
std::string holderOf(const tgt::PrivateTarget& target) {
    return tgt::readState(target.path(tgt::kFlatDisk, "loss-observer")).holder;
}

TEST(TargetLoss, KilledTargetFailsEveryCallAtOnceAndARestartedOneIsLoggedInAfresh) {
    tgt::PrivateTarget target;
    ASSERT_TRUE(target.started());
    const std::string path = target.path(tgt::kFlatDisk, "loss-host");
    std::string key;
    std::string message;
    {
        QXScsiHardDisk disk(path, 1);
        ASSERT_TRUE(disk.Open());
        ASSERT_EQ(disk.doForcePR_Reserve(1, 2, 3, key), 0u);
    }
    // The observer's session is pooled too; count with it.
    ASSERT_EQ(holderOf(target), key);
    const long pooled = openDescriptors();

    // Killed and restarted between two calls: the pooled session is found dead before its
    // command goes out, and the call logs in afresh. The new target has no reservation.
    ASSERT_TRUE(target.kill());
    ASSERT_TRUE(target.restart());
    {
        QXScsiHardDisk disk(path, 1);
        ASSERT_TRUE(disk.Open());
        EXPECT_EQ(disk.doForcePR_Reserve(1, 2, 3, key), 0u)
            << disk.getLastError(message) << message;
    }
    EXPECT_EQ(holderOf(target), key);
    EXPECT_EQ(openDescriptors(), pooled) << "the dead sessions' sockets are closed";

    // Killed under an open object, and no target comes back for a while.
    OZScsiTarget before(path.c_str(), true);
    ASSERT_EQ(OZScsi::open(before, 10), 0);
    ASSERT_TRUE(target.kill());
    long long ms = 0;
    const std::string inFlight = failedInFlight(before, ms);
    EXPECT_THAT(inFlight, HasSubstr("broke"));
    EXPECT_LT(ms, 2000);
    EXPECT_THAT(failedInFlight(before, ms), HasSubstr("failed earlier"));
    QXScsiHardDisk disk(path, 1);
    ASSERT_TRUE(disk.Open());
    expectFailedCall("doForcePR_Reserve", kPassThroughFailed,
                     [&] { return disk.doForcePR_Reserve(1, 2, 3, key); });
    expectFailedCall("doForcePR_Clear", kReserveOutFailed,
                     [&] { return disk.doForcePR_Clear(1, 2, 3); });
    EXPECT_FALSE(QXNTSpti(0, path).isOK());
    // This host's descriptors are closed; the observer's dead session keeps its own until its
    // next open finds it dead.
    EXPECT_EQ(openDescriptors(), pooled - kPerSession);

    ASSERT_TRUE(target.restart());
    EXPECT_EQ(disk.doForcePR_Reserve(1, 2, 3, key), 0u) << disk.getLastError(message) << message;
    EXPECT_EQ(holderOf(target), key);
    QXNTSpti after(0, path);
    EXPECT_EQ(tgt::readBlockZero(after, message), tgt::kGood) << message;
    EXPECT_EQ(openDescriptors(), pooled);
}

TEST(TargetLoss, StoppedTargetIsGivenUpWithinBoundsAndWorksAgainOnceResumed) {
    tgt::PrivateTarget target;
    ASSERT_TRUE(target.started());
    const std::string path = target.path(tgt::kFlatDisk, "stall-host");
    std::string key;
    std::string message;
    QXScsiHardDisk disk(path, 1);
    ASSERT_TRUE(disk.Open());
    ASSERT_EQ(disk.doForcePR_Reserve(1, 2, 3, key), 0u);
    // Three objects of the host on three LUNs of its one session.
    std::vector<std::unique_ptr<OZScsiTarget>> before;
    for (const int lun : {tgt::kFlatDisk, tgt::kBulkDisk, tgt::kToolDisk}) {
        before.emplace_back(new OZScsiTarget(target.path(lun, "stall-host").c_str(), true));
        ASSERT_EQ(OZScsi::open(*before.back(), 10), 0);
    }
    QXNTSpti spti(0, path);
    ASSERT_TRUE(spti.isOK()) << spti.m_strErrorMsg;
    // Another host's session, on the tape, with two objects.
    const std::string tape = target.path(tgt::kTape, "stall-other");
    OZScsiTarget other(tape.c_str(), true);
    OZScsiTarget otherBrief(tape.c_str(), true);
    ASSERT_EQ(OZScsi::open(other, 10), 0);
    ASSERT_EQ(OZScsi::open(otherBrief, 10), 0);
    const long pooled = openDescriptors();
    {
        tgt::Stopped stopped(target.pid());
        ASSERT_TRUE(stopped.ok());
        // Commands in flight at once, each under its own limit. The other host's 2 s command
        // ends at its limit, though a thread waiting for a 600 s one polls the session, and
        // fails that one with it, with the session's reason. This host's three may take 600 s
        // each, and TCP still answers: the unanswered ping ends them all.
        struct Sent {
            const OZScsiTarget* target;
            int seconds;
            const char* told;
            long long least, most;  // a resend would have waited for a new login as well
            std::string text;
            long long ms;
        };
        std::vector<Sent> sent = {
            {&other, 600, "LUN 3 got no answer within 2 s", 1900, 4500, "", 0},
            {&otherBrief, 2, "no answer within 2 s", 1900, 4000, "", 0}};
        for (const auto& t : before) {
            sent.push_back({t.get(), 600, "stopped answering", 7500, 12000, "", 0});
        }
        std::vector<std::thread> threads;
        for (Sent& c : sent) {
            threads.emplace_back([&c] {
                if (c.seconds == 2) {  // after the 600 s command of its session
                    std::this_thread::sleep_for(std::chrono::milliseconds(200));
                }
                c.text = failedInFlight(*c.target, c.ms, c.seconds);
            });
        }
        for (std::thread& t : threads) {
            t.join();
        }
        for (const Sent& c : sent) {
            EXPECT_THAT(c.text, HasSubstr(c.told));
            EXPECT_GE(c.ms, c.least) << c.text;
            EXPECT_LT(c.ms, c.most) << c.text;
        }
        EXPECT_THROW(OZScsi::populate(other), QxException);
        // What a host's own pass-through object on the same session is told afterwards.
        EXPECT_EQ(tgt::readBlockZero(spti, message, 600), -1);
        // The next call logs in afresh, and the login's own limit ends it.
        expectFailedCall("doForcePR_Reserve", kPassThroughFailed,
                         [&] { return disk.doForcePR_Reserve(1, 2, 3, key); });
        EXPECT_EQ(openDescriptors(), pooled - 2 * kPerSession) << "none left from the failed login";
    }
    // Resumed. On tgt the new session is a stranger to the old one's registration, so the
    // host clears before it reserves again.
    QXScsiHardDisk again(path, 1);
    ASSERT_TRUE(again.Open());
    EXPECT_EQ(again.doForcePR_Clear(1, 2, 3), 0u) << again.getLastError(message) << message;
    EXPECT_EQ(again.doForcePR_Reserve(1, 2, 3, key), 0u) << again.getLastError(message) << message;
    QXNTSpti after(0, path);
    EXPECT_EQ(tgt::readBlockZero(after, message), tgt::kGood) << message;
    // The other host's next open logs in afresh.
    OZScsiTarget otherAgain(tape.c_str(), true);
    ASSERT_EQ(OZScsi::open(otherAgain, 10), 0);
    std::string failure;
    EXPECT_EQ(tgt::send(otherAgain, failure, 30, tgt::kTestUnitReady, {}), tgt::kGood) << failure;
    EXPECT_EQ(openDescriptors(), pooled);
}

}  // namespace
