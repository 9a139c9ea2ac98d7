// PERSISTENT RESERVE IN and OUT on the wire: CDBs, parameter lists, list lengths a device
// reports (honest or not) and the one resend after a unit attention.
#include <cstdio>
#include <string>
#include <vector>

#include "qxscsi/QXNTSpti.h"
#include "tests/double/FakePlatform.h"
#include "tests/reservation/PrDeviceModel.h"
#include "transport/ScsiBytes.h"

namespace {

using fake::bytes;
using fake::Reply;
using prmodel::keysData;

std::vector<std::string> keys(int n) {
    std::vector<std::string> k(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        char key[16];
        std::snprintf(key, sizeof key, "QX%06d", i);
        k[static_cast<std::size_t>(i)] = key;
    }
    return k;
}

class PersistentReserveTest : public fake::Test {
  protected:
    void script(const std::vector<Reply>& replies) {
        fake::platform().reset();
        for (const Reply& r : replies) {
            fake::platform().reply(r);
        }
    }
};

TEST_F(PersistentReserveTest, OutCommandsOnTheWire) {
    QXNTSpti spti(0, "/dev/sdb");
    spti.RegisterPR("QX010203", true);
    spti.RegisterPR("QX010203", false);
    spti.ReservePR("QX010203");
    spti.ClearPR("QX010203", "QX040506", 4);
    spti.ClearPR("QX010203456789", "", 3);
    // Service action; reservation key and service action reservation key as sent.
    const struct {
        int action;
        const char *key, *serviceKey;
    } expected[] = {{6, "", "QX010203"},
                    {0, "", "QX010203"},
                    {1, "QX010203", ""},
                    {4, "QX010203", "QX040506"},
                    {3, "QX010203", ""}};
    ASSERT_EQ(fake::platform().sentCount(), 5u);
    for (std::size_t i = 0; i < 5; ++i) {
        const fake::Command& c = fake::platform().sent(i);
        EXPECT_EQ(c.cdb, bytes({0x5F, expected[i].action, 3, 0, 0, 0, 0, 0, 24, 0}));
        fake::Bytes list = keysData({expected[i].key, expected[i].serviceKey});
        list.erase(list.begin(), list.begin() + 8);
        list.resize(24, 0);
        EXPECT_EQ(c.dataOut, list) << i;
    }
}

TEST_F(PersistentReserveTest, ReadKeysTakesWhatTheDeviceSentWithinBounds) {
    const struct {
        const char* name;
        std::vector<Reply> replies;
        std::vector<std::string> keys;
        int rereadLength;  // 0: one command only
    } rows[] = {
        {"two keys",
         {Reply::good(keysData({"QX010203", "QX040506"}))},
         {"QX010203", "QX040506"},
         0},
        {"31 keys, one read", {Reply::good(keysData(keys(31)))}, keys(31), 0},
        {"40 keys, read again",
         {Reply::good(keysData(keys(40))), Reply::good(keysData(keys(40)))},
         keys(40),
         328},
        {"short key", {Reply::good(keysData({"AB"}))}, {"AB"}, 0},
        {"cut last key",
         {Reply::good(keysData({"QX010203", "QX040506"}, 12))},
         {"QX010203", "QX04"},
         0},
        {"fewer keys than announced",
         {Reply::good(keysData(keys(40))), Reply::good(keysData(keys(33), 320))},
         keys(33),
         328},
        {"negative length",
         {Reply::good(keysData(keys(2), 0xFFFFFFF8)), Reply::good(keysData(keys(3), 0xFFFFFFF8))},
         keys(3),
         0xFFFF},
        {"huge length",
         {Reply::good(keysData(keys(2), 0x7FFFFFFF)),
          Reply::good(keysData(keys(8200), 0x7FFFFFFF))},
         keys(8190),
         0xFFFF},
        {"failing status", {Reply::conflict()}, {}, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        script(row.replies);
        QXNTSpti spti(0, "/dev/sdb");
        std::vector<std::string> got{"kept"};
        long generation = 99;
        std::vector<QXScsiTapeDrive::reserveDesc> unused;
        spti.persistReserveIn(true, generation, got, unused);
        got.erase(got.begin());  // appended after what the vector held
        EXPECT_EQ(got, row.keys);
        EXPECT_EQ(generation, 0);
        EXPECT_EQ(fake::platform().sent(0).cdb, bytes({0x5E, 0, 0, 0, 0, 0, 0, 1, 0, 0}));
        ASSERT_EQ(fake::platform().sentCount(), row.rereadLength != 0 ? 2u : 1u);
        if (row.rereadLength != 0) {
            const fake::Command& again = fake::platform().sent(1);
            EXPECT_EQ(qx::getBe16(&again.cdb[7]), static_cast<unsigned>(row.rereadLength));
            EXPECT_EQ(again.dataLength, row.rereadLength);
        }
    }
}

TEST_F(PersistentReserveTest, UnitAttentionIsAnsweredWithOneResend) {
    const struct {
        const char* name;
        std::vector<Reply> replies;
        int result;
        std::size_t sent;
    } rows[] = {
        {"unit attention, then done", {Reply::check(0x06, 0x2A, 0x03), Reply::good()}, 0, 2},
        {"two in a row", {Reply::check(0x06, 0x29, 0), Reply::check(0x86, 0x2A, 0x05)}, 2, 2},
        {"other sense key", {Reply::check(0x05, 0x24, 0)}, 2, 1},
        {"conflict", {Reply::conflict()}, 24, 1},
        {"then platform failure", {Reply::check(0x06, 0x2A, 4), Reply::throwQx("gone", 5)}, -1, 2},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        for (bool in : {true, false}) {
            script(row.replies);
            QXNTSpti spti(0, "/dev/sdb");
            long generation = 0;
            std::vector<std::string> k;
            std::vector<QXScsiTapeDrive::reserveDesc> d;
            EXPECT_EQ(in ? spti.persistReserveIn(true, generation, k, d) : spti.ReservePR("QX01"),
                      row.result);
            ASSERT_EQ(fake::platform().sentCount(), row.sent);
            EXPECT_EQ(fake::platform().sent(row.sent - 1).cdb, fake::platform().sent(0).cdb);
            EXPECT_EQ(fake::platform().sent(row.sent - 1).dataOut,
                      fake::platform().sent(0).dataOut);
        }
    }
    // The longer second read counts on its own.
    script({Reply::check(0x06, 0x2A, 5), Reply::good(keysData(keys(40))),
            Reply::check(0x06, 0x2A, 3), Reply::good(keysData(keys(40)))});
    QXNTSpti spti(0, "/dev/sdb");
    std::vector<std::string> k;
    EXPECT_TRUE(spti.QueryReg(k));
    EXPECT_EQ(k, keys(40));
}

TEST_F(PersistentReserveTest, QueryReserve) {
    fake::Bytes two = prmodel::reservationData("QX040506");
    two.insert(two.end(), two.begin() + 8, two.end());
    two[7] = 32;
    const struct {
        const char* name;
        Reply reply;
        bool result;
        const char* key;
        unsigned long type;
    } rows[] = {
        {"none", Reply::good(prmodel::reservationData("")), true, "", 0},
        {"exclusive access", Reply::good(prmodel::reservationData("QX040506")), true, "QX040506",
         3},
        {"zero key field", Reply::good(prmodel::reservationData(std::string(8, '\0'))), true, "",
         3},
        {"two descriptors", Reply::good(two), false, "old", 7},
        {"conflict", Reply::conflict(), false, "old", 7},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        script({row.reply});
        QXNTSpti spti(0, "/dev/sdb");
        std::string key = "old";
        unsigned long type = 7;
        EXPECT_EQ(spti.QueryReserve(key, type), row.result);
        EXPECT_EQ(key, row.key);
        EXPECT_EQ(type, row.type);
        EXPECT_EQ(fake::platform().sent(0).cdb, bytes({0x5E, 1, 0, 0, 0, 0, 0, 1, 0, 0}));
    }
}

}  // namespace
