// Persistent reservations between three hosts on one tgt disk, each host an initiator name of
// its own in this one process; the device's state is read after every step through a fourth
// host that only reads.
#include <string>
#include <vector>

#include "DeviceState.h"
#include "TgtTarget.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "qxscsi/QXNTSpti.h"
#include "qxscsi/QXScsiHardDisk.h"

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using tgt::DeviceState;
using tgt::readState;

constexpr unsigned long kConflict = 45002;
constexpr unsigned long kExclusiveAccess = 3;

std::vector<std::string> g_log;
void keepLog(int, const long long&, const std::string& text) {
    g_log.push_back(text);
}

bool logged(const std::string& text) {
    for (const std::string& line : g_log) {
        if (line.find(text) != std::string::npos) {
            return true;
        }
    }
    return false;
}

class ReservationStory : public tgt::TgtTest {
  protected:
    void SetUp() override {
        tgt::TgtTest::SetUp();
        QXScsiHardDisk::m_gpLogMessageCallbackFunc = &keepLog;
        g_log.clear();
    }
    void TearDown() override { QXScsiHardDisk::m_gpLogMessageCallbackFunc = nullptr; }
};

TEST_F(ReservationStory, ThreeHostsReservePreemptClearAndRelease) {
    const int lun = tgt::kStoryDisk;
    QXScsiHardDisk a(tgt::path(lun, "host-a"), 1);
    QXScsiHardDisk b(tgt::path(lun, "host-b"), 2);
    QXScsiHardDisk c(tgt::path(lun, "host-c"), 3);
    for (QXScsiHardDisk* host : {&a, &b, &c}) {
        ASSERT_TRUE(host->Open());
    }
    std::string message;

    // A fresh disk: nobody registered, nothing reserved.
    DeviceState s = readState(lun);
    ASSERT_THAT(s.keys, IsEmpty());
    ASSERT_EQ(s.holder, "");

    // Host A takes the disk: it registers and reserves.
    std::string keyA;
    ASSERT_EQ(a.doForcePR_Reserve(1, 2, 3, keyA), 0u) << a.getLastError(message) << message;
    EXPECT_EQ(keyA, "QX010203");
    s = readState(lun);
    EXPECT_THAT(s.keys, ElementsAre("QX010203"));
    EXPECT_EQ(s.holder, "QX010203");
    EXPECT_EQ(s.type, kExclusiveAccess);
    const long taken = s.generation;

    // A again: it holds the reservation already and sends no PERSISTENT RESERVE OUT (a
    // registration would have moved the generation).
    g_log.clear();
    std::string again;
    EXPECT_EQ(a.doForcePR_Reserve(1, 2, 3, again), 0u);
    EXPECT_TRUE(logged("Reservation on the drive already exists from this host"));
    s = readState(lun);
    EXPECT_EQ(s.generation, taken);
    EXPECT_THAT(s.keys, ElementsAre("QX010203"));
    EXPECT_EQ(s.holder, "QX010203");

    // Host B takes over by pre-emption: A's registration and reservation are gone.
    g_log.clear();
    std::string keyB;
    ASSERT_EQ(b.doForcePR_Reserve(4, 5, 6, keyB), 0u) << b.getLastError(message) << message;
    EXPECT_TRUE(logged("Valid reservation on the drive from another host. Going to pre-empt"));
    s = readState(lun);
    EXPECT_THAT(s.keys, ElementsAre("QX040506"));
    EXPECT_EQ(s.holder, "QX040506");
    EXPECT_GT(s.generation, taken);

    // A's next command learns of the pre-emption (6/2A/03), the one after meets B's
    // reservation.
    {
        QXNTSpti spti(0, tgt::path(lun, "host-a"));
        ASSERT_TRUE(spti.isOK()) << spti.m_strErrorMsg;
        unsigned char read10[10] = {0x28, 0, 0, 0, 0, 0, 0, 0, 1, 0};
        unsigned char block[512] = {};
        unsigned char key = 0, asc = 0, ascq = 0;
        EXPECT_TRUE(spti.SendSCSICmd(read10, 10, block, 512, &key, &asc, &ascq, 30, 0))
            << spti.m_strErrorMsg;
        EXPECT_EQ(spti.m_nScsiStatus, 0x02);
        EXPECT_EQ(key, 0x06);
        EXPECT_EQ(asc, 0x2A);
        EXPECT_EQ(ascq, 0x03);
        EXPECT_TRUE(spti.SendSCSICmd(read10, 10, block, 512, &key, &asc, &ascq, 30, 0))
            << spti.m_strErrorMsg;
        EXPECT_EQ(spti.m_nScsiStatus, 0x18);
    }
    // A is no registrant any more: its release is a conflict and changes nothing.
    EXPECT_EQ(a.doPR_Release(keyA), kConflict);
    EXPECT_EQ(a.getLastError(message), kConflict);
    EXPECT_EQ(readState(lun).holder, "QX040506");

    // Host C clears the disk of every registration and the reservation.
    ASSERT_EQ(c.doForcePR_Clear(7, 8, 9), 0u) << c.getLastError(message) << message;
    s = readState(lun);
    EXPECT_THAT(s.keys, IsEmpty());
    EXPECT_EQ(s.holder, "");

    // C reserves and releases: its registration stays, the reservation goes.
    std::string keyC;
    ASSERT_EQ(c.doForcePR_Reserve(7, 8, 9, keyC), 0u) << c.getLastError(message) << message;
    EXPECT_EQ(readState(lun).holder, "QX070809");
    ASSERT_EQ(c.doPR_Release(keyC), 0u) << c.getLastError(message) << message;
    s = readState(lun);
    EXPECT_THAT(s.keys, ElementsAre("QX070809"));
    EXPECT_EQ(s.holder, "");
}

}  // namespace
