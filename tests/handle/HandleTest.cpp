// The reservation handle's contract: construction, error state, logging, the five reservation
// operations on every outcome, keys and volume mapping.
#include <climits>
#include <string>
#include <vector>

#include "platform/JWS2BaseError.h"
#include "qxscsi/QXNTSpti.h"
#include "tests/handle/HandleFixture.h"

namespace {

using fake::Reply;
using handletest::Log;
using Disk = QXScsiHardDisk;

class HandleTest : public handletest::Test {};

TEST_F(HandleTest, ConstructionErrorStateAndLogging) {
    const Disk keysOnly(7LL);
    EXPECT_EQ(scsi, nullptr);
    fake::platform().onRefresh = Reply::throwQx("no sysfs", 2);
    Disk disk("/dev/sdb", 42LL), second("/dev/sdc", 43LL);
    EXPECT_NE(scsi, nullptr);
    EXPECT_EQ(fake::platform().refreshCalls, (std::vector<std::pair<int, bool>>{{0, false}}));
    EXPECT_EQ(logged(), (Log{{1, 42, "Failed to initialize SCSI layer."}}));
    fake::platform().onRefresh = Reply();
    EXPECT_FALSE(disk.isValid());
    EXPECT_TRUE(disk.Open() && disk.isValid());
    EXPECT_EQ(disk.PR_reserve(std::string(300, 'K')), 0u);  // a key too long for the text is cut
    EXPECT_EQ(std::get<2>(logged().back()), "Reservation for key " + std::string(235, 'K'));
    // A callback that throws changes nothing; a success keeps the failure's message.
    Disk::m_gpLogMessageCallbackFunc = [](int, const long long&, const std::string&) { throw 1; };
    fake::platform().reply(Reply::conflict());
    EXPECT_EQ(disk.PR_reserve("QX010203"), 45002u);
    EXPECT_EQ(disk.PR_register("QX010203", true), 0u);
    std::string message;
    EXPECT_EQ(disk.getLastError(message), 0u);
    EXPECT_EQ(message, handletest::recorded(45002, "PR_reserve"));
    // Err_Handler records the converted code, keeps the message and returns its argument; Close
    // empties the message and keeps the code.
    disk.SetErrorCode(764, "m");
    EXPECT_EQ(disk.Err_Handler(13), 13u);
    EXPECT_EQ(disk.getLastError(message), JWS2BaseError::ConvertToJWError(13));
    EXPECT_EQ(message, "m");
    EXPECT_TRUE(disk.Close());
    EXPECT_EQ(disk.getLastError(message), JWS2BaseError::ConvertToJWError(13));
    EXPECT_EQ(message, "");
}

// Every operation on every outcome: result, recorded message, and every message logged.
TEST_F(HandleTest, OperationOutcomes) {
    // NotOk: the pass-through object's isOK() fails; CtorThrows: its constructor throws the reply.
    enum Fault { None, NotOpen, NotOk, CtorThrows };
    const struct {
        Fault fault;
        Reply reply;
        unsigned long read, change;  // the results of the reads and of the other operations
    } rows[] = {{NotOpen, {}, 994, 994},
                {None, {}, 0, 0},
                {NotOk, {}, 0, 0},
                {NotOk, Reply::conflict(), 45001, 45002},
                {None, Reply::conflict(), 45001, 45002},
                {None, Reply::throwScsi(-1), 45001, 764},
                {CtorThrows, Reply::throwOther(), 1100, 1100},
                {CtorThrows, Reply::throwQx(nullptr, 5), 1100, 1100}};
    const std::string notOk = "Scsi pass-thru instantiation failed";
    const char* ops[] = {"PR_queryRegKey", "PR_queryRsrv", "PR_register", "PR_reserve", "PR_clear"};
    const std::string success[] = {"", "", "", "Reservation for key QX010203 succeeded.",
                                   "Clearing the reservation the key QX010203 succeeded."};
    for (int op = 0; op < 5; ++op) {
        const std::string name = std::string("QXScsiHardDisk::") + ops[op];
        const auto text = [&](unsigned long code) { return handletest::recorded(code, ops[op]); };
        for (const auto& row : rows) {
            SCOPED_TRACE(name + ", row " + std::to_string(&row - rows));
            fake::platform().reset();
            fake::platform().reply(row.reply);
            fake::platform().onPopulate = row.fault == NotOk ? Reply::throwQx("", 5) : Reply();
            fake::platform().onTargetCreate = row.fault == CtorThrows ? row.reply : Reply();
            logged().clear();
            Disk disk("/dev/sdb", 5LL);
            if (row.fault != NotOpen) {
                disk.Open();
            }
            std::vector<std::string> keys;
            std::string holder, message;
            unsigned long type = 0, code = op < 2 ? row.read : row.change;
            EXPECT_EQ(op == 0   ? disk.PR_queryRegKey(keys)
                      : op == 1 ? disk.PR_queryRsrv(holder, type)
                      : op == 2 ? disk.PR_register("QX010203", true)
                      : op == 3 ? disk.PR_reserve("QX010203")
                                : disk.PR_clear("QX010203", "QX040506", Disk::PR_CLS_PREEMPT),
                      code);
            EXPECT_EQ(disk.getLastError(message), code);
            EXPECT_EQ(message, code == 0 && row.fault == NotOk ? notOk : text(code));
            // The entry trace, then the isOK() failure and the outcome where they are logged.
            Log expected{{3, 5, "call " + name + "()."},
                         {1, 5, notOk},
                         {1, 5, code ? text(code) : success[op]}};
            if (code == 1100 || std::get<2>(expected[2]).empty()) {
                expected.pop_back();
            }
            if (row.fault != NotOk) {
                expected.erase(expected.begin() + 1);
            }
            EXPECT_EQ(logged(), expected);
            EXPECT_EQ(fake::platform().sentCount(),
                      row.fault == NotOpen || row.fault == CtorThrows ? 0u : 1u);
        }
    }
}

TEST_F(HandleTest, KeysAndVolumes) {
    const struct {
        bool snap;
        int a, b, c;
        const char* key;
    } rows[] = {{false, 1, 2, 3, "QX010203"},       {false, 123, 4567, 89, "QX236789"},
                {false, -5, 0, 0, "QX-050000"},     {false, INT_MAX, INT_MIN, 0, "QX47-4800"},
                {true, 1234, 56789, 0, "SM234789"}, {true, -1, 5, 0, "SM-001005"},
                {true, -1000, 7, 0, "SM000007"},    {true, INT_MIN, INT_MAX, 0, "SM-648647"}};
    Disk disk("/dev/sdb", 0LL);
    for (const auto& row : rows) {
        std::string key = "previous text";
        EXPECT_EQ(row.snap ? disk.makeSnapReservationKey(row.a, row.b, key)
                           : disk.makeReservationKey(row.a, row.b, row.c, key),
                  0u);
        EXPECT_EQ(key, row.key);
    }
    std::string path = "old";
    EXPECT_EQ(disk.getDiskNumberForVolume('C'), -1);
    EXPECT_FALSE(disk.getDiskPhysicalAccessPathForVolume('C', path) || !path.empty());
}

}  // namespace
