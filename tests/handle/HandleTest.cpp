// The reservation handle's contract: construction, error state, logging, the five reservation
// operations on every outcome, keys and volume mapping.
#include <climits>
#include <functional>
#include <string>
#include <vector>

#include "platform/JWS2BaseError.h"
#include "qxscsi/QXNTSpti.h"
#include "tests/handle/HandleFixture.h"

namespace {

using fake::Reply;
using handletest::Logged;
using handletest::logged;

class HandleTest : public handletest::Test {};

TEST_F(HandleTest, ConstructionCreatesThePlatformOnceAndSurvivesItsFailure) {
    const QXScsiHardDisk keysOnly(7LL);
    EXPECT_EQ(scsi, nullptr);
    EXPECT_TRUE(keysOnly.m_strDevicePath.empty());

    fake::platform().onRefresh = Reply::throwQx("no sysfs", 2);
    QXScsiHardDisk first("/dev/sdb", 42LL);
    EXPECT_NE(scsi, nullptr);
    EXPECT_EQ(fake::platform().refreshCalls, (std::vector<std::pair<int, bool>>{{0, false}}));
    EXPECT_EQ(logged(), (std::vector<Logged>{{1, 42, "Failed to initialize SCSI layer."}}));
    std::string message = "x";
    EXPECT_EQ(first.getLastError(message), 0u);
    EXPECT_EQ(message, "");

    QXScsiHardDisk second("/dev/sdc", 43LL);
    EXPECT_EQ(fake::platform().refreshCalls.size(), 1u);
    EXPECT_EQ(logged().size(), 1u);
    EXPECT_FALSE(second.isValid());
    EXPECT_TRUE(second.Open());
    EXPECT_TRUE(second.isValid());
}

// Every operation on every outcome: result, recorded message, and what the callback received.
TEST_F(HandleTest, OperationOutcomes) {
    std::vector<std::string> k;
    std::string holder;
    unsigned long type = 0;
    const struct {
        std::string name;
        std::function<unsigned long(QXScsiHardDisk&)> run;
        bool changes;         // PERSISTENT RESERVE OUT (45002 / 764) or a read (45001)
        const char* success;  // logged on success
    } ops[] = {
        {"PR_queryRegKey", [&](QXScsiHardDisk& d) { return d.PR_queryRegKey(k); }, false, nullptr},
        {"PR_queryRsrv", [&](QXScsiHardDisk& d) { return d.PR_queryRsrv(holder, type); }, false,
         nullptr},
        {"PR_register", [](QXScsiHardDisk& d) { return d.PR_register("QX010203", true); }, true,
         nullptr},
        {"PR_reserve", [](QXScsiHardDisk& d) { return d.PR_reserve("QX010203"); }, true,
         "Reservation for key QX010203 succeeded."},
        {"PR_clear",
         [](QXScsiHardDisk& d) {
             return d.PR_clear("QX010203", "QX040506", QXScsiHardDisk::PR_CLS_PREEMPT);
         },
         true, "Clearing the reservation the key QX010203 succeeded."},
    };
    const std::string inst = "Scsi pass-thru instantiation failed";
    const std::string read = "Scsi pass-thru to Persistent registration key read failure.";
    enum Setup { NotOpen, Good, NotOkGood, NotOkConflict, Conflict, Check, SendThrows, CtorThrows };
    for (const auto& op : ops) {
        const std::string fail = op.changes ? "Reservation conflict occurred." : read;
        const std::string other = op.changes ? "Scsi pass-thru to registering a key failed." : read;
        const unsigned long failCode = op.changes ? 45002 : 45001;
        const unsigned long otherCode = op.changes ? 764 : 45001;
        const std::string noAccess = "QXScsiHardDisk::" + op.name + "(): can't access the device.";
        struct {
            Setup setup;
            unsigned long code;
            std::string message;
            std::vector<std::string> outcomes;  // level 1, in order, before any success text
        } rows[] = {
            {NotOpen, 994, noAccess, {noAccess}},
            {Good, 0, "", {}},
            {NotOkGood, 0, inst, {inst}},
            {NotOkConflict, failCode, fail, {inst, fail}},
            {Conflict, failCode, fail, {fail}},
            {Check, otherCode, other, {other}},
            {SendThrows, otherCode, other, {other}},
            {CtorThrows, 1100, "QXScsiHardDisk::" + op.name + "() caught the exception.", {}},
        };
        for (auto& row : rows) {
            SCOPED_TRACE(op.name + " setup " + std::to_string(row.setup));
            fake::Platform& p = fake::platform();
            p.reset();
            logged().clear();
            if (row.setup == NotOkGood || row.setup == NotOkConflict) {
                p.onPopulate = Reply::throwQx("populate", 5);
            }
            if (row.setup == NotOkConflict || row.setup == Conflict) {
                p.reply(Reply::conflict());
            }
            if (row.setup == Check || row.setup == SendThrows) {
                p.reply(row.setup == Check ? Reply::check(0x04, 0x44, 0) : Reply::throwScsi(-1));
            }
            if (row.setup == CtorThrows) {
                p.onTargetCreate = Reply::throwOther();
            }
            if (row.code == 0 && op.success != nullptr) {
                row.outcomes.push_back(op.success);
            }

            QXScsiHardDisk disk("/dev/sdb", 5LL);
            if (row.setup != NotOpen) {
                disk.Open();
            }
            EXPECT_EQ(op.run(disk), row.code);
            std::string message;
            EXPECT_EQ(disk.getLastError(message), row.code);
            EXPECT_EQ(message, row.message);
            ASSERT_FALSE(logged().empty());
            EXPECT_EQ(logged()[0], (Logged{3, 5, "call QXScsiHardDisk::" + op.name + "()."}));
            EXPECT_EQ(handletest::outcomes(), row.outcomes);
            EXPECT_EQ(p.sentCount(), row.setup == NotOpen || row.setup == CtorThrows ? 0u : 1u);
            if (p.sentCount() == 1 && op.name == "PR_clear") {
                EXPECT_EQ(p.sent(0).cdb[1], 4);
            }
        }
    }
}

TEST_F(HandleTest, ErrorStateAndLoggingNeverFail) {
    QXScsiHardDisk disk("/dev/sdb", 1LL);
    disk.Open();
    // A callback that throws changes nothing.
    QXScsiHardDisk::m_gpLogMessageCallbackFunc = [](int, const long long&, const std::string&) {
        throw 1;
    };
    fake::platform().reply(Reply::conflict());
    EXPECT_EQ(disk.PR_reserve("QX010203"), 45002u);
    // A success keeps the message; Close empties it and keeps the code.
    EXPECT_EQ(disk.PR_register("QX010203", true), 0u);
    std::string message;
    EXPECT_EQ(disk.getLastError(message), 0u);
    EXPECT_EQ(message, "Reservation conflict occurred.");
    disk.SetErrorCode(764, "m");
    EXPECT_TRUE(disk.Close());
    EXPECT_EQ(disk.getLastError(message), 764u);
    EXPECT_EQ(message, "");
    // Err_Handler records the converted code and returns its argument.
    disk.SetErrorCode(1, "kept");
    EXPECT_EQ(disk.Err_Handler(13), 13u);
    EXPECT_EQ(disk.getLastError(message), JWS2BaseError::ConvertToJWError(13));
    EXPECT_EQ(message, "kept");
    // A key too long for the success message is cut, never overrun.
    QXScsiHardDisk::m_gpLogMessageCallbackFunc = &handletest::recordLog;
    EXPECT_EQ(disk.PR_reserve(std::string(300, 'K')), 0u);
    EXPECT_EQ(std::get<2>(logged().back()), "Reservation for key " + std::string(235, 'K'));
}

TEST_F(HandleTest, KeysAndVolumes) {
    const struct {
        bool snap;
        int a, b, c;
        const char* key;
    } rows[] = {
        {false, 1, 2, 3, "QX010203"},
        {false, 0, 0, 0, "QX000000"},
        {false, 123, 4567, 89, "QX236789"},
        {false, 99, 100, 101, "QX990001"},
        {false, -5, 0, 0, "QX-050000"},
        {false, -123, -1, -99, "QX-23-01-99"},
        {false, INT_MAX, INT_MIN, 0, "QX47-4800"},
        {true, 1, 2, 0, "SM001002"},
        {true, 1234, 56789, 0, "SM234789"},
        {true, -1, 5, 0, "SM-001005"},
        {true, -1000, 7, 0, "SM000007"},
        {true, INT_MIN, INT_MAX, 0, "SM-648647"},
    };
    QXScsiHardDisk disk("/dev/sdb", 0LL);
    for (const auto& row : rows) {
        std::string key = "previous text";
        EXPECT_EQ(row.snap ? disk.makeSnapReservationKey(row.a, row.b, key)
                           : disk.makeReservationKey(row.a, row.b, row.c, key),
                  0u);
        EXPECT_EQ(key, row.key);
    }
    std::string path = "old";
    EXPECT_EQ(disk.getDiskNumberForVolume('C'), -1);
    EXPECT_FALSE(disk.getDiskPhysicalAccessPathForVolume('C', path));
    EXPECT_EQ(path, "");
    EXPECT_EQ(disk.m_strDevicePath, "/dev/sdb");
}

}  // namespace
