// When a waiting session pings its target, and when it gives the target up.
#include "gtest/gtest.h"
#include "platform/iscsi/Liveness.h"

namespace {

using oz::iscsi::Liveness;

constexpr long long kQuiet = 3000;
constexpr long long kAnswer = 5000;

TEST(Liveness, QuietTargetIsPingedAndGivenUpOnlyWhenThePingGoesUnanswered) {
    Liveness l(kQuiet, kAnswer);
    l.begin(1000);
    EXPECT_FALSE(l.pingDue(1000 + kQuiet - 1));
    EXPECT_EQ(l.untilNextCheck(1000), kQuiet);
    ASSERT_TRUE(l.pingDue(1000 + kQuiet));
    l.pinged(4000);
    EXPECT_FALSE(l.pingDue(20000)) << "one ping at a time";
    EXPECT_FALSE(l.silent(4000 + kAnswer - 1));
    EXPECT_EQ(l.untilNextCheck(5000), kAnswer - 1000);
    // Data from the target (an old command finishing, say) does not answer the ping.
    l.heard(6000);
    EXPECT_TRUE(l.silent(4000 + kAnswer));
}

TEST(Liveness, AnsweredPingsKeepALongCommandWaiting) {
    Liveness l(kQuiet, kAnswer);
    l.begin(0);
    long long now = 0;
    for (int round = 0; round < 100; ++round) {  // five minutes of a busy target
        now += kQuiet;
        ASSERT_TRUE(l.pingDue(now));
        l.pinged(now);
        now += kAnswer - 1;
        ASSERT_FALSE(l.silent(now)) << round;
        l.answered(now);
    }
    EXPECT_FALSE(l.pingOut());
}

TEST(Liveness, TrafficPutsThePingOffAndANewWaitStartsTheClocksAfresh) {
    Liveness l(kQuiet, kAnswer);
    l.begin(0);
    l.heard(2500);
    EXPECT_FALSE(l.pingDue(4000));
    EXPECT_TRUE(l.pingDue(5500));
    // A ping left out at the end of one wait is not counted against the target while nobody
    // listened: the next wait, a minute later, gives it its full time.
    l.pinged(5500);
    l.begin(65500);
    EXPECT_TRUE(l.pingOut());
    EXPECT_FALSE(l.silent(65500 + kAnswer - 1));
    EXPECT_TRUE(l.silent(65500 + kAnswer));
    EXPECT_EQ(l.untilNextCheck(65500 + kAnswer + 10), 0);
}

}  // namespace
