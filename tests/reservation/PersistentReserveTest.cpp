// PERSISTENT RESERVE IN and OUT on the wire: CDBs, parameter lists, list lengths a device
// reports (honest or not) and the one resend after a unit attention.
#include <string>
#include <vector>

#include "qxscsi/QXNTSpti.h"
#include "qxscsi/QXScsiText.h"
#include "tests/reservation/PrDeviceModel.h"

namespace {

using fake::bytes;
using fake::Reply;
using prmodel::keysData;
using prmodel::reservationData;

// Keys as other initiators register them: 8-byte numbers, often with leading or inner zero bytes.
const std::string kNumeric("\0\0\0\0\x1A\x2B\0\x01", 8);  // 0x000000001A2B0001
const std::string kLowBytesZero("\x1A\x2B\0\x01", 4);     // 0x1A2B000100000000
const std::string kInnerZero("Q\0X1", 4);

std::vector<std::string> keys(int n) {
    std::vector<std::string> k;
    for (int i = 0; i < n; ++i) {
        k.push_back("K" + std::to_string(1000000 + i));
    }
    return k;
}

fake::Bytes inCdb(int action, int length) {
    return bytes({0x5E, action, 0, 0, 0, 0, 0, length >> 8, length & 0xFF, 0});
}

fake::Bytes outList(const std::string& key, const std::string& serviceKey) {
    const fake::Bytes d = keysData({key, serviceKey, ""});  // the 24 bytes after the header
    return fake::Bytes(d.begin() + 8, d.end());
}

class PersistentReserveTest : public fake::Test {
  protected:
    std::vector<std::string> found{"kept"};
    std::vector<QXScsiTapeDrive::reserveDesc> unused;
    long generation = 99;
};

TEST_F(PersistentReserveTest, OutCommandsOnTheWire) {
    QXNTSpti spti(0, "/dev/sdb");
    spti.RegisterPR("QX010203", true);
    spti.RegisterPR("QX010203", false);
    spti.ReservePR("QX010203");
    spti.ClearPR("QX01", "", 2);
    spti.ClearPR("QX010203456789", "", 3);
    spti.ClearPR("QX010203", "QX040506", 4);
    const struct {
        int action;
        const char *key, *serviceKey;
    } sent[] = {{6, "", "QX010203"}, {0, "", "QX010203"}, {1, "QX010203", ""},
                {2, "QX01", ""},     {3, "QX010203", ""}, {4, "QX010203", "QX040506"}};
    ASSERT_EQ(fake::platform().sentCount(), 6u);
    for (std::size_t i = 0; i < 6; ++i) {
        const fake::Command& c = fake::platform().sent(i);
        EXPECT_EQ(c.cdb, bytes({0x5F, sent[i].action, 3, 0, 0, 0, 0, 0, 24, 0}));
        EXPECT_EQ(c.dataOut, outList(sent[i].key, sent[i].serviceKey)) << i;
    }
}

TEST_F(PersistentReserveTest, ReadKeysTakesWhatTheDeviceSentWithinBounds) {
    // The device answers every READ KEYS with these bytes, cut to the allocation length.
    const struct {
        const char* name;
        fake::Bytes data;
        std::vector<std::string> keys;
        int reread;  // the second command's allocation length; 0: none
    } rows[] = {
        {"two keys", keysData(keys(2)), keys(2), 0},
        {"31 keys, one read", keysData(keys(31)), keys(31), 0},
        {"40 keys, read again", keysData(keys(40)), keys(40), 0x148},
        {"numeric keys keep their zero bytes but the last",
         keysData({kNumeric, kLowBytesZero, kInnerZero, "QX010203"}),
         {kNumeric, kLowBytesZero, kInnerZero, "QX010203"},
         0},
        {"cut last key", keysData({"QX010203", "QX040506"}, 12), {"QX010203", "QX04"}, 0},
        {"fewer bytes than announced", keysData(keys(33), 320), keys(33), 0x148},
        {"negative length", keysData(keys(3), 0xFFFFFFF8), {}, 0},
        {"huge length", keysData(keys(8200), 0x7FFFFFFF), keys(8190), 0xFFFF},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        fake::platform().reset();
        fake::platform().setResponder([&](const fake::Command&) { return Reply::good(row.data); });
        found = {"kept"};
        EXPECT_EQ(QXNTSpti(0, "/dev/sdb").persistReserveIn(true, generation, found, unused), 0);
        EXPECT_EQ(found.front(), "kept");
        EXPECT_EQ(std::vector<std::string>(found.begin() + 1, found.end()), row.keys);
        EXPECT_EQ(generation, 0);
        const auto& sent = fake::platform().sent();
        EXPECT_EQ(sent.front().cdb, inCdb(0, 256));
        ASSERT_EQ(sent.size(), row.reread != 0 ? 2u : 1u);
        EXPECT_EQ(sent.back().cdb, inCdb(0, row.reread != 0 ? row.reread : 256));
        EXPECT_EQ(sent.back().dataLength, row.reread != 0 ? row.reread : 256);
    }
}

// A unit attention (whatever flag bits accompany the sense key) is answered by sending the same
// command once more, whose outcome counts.
TEST_F(PersistentReserveTest, UnitAttentionIsAnsweredWithOneResend) {
    // The first comes with data of its own, which the answer to the resend does not cover.
    const Reply stale = Reply::status(2, fake::fixedSense(0x86, 0x2A, 3), keysData(keys(2)));
    const Reply attention = Reply::check(0x86, 0x2A, 0x03), forty = Reply::good(keysData(keys(40)));
    fake::platform().replies({stale, Reply::good(keysData({"K"}, 16)), attention, Reply::good(),
                              attention, Reply::check(0x86, 0x29, 0), attention, Reply::conflict(),
                              Reply::check(0x05, 0x24, 0), Reply::check(0x05, 0x24, 0), attention,
                              forty, attention, forty, attention, Reply::throwQx("gone", 5)});
    QXNTSpti spti(0, "/dev/sdb");
    std::string results;
    for (int i = 0; i < 8; ++i) {  // READ KEYS and RESERVE in turn
        found.clear();
        const int r =
            i % 2 ? spti.ReservePR("QX01") : spti.persistReserveIn(true, generation, found, unused);
        results += " " + std::to_string(r) + "/" + std::to_string(found.size());
    }
    EXPECT_EQ(results, " 0/1 0/0 2/0 24/0 2/0 2/0 0/40 -1/0");
    std::string lengths;
    for (const fake::Command& c : fake::platform().sent()) {
        lengths += " " + std::to_string(c.dataLength);
        EXPECT_EQ(c.cdb,
                  c.toDevice ? bytes({0x5F, 1, 3, 0, 0, 0, 0, 0, 24, 0}) : inCdb(0, c.dataLength));
        EXPECT_EQ(c.dataOut, c.toDevice ? outList("QX01", "") : fake::Bytes());
    }
    EXPECT_EQ(lengths, " 256 256 24 24 256 256 24 24 256 24 256 256 328 328 24 24");
}

// The holder's key and scope-and-type byte, shown as a person reads it (printable text as it is,
// anything else as the field in hex); more than one descriptor or a failure changes nothing.
TEST_F(PersistentReserveTest, QueryReserve) {
    fake::platform().replies(
        {Reply::good(reservationData("QX040506")), Reply::good(reservationData("")),
         Reply::good(reservationData(std::string(8, '\0'))), Reply::good(reservationData(kNumeric)),
         Reply::good(reservationData(kInnerZero, 5)), Reply::good(reservationData("QX01\x7F")),
         Reply::good(keysData({"QX040506", "", "QX040506", ""})), Reply::conflict()});
    QXNTSpti spti(0, "/dev/sdb");
    std::string key, seen;
    unsigned long type = 7;
    for (int i = 0; i < 8; ++i) {
        const bool done = spti.QueryReserve(key, type);
        seen += (done ? " +" : " -") + displayReservationKey(key) + "/" + std::to_string(type);
        key = "old";
    }
    EXPECT_EQ(seen,
              " +QX040506/3 +/0 +/3 +0x000000001A2B0001/3 +0x5100583100000000/5 "
              "+0x515830317F000000/3 -old/3 -old/3");
    EXPECT_EQ(fake::platform().sent(0).cdb, inCdb(1, 256));
}

}  // namespace
