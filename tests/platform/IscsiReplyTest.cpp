// The reading of an iSCSI command's reply: data bounded by the caller's buffer, sense never
// taken for data, and the library's failures told apart.
#include <cstring>
#include <string>
#include <tuple>

#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "platform/iscsi/IscsiReply.h"

namespace {

using oz::Outcome;
using oz::iscsi::readReply;
using ::testing::HasSubstr;

const unsigned char kLogSense[10] = {0x4D, 0, 0x6E, 0, 0, 0, 0, 0, 64, 0};

// A reply as the iSCSI library hands it over: status, data in (or sense, behind its two-byte
// length), for a command with these buffers; and what readReply makes of it.
struct Case {
    int status;
    const unsigned char* reply;
    std::size_t size;
    bool out;
    int dataLength, senseRoom;
    Outcome::Kind kind;
    int transferred, senseLength;
    const char* detail;
};

Case row(int status, const unsigned char* reply, std::size_t size, bool out, int dataLength,
         int senseRoom, Outcome::Kind kind, int transferred, int senseLength,
         const char* detail = "") {
    return {status,    reply, size,        out,         dataLength,
            senseRoom, kind,  transferred, senseLength, detail};
}

TEST(IscsiReply, DataBoundedByTheCallersLengthSenseNeverTakenForDataFailuresToldApart) {
    unsigned char data[40];
    for (int i = 0; i < 40; ++i) {
        data[i] = static_cast<unsigned char>(i + 1);
    }
    // ILLEGAL REQUEST, INVALID FIELD IN CDB, behind its two-byte length (big-endian), then
    // response data, which is no sense.
    const unsigned char sense[] = {0x00, 0x12, 0x70, 0, 0x05, 0, 0, 0, 0,    0x0A, 0,    0,
                                   0,    0,    0x24, 0, 0,    0, 0, 0, 0xEE, 0xEE, 0xEE, 0xEE};
    const Outcome::Kind ok = Outcome::kCompleted, failed = Outcome::kTransportFailure;
    const Case cases[] = {
        row(0, data, 4, false, 16, 32, ok, 4, 0),
        row(0, data, 16, false, 16, 32, ok, 16, 0),
        row(0, data, 40, false, 16, 32, ok, 16, 0),
        row(0, data, 40, false, 8, 32, ok, 8, 0),
        row(0, data, 0, false, 16, 32, ok, 0, 0),
        row(2, sense, sizeof sense, false, 16, 32, ok, 0, 18),
        row(2, sense, sizeof sense, false, 16, 8, ok, 0, 8),
        row(2, sense, 10, false, 16, 32, ok, 0, 8),
        row(2, sense, 1, false, 16, 32, ok, 0, 0),
        row(0x18, nullptr, 0, false, 16, 32, ok, 0, 0),
        row(0, nullptr, 0, true, 12, 32, ok, 12, 0),
        row(0x18, nullptr, 0, true, 12, 32, ok, 0, 0),
        // Commands without a SCSI status.
        row(oz::iscsi::kStatusTimeout, data, 4, false, 16, 32, failed, 0, 0,
            "no answer within 30 s (command timed out)"),
        row(oz::iscsi::kStatusCancelled, data, 4, false, 16, 32, failed, 0, 0,
            "the command was cancelled"),
        row(oz::iscsi::kStatusError, data, 4, false, 16, 32, failed, 0, 0,
            "iSCSI failure: socket error"),
        row(oz::iscsi::kStatusRedirect, data, 4, false, 16, 32, failed, 0, 0, "redirected"),
        row(-1, data, 4, false, 16, 32, failed, 0, 0, "iSCSI failure: socket error"),
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(&c - cases));
        unsigned char in[16] = {}, senseIn[32] = {};
        oz::Command command;
        command.cdb = kLogSense;
        command.cdbLength = 10;
        command.data = in;
        command.dataLength = c.dataLength;
        command.dataOut = c.out;
        command.sense = senseIn;
        command.senseCapacity = c.senseRoom;
        command.timeoutSeconds = 30;
        const Outcome o = readReply(command, c.status, c.reply, c.size, "socket error");
        EXPECT_EQ(std::make_tuple(o.kind, o.transferred, o.senseLength),
                  std::make_tuple(c.kind, c.transferred, c.senseLength));
        EXPECT_EQ(o.status, c.kind == ok ? c.status : o.status);
        EXPECT_THAT(o.detail, HasSubstr(c.detail));
        const std::size_t read = c.out ? 0 : static_cast<std::size_t>(c.transferred);
        EXPECT_EQ(std::memcmp(in, data, read), 0);
        EXPECT_EQ(std::memcmp(senseIn, sense + 2, static_cast<std::size_t>(c.senseLength)), 0);
        for (std::size_t i = read; i < sizeof in; ++i) {
            EXPECT_EQ(in[i], 0) << "byte " << i << " written beyond the data or as sense";
        }
    }
}

}  // namespace
