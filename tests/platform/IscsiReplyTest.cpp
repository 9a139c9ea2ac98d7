// The reading of an iSCSI command's reply: data bounded by the caller's buffer, sense never
// taken for data, and the library's failures told apart.
#include <cstring>
#include <string>

#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "platform/iscsi/IscsiReply.h"

namespace {

using oz::Outcome;
using oz::iscsi::readReply;
using ::testing::HasSubstr;

const unsigned char kLogSense[10] = {0x4D, 0, 0x6E, 0, 0, 0, 0, 0, 64, 0};

struct Buffers {
    unsigned char data[16] = {};
    unsigned char sense[32] = {};
    oz::Command command(bool out = false, int dataLength = 16, int senseRoom = 32) {
        oz::Command c;
        c.cdb = kLogSense;
        c.cdbLength = 10;
        c.data = data;
        c.dataLength = dataLength;
        c.dataOut = out;
        c.sense = sense;
        c.senseCapacity = senseRoom;
        c.timeoutSeconds = 30;
        return c;
    }
};

TEST(IscsiReply, DataInIsCopiedUpToTheCallersLength) {
    unsigned char reply[40];
    for (int i = 0; i < 40; ++i) {
        reply[i] = static_cast<unsigned char>(i + 1);
    }
    const struct {
        std::size_t size;
        int dataLength;
        int transferred;
    } cases[] = {{4, 16, 4}, {16, 16, 16}, {40, 16, 16}, {40, 8, 8}, {0, 16, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        Buffers b;
        const Outcome o = readReply(b.command(false, c.dataLength), 0, reply, c.size, "");
        EXPECT_EQ(o.kind, Outcome::kCompleted);
        EXPECT_EQ(o.status, 0);
        EXPECT_EQ(o.transferred, c.transferred);
        EXPECT_EQ(std::memcmp(b.data, reply, static_cast<std::size_t>(c.transferred)), 0);
        EXPECT_EQ(b.data[c.transferred < 16 ? c.transferred : 15],
                  c.transferred < 16 ? 0 : reply[15]);
        EXPECT_EQ(o.senseLength, 0);
    }
}

TEST(IscsiReply, CheckConditionCarriesSenseNeverData) {
    // ILLEGAL REQUEST, INVALID FIELD IN CDB, behind its two-byte length.
    const unsigned char reply[] = {0x00, 0x12, 0x70, 0, 0x05, 0, 0, 0, 0, 0x0A,
                                   0,    0,    0,    0, 0x24, 0, 0, 0, 0, 0};
    const struct {
        std::size_t size;
        int senseRoom;
        int senseLength;
    } cases[] = {{sizeof reply, 32, 18}, {sizeof reply, 8, 8}, {10, 32, 8}, {1, 32, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        Buffers b;
        const Outcome o = readReply(b.command(false, 16, c.senseRoom), 0x02, reply, c.size, "");
        EXPECT_EQ(o.kind, Outcome::kCompleted);
        EXPECT_EQ(o.status, 0x02);
        EXPECT_EQ(o.transferred, 0);
        EXPECT_EQ(o.senseLength, c.senseLength);
        EXPECT_EQ(std::memcmp(b.sense, reply + 2, static_cast<std::size_t>(c.senseLength)), 0);
        const unsigned char zeros[16] = {};
        EXPECT_EQ(std::memcmp(b.data, zeros, sizeof zeros), 0) << "sense written as data";
    }
}

TEST(IscsiReply, OtherStatusesAndDataOut) {
    Buffers b;
    Outcome o = readReply(b.command(), 0x18, nullptr, 0, "");
    EXPECT_EQ(o.kind, Outcome::kCompleted);
    EXPECT_EQ(o.status, 0x18);
    EXPECT_EQ(o.transferred, 0);
    o = readReply(b.command(true, 12), 0, nullptr, 0, "");
    EXPECT_EQ(o.transferred, 12);
    o = readReply(b.command(true, 12), 0x18, nullptr, 0, "");
    EXPECT_EQ(o.transferred, 0);
}

TEST(IscsiReply, CommandsWithoutAScsiStatusAreTransportFailures) {
    const struct {
        int status;
        const char* detail;
    } cases[] = {
        {oz::iscsi::kStatusTimeout, "no answer within 30 s (command timed out)"},
        {oz::iscsi::kStatusCancelled, "the command was cancelled"},
        {oz::iscsi::kStatusError, "iSCSI failure: socket error"},
        {oz::iscsi::kStatusRedirect, "redirected"},
        {-1, "iSCSI failure: socket error"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.status);
        Buffers b;
        const unsigned char reply[4] = {1, 2, 3, 4};
        const Outcome o = readReply(b.command(), c.status, reply, 4, "socket error");
        EXPECT_EQ(o.kind, Outcome::kTransportFailure);
        EXPECT_THAT(o.detail, HasSubstr(c.detail));
        EXPECT_EQ(o.transferred, 0);
        EXPECT_EQ(b.data[0], 0);
    }
}

}  // namespace
