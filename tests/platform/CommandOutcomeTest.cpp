// What the caller of OZScsi::send sees for each outcome: the status with fixed-format sense in
// its buffer, or the exception with the sense or the error number.
#include <cerrno>
#include <cstring>

#include "gtest/gtest.h"
#include "platform/CommandOutcome.h"
#include "platform/QxException.h"

namespace {

// UNIT ATTENTION, RESERVATIONS PREEMPTED (6/2A/03), in descriptor format.
const unsigned char kSense[] = {0x72, 0x06, 0x2A, 0x03, 0, 0, 0, 0};

int complete(oz::Outcome::Kind kind, int status, unsigned char* sense, int room, int err = 0) {
    oz::Outcome o;
    o.kind = kind;
    o.status = status;
    o.osErrno = err;
    o.detail = "cause";
    return oz::completeCommand("/dev/nst0", 0x19, o, kSense, sizeof kSense, sense, room);
}

TEST(CommandOutcome, AnswersReturnTheStatusWithFixedSenseFailuresThrow) {
    unsigned char sense[20] = {};
    EXPECT_EQ(complete(oz::Outcome::kCompleted, 2, sense, 14), 2);
    const unsigned char expected[20] = {0x70, 0, 6, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x2A, 0x03};
    EXPECT_EQ(0, std::memcmp(sense, expected, sizeof sense)) << "14 bytes of room, 14 written";
    EXPECT_EQ(complete(oz::Outcome::kCompleted, 0x18, nullptr, 256), 0x18);

    std::memset(sense, 0, sizeof sense);
    try {
        complete(oz::Outcome::kTransportFailure, -1, sense, 20);
        ADD_FAILURE() << "no exception";
    } catch (const QxScsiException& e) {
        EXPECT_EQ(e.getScsiStatus(), -1);
        EXPECT_EQ(e.key() * 0x10000 + e.asc() * 0x100 + e.ascq(), 0x62A03);
        EXPECT_STREQ(e.getMessage(),
                     "/dev/nst0: SCSI command 0x19 failed below the SCSI layer: cause");
    }
    EXPECT_EQ(sense[2], 0) << "the caller's buffer is for device answers";
    for (int err : {ENOMEM, 0}) {
        try {
            complete(oz::Outcome::kOsError, 0, sense, 20, err);
            ADD_FAILURE() << "no exception";
        } catch (const QxScsiException&) {
            ADD_FAILURE() << "an OS failure is no device failure";
        } catch (const QxException& e) {
            EXPECT_EQ(e.getErrno(), err > 0 ? err : EIO);
            EXPECT_STREQ(e.getMessage(), "/dev/nst0: SCSI command 0x19: cause");
        }
    }
}

}  // namespace
