// Two hosts and an observer in one process, each an initiator name of its own (so a nexus of its
// own), fence each other on a disk of the fixture's target; and a host drives its tape drive.
// Every step is read back through the wire: keys, holders, generations and sense, with lengths
// and fields of several bytes that a byte-order fault would turn into other values.
#include <string>
#include <vector>

#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "tests/iscsi/Scsi.h"

namespace {

using ::testing::ElementsAre;

using Hosts = tgt::TgtTest;

std::string diskOf(const std::string& host) {
    return tgt::path(tgt::kFlatDisk, host);
}

// The disk starts and ends with no registration and no reservation, however the test ends: the
// other tests of the target read it unreserved.
class HostsOnDisk : public Hosts {
  protected:
    void SetUp() override {
        Hosts::SetUp();
        tgt::clearDisk(diskOf("hosts-cleaner"));
    }
    void TearDown() override { tgt::clearDisk(diskOf("hosts-cleaner")); }
};

// The status of a READ(10) of block 0 through the platform, and the sense bytes that came with it.
int readWithSense(const OZScsiTarget& target, std::vector<unsigned char>& sense) {
    const tgt::Cdb& cdb = tgt::kReadBlockZero;
    std::vector<unsigned char> block(512);
    sense.assign(32, 0);
    return OZScsi::send(target, cdb.data(), static_cast<int>(cdb.size()), block.data(),
                        static_cast<int>(block.size()), false, false, sense.data(), 32, 30);
}

long generationOf(QXNTSpti& observer) {
    long generation = -1;
    std::vector<std::string> keys;
    std::vector<QXScsiTapeDrive::reserveDesc> reservations;
    EXPECT_EQ(observer.persistReserveIn(true, generation, keys, reservations), 0)
        << observer.m_strErrorMsg;
    return generation;
}

TEST_F(HostsOnDisk, TwoHostsFenceEachOtherAndAnObserverReadsEveryStep) {
    QXScsiHardDisk a(diskOf("hosts-a"), 1);
    QXScsiHardDisk b(diskOf("hosts-b"), 2);
    QXNTSpti observer(0, diskOf("hosts-observer"));
    ASSERT_TRUE(a.Open() && b.Open() && observer.isOK()) << observer.m_strErrorMsg;
    const long before = generationOf(observer);
    std::string keyA;
    std::string keyB;
    QXScsiHardDisk::PR_FORCE_OUTCOME outcome = QXScsiHardDisk::PR_FORCE_NONE;

    ASSERT_EQ(a.doForcePR_Reserve(1, 2, 3, keyA, outcome), 0u);
    EXPECT_EQ(keyA, "QX010203");
    EXPECT_EQ(outcome, QXScsiHardDisk::PR_FORCE_RESERVED);
    tgt::DeviceState state = tgt::readState(diskOf("hosts-observer"));
    EXPECT_THAT(state.keys, ElementsAre("QX010203"));
    EXPECT_EQ(state.holder, "QX010203");
    EXPECT_EQ(state.type, tgt::kExclusiveAccess);
    EXPECT_EQ(generationOf(observer), before + 1) << "one registration since";

    // A's own objects share its nexus and read; B's are fenced.
    OZScsiTarget rawA(diskOf("hosts-a").c_str(), true);
    OZScsiTarget rawB(diskOf("hosts-b").c_str(), true);
    ASSERT_EQ(OZScsi::open(rawA, 10), 0);
    ASSERT_EQ(OZScsi::open(rawB, 10), 0);
    std::vector<unsigned char> sense;
    EXPECT_EQ(readWithSense(rawA, sense), tgt::kGood);
    EXPECT_EQ(readWithSense(rawB, sense), tgt::kReservationConflict);

    // B pre-empts A: A meets the pre-emption's unit attention (its sense carried in the iSCSI
    // reply), then the fence; its release is refused, since it is no longer registered.
    ASSERT_EQ(b.doForcePR_Reserve(4, 5, 6, keyB, outcome), 0u);
    EXPECT_EQ(outcome, QXScsiHardDisk::PR_FORCE_PREEMPTED);
    ASSERT_EQ(readWithSense(rawA, sense), 2);
    EXPECT_EQ(sense[0] & 0x7F, 0x70);
    EXPECT_THAT(std::vector<int>({sense[2] & 0x0F, sense[12], sense[13]}),
                ElementsAre(6, 0x2A, 0x03));
    EXPECT_EQ(readWithSense(rawA, sense), tgt::kReservationConflict);
    EXPECT_EQ(readWithSense(rawB, sense), tgt::kGood);
    EXPECT_EQ(a.doPR_Release(keyA), static_cast<unsigned long>(QXScsiHardDisk::PR_ERR_CONFLICT));
    state = tgt::readState(diskOf("hosts-observer"));
    EXPECT_THAT(state.keys, ElementsAre("QX040506"));
    EXPECT_EQ(state.holder, "QX040506");

    // A numeric key, as other initiators register them, keeps its zero bytes both ways and
    // pre-empts B back.
    const std::string numeric("\0\0\0\0\0\0\x12\x34", 8);
    EXPECT_EQ(a.PR_register(numeric, true), 0u);
    EXPECT_EQ(a.PR_clear(numeric, keyB, QXScsiHardDisk::PR_CLS_PREEMPT), 0u);
    state = tgt::readState(diskOf("hosts-observer"));
    EXPECT_THAT(state.keys, ElementsAre(numeric));
    EXPECT_EQ(state.holder, numeric);
    EXPECT_EQ(readWithSense(rawA, sense), tgt::kGood);
}

TEST_F(Hosts, TheTapeDriveAnswersWhatTheTargetOffersAndRefusesTheRest) {
    QXNTSpti tape(0, tgt::path(tgt::kTape, "hosts-tape"));
    ASSERT_TRUE(tape.isOK()) << tape.m_strErrorMsg;
    ASSERT_TRUE(tape.Inquiry()) << tape.m_strErrorMsg;
    EXPECT_TRUE(tape.IsUnit("QXSCSI", "VIRTUAL-TAPE"));
    std::string serial;
    EXPECT_TRUE(tape.GetSerialNumber(serial));
    serial.erase(0, serial.find_first_not_of(' '));  // tgt pads it in front
    EXPECT_EQ(serial, "QXT0003");
    unsigned char key = 0xFF;
    unsigned char asc = 0xFF;
    unsigned char ascq = 0xFF;
    EXPECT_TRUE(tape.TestUnitReady(&key, &asc, &ascq));
    EXPECT_EQ(key | asc | ascq, 0);
    int position = -1;
    EXPECT_EQ(tape.readPosition(position), tgt::kGood);  // tgt reports no block position

    // The mode header with its one block descriptor.
    unsigned char mode[12] = {};
    ASSERT_TRUE(tape.doModeSense(mode, sizeof mode, 0));
    EXPECT_EQ(mode[0], 13);
    EXPECT_EQ(mode[3], 8);
    int mediaType = -1;
    EXPECT_TRUE(tape.getMediaType(mediaType));
    // tgt serves no log pages, so no TapeAlert, and persistent reservations are refused.
    EXPECT_FALSE(tape.TapeAlertSupported());
    std::vector<std::string> keys;
    EXPECT_FALSE(tape.QueryReg(keys));
}

}  // namespace
