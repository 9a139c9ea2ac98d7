// What the caller of OZScsi::send sees for each outcome of a command: the status with fixed
// sense in its buffer, or the exception with the sense and the error number.
#include <cerrno>
#include <cstring>
#include <string>

#include "gtest/gtest.h"
#include "platform/CommandOutcome.h"
#include "platform/QxException.h"

namespace {

// UNIT ATTENTION, RESERVATIONS PREEMPTED (6/2A/03), in descriptor format.
const unsigned char kDescriptorSense[] = {0x72, 0x06, 0x2A, 0x03, 0, 0, 0, 0};

oz::Outcome outcome(oz::Outcome::Kind kind, int status, int osErrno = 0) {
    oz::Outcome o;
    o.kind = kind;
    o.status = status;
    o.osErrno = osErrno;
    o.detail = "what went wrong";
    return o;
}

TEST(CommandOutcome, ADeviceAnswerReturnsItsStatusWithFixedSense) {
    unsigned char sense[256];
    std::memset(sense, 0, sizeof sense);
    EXPECT_EQ(oz::completeCommand("/dev/sg3", 0x00, outcome(oz::Outcome::kCompleted, 2),
                                  kDescriptorSense, sizeof kDescriptorSense, sense, 256),
              2);
    EXPECT_EQ(sense[0], 0x70);
    EXPECT_EQ(sense[2], 0x06);
    EXPECT_EQ(sense[7], 10);
    EXPECT_EQ(sense[12], 0x2A);
    EXPECT_EQ(sense[13], 0x03);
    EXPECT_EQ(sense[18], 0) << "nothing past the fixed record";

    // A smaller buffer gets what fits; none, or no sense, leaves the buffer alone.
    unsigned char small[4] = {0xEE, 0xEE, 0xEE, 0xEE};
    oz::completeCommand("/dev/sg3", 0x00, outcome(oz::Outcome::kCompleted, 2), kDescriptorSense,
                        sizeof kDescriptorSense, small, 3);
    EXPECT_EQ(small[2], 0x06);
    EXPECT_EQ(small[3], 0xEE);
    EXPECT_EQ(oz::completeCommand("/dev/sg3", 0x00, outcome(oz::Outcome::kCompleted, 0x18), nullptr,
                                  0, small, 4),
              0x18);
    EXPECT_EQ(small[3], 0xEE);
    EXPECT_EQ(oz::completeCommand("/dev/sg3", 0x00, outcome(oz::Outcome::kCompleted, 2),
                                  kDescriptorSense, sizeof kDescriptorSense, nullptr, 256),
              2);
}

TEST(CommandOutcome, AFailureBelowTheScsiLayerThrowsStatusMinusOneWithTheSense) {
    unsigned char sense[256] = {};
    try {
        oz::completeCommand("/dev/nst0", 0x19, outcome(oz::Outcome::kTransportFailure, -1),
                            kDescriptorSense, sizeof kDescriptorSense, sense, 256);
        FAIL() << "no exception";
    } catch (const QxScsiException& e) {
        EXPECT_EQ(e.getScsiStatus(), -1);
        EXPECT_EQ(e.key(), 0x06);
        EXPECT_EQ(e.asc(), 0x2A);
        EXPECT_EQ(e.ascq(), 0x03);
        EXPECT_STREQ(e.getMessage(),
                     "/dev/nst0: SCSI command 0x19 failed below the SCSI layer: what went wrong");
    }
    EXPECT_EQ(sense[2], 0) << "the caller's buffer is for device answers";

    try {
        oz::completeCommand("/dev/nst0", 0x19, outcome(oz::Outcome::kTransportFailure, -1), nullptr,
                            0, sense, 256);
        FAIL() << "no exception";
    } catch (const QxScsiException& e) {
        EXPECT_EQ(e.sense().data(), nullptr);
        EXPECT_EQ(e.asc(), 255);
    }
}

TEST(CommandOutcome, ARefusedRequestThrowsTheOsError) {
    for (int osErrno : {ENOMEM, 0, -3}) {
        try {
            oz::completeCommand("/dev/sg3", 0x5F, outcome(oz::Outcome::kOsError, 0, osErrno),
                                nullptr, 0, nullptr, 0);
            FAIL() << "no exception";
        } catch (const QxScsiException&) {
            FAIL() << "an OS failure is no device failure";
        } catch (const QxException& e) {
            EXPECT_EQ(e.getErrno(), osErrno > 0 ? osErrno : EIO);
            EXPECT_STREQ(e.getMessage(), "/dev/sg3: SCSI command 0x5f: what went wrong");
        }
    }
}

}  // namespace
