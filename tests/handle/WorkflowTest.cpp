// Forced reserve, forced clear and release: the forced-reserve outcome table on scripted
// replies, then three hosts settling one device's reservation between them.
#include <string>
#include <vector>

#include "tests/handle/HandleFixture.h"
#include "tests/reservation/PrDeviceModel.h"

namespace {

using fake::Reply;
using handletest::outcomes;
using prmodel::keysData;
using prmodel::reservationData;

// The commands sent, as "I<service action>" for IN and "O<service action>" for OUT.
std::string commands() {
    std::string s;
    for (const fake::Command& c : fake::platform().sent()) {
        s += (s.empty() ? "" : " ") + std::string(c.cdb[0] == 0x5E ? "I" : "O") +
             std::to_string(c.cdb[1]);
    }
    return s;
}

class WorkflowTest : public handletest::Test {};

TEST_F(WorkflowTest, ForcedReserveOutcomes) {
    const std::string own = "QX010203", other = "QX010204";
    const std::string noRes = "No reservation on the drive. Going to reserve";
    const std::string reserved = "Reservation for key QX010203 succeeded.";
    const std::string preempt =
        "Valid reservation on the drive from another host. Going to pre-empt";
    const std::string preempted = "Clearing the reservation the key QX010203 succeeded.";
    const std::string mine = "Reservation on the drive already exists from this host";
    const std::string readFail = "Scsi pass-thru to Persistent registration key read failure.";
    const std::string conflict = "Reservation conflict occurred.";
    const struct {
        const char* name;
        std::vector<Reply> replies;  // in order; commands past them complete with GOOD
        std::string sent;
        std::vector<std::string> logged;
        unsigned long result;
    } rows[] = {
        {"registered, free", {Reply::good(keysData({own}))}, "I0 I1 O1", {noRes, reserved}, 0},
        {"unregistered, free",
         {Reply::good(keysData({other}))},
         "I0 O6 I1 O1",
         {noRes, reserved},
         0},
        {"registered, held by another",
         {Reply::good(keysData({other, own})), Reply::good(reservationData(other))},
         "I0 I1 O4",
         {preempt, preempted},
         0},
        {"unregistered, held by another",
         {Reply::good(keysData({"QX0102"})), Reply::good(), Reply::good(reservationData(other))},
         "I0 O6 I1 O4",
         {preempt, preempted},
         0},
        {"registered, held",
         {Reply::good(keysData({own})), Reply::good(reservationData(own))},
         "I0 I1",
         {mine},
         0},
        {"unregistered, held",
         {Reply::good(), Reply::good(), Reply::good(reservationData(own))},
         "I0 O6 I1",
         {mine},
         0},
        {"reservation unreadable",
         {Reply::good(keysData({own})), Reply::conflict()},
         "I0 I1 O1",
         {readFail,
          "Failed to query current reservation on the drive..Will try to reserve anyways..", noRes,
          reserved},
         0},
        {"keys unreadable",
         {Reply::conflict()},
         "I0",
         {readFail, "Failed to query current registrations on the drive"},
         45001},
        {"register refused",
         {Reply::good(), Reply::conflict()},
         "I0 O6",
         {conflict, "Could not register with the drive for reservation"},
         45002},
        {"reserve refused",
         {Reply::good(keysData({own})), Reply::good(), Reply::conflict()},
         "I0 I1 O1",
         {noRes, conflict, "Failed to do PR reserve on the drive."},
         45002},
        {"pre-empt refused",
         {Reply::good(keysData({own})), Reply::good(reservationData(other)), Reply::conflict()},
         "I0 I1 O4",
         {preempt, conflict, "Failed to do PR Prempt Reserve on the drive."},
         45002},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        fake::platform().reset();
        handletest::logged().clear();
        for (const Reply& r : row.replies) {
            fake::platform().reply(r);
        }
        QXScsiHardDisk disk("/dev/sdb", 9LL);
        disk.Open();
        std::string key;
        EXPECT_EQ(disk.doForcePR_Reserve(1, 2, 3, key), row.result);
        EXPECT_EQ(key, own);
        EXPECT_EQ(commands(), row.sent);
        EXPECT_EQ(outcomes(), row.logged);
        std::string message;
        EXPECT_EQ(disk.getLastError(message), row.result);
    }

    QXScsiHardDisk snap("/dev/sdb", 0LL);
    snap.Open();
    snap.m_bSnapReservationKey = true;
    std::string key;
    snap.doForcePR_Reserve(11, 22, 33, key);
    EXPECT_EQ(key, "SM011022");
}

class SharedDeviceTest : public handletest::Test {
  protected:
    void SetUp() override {
        handletest::Test::SetUp();
        device.attach();
        for (QXScsiHardDisk* h : {&a, &b, &c}) {
            h->Open();
        }
    }
    void expectDevice(const std::string& holder, const std::vector<std::string>& keys) {
        EXPECT_EQ(device.holderKey(), holder);
        if (!holder.empty()) {
            EXPECT_EQ(device.type, 3);
        }
        EXPECT_EQ(device.keys(), keys);
    }
    prmodel::Device device;
    QXScsiHardDisk a{"/dev/hostA/sdb", 1LL}, b{"/dev/hostB/sdb", 2LL}, c{"/dev/hostC/sdb", 3LL};
    const std::string keyA = "QX010101", keyB = "QX020202";
};

TEST_F(SharedDeviceTest, HostsTakeTheDeviceFromEachOther) {
    std::string key;
    ASSERT_EQ(a.doForcePR_Reserve(1, 1, 1, key), 0u);
    expectDevice(keyA, {keyA});
    ASSERT_EQ(a.doForcePR_Reserve(1, 1, 1, key), 0u);
    EXPECT_EQ(commands(), "I0 O6 I1 O1 I0 I1");
    expectDevice(keyA, {keyA});

    // Each pre-emption removes the loser's registration; the loser's next command meets the
    // unit attention, is sent again, and the loser takes the device back.
    for (int round = 0; round < 4; ++round) {
        const int n = round % 2 == 0 ? 2 : 1;
        const std::size_t before = fake::platform().sentCount();
        ASSERT_EQ((n == 2 ? b : a).doForcePR_Reserve(n, n, n, key), 0u);
        expectDevice(key, {key});
        EXPECT_EQ(key, n == 2 ? keyB : keyA);
        EXPECT_EQ(device.attention[n == 2 ? "/dev/hostA/sdb" : "/dev/hostB/sdb"].size(), 1u);
        EXPECT_EQ(fake::platform().sentCount() - before, round == 0 ? 4u : 5u);
    }
}

TEST_F(SharedDeviceTest, ClearAndRelease) {
    std::string key;
    ASSERT_EQ(a.doForcePR_Reserve(1, 1, 1, key), 0u);
    ASSERT_EQ(b.PR_register(keyB, true), 0u);
    expectDevice(keyA, {keyA, keyB});

    // Host C clears the reservation A holds, and every registration.
    ASSERT_EQ(c.doForcePR_Clear(3, 3, 3), 0u);
    EXPECT_EQ(outcomes().back(),
              "Successfully cleared reservation and registrations on the drive.");
    expectDevice("", {});

    // A, no longer registered, cannot release (after its unit attention).
    EXPECT_EQ(a.doPR_Release(keyA), 45002u);
    EXPECT_EQ(outcomes().back(),
              "Failed to release reservation and registrations for key QX010101  on the drive.");

    ASSERT_EQ(b.doForcePR_Reserve(2, 2, 2, key), 0u);
    expectDevice(keyB, {keyB});
    for (int i = 0; i < 2; ++i) {  // with, then without a reservation
        ASSERT_EQ(b.doPR_Release(keyB), 0u);
        EXPECT_EQ(outcomes().back(),
                  "Successfully released reservation for key QX020202 on the drive.");
        expectDevice("", {keyB});
    }
}

}  // namespace
