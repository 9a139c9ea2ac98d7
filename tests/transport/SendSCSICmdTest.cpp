// The command path: what reaches the platform, and how each outcome is reported.
#include <cerrno>
#include <cstring>
#include <string>

#include "platform/JWS2BaseError.h"
#include "qxscsi/QXNTSpti.h"
#include "tests/double/FakePlatform.h"

namespace {

using fake::bytes;
using fake::Reply;

class SendSCSICmdTest : public fake::Test {
  protected:
    void SetUp() override {
        fake::Test::SetUp();
        spti = new QXNTSpti(0, "/dev/sg3");
    }
    void TearDown() override {
        delete spti;
        fake::Test::TearDown();
    }
    // Sends a 6-byte TEST UNIT READY with the three sense outputs.
    bool send() { return spti->SendSCSICmd(cdb, 6, nullptr, 0, &key, &asc, &ascq, 1800, 0); }

    QXNTSpti* spti = nullptr;
    unsigned char cdb[6] = {0x00, 0, 0, 0, 0, 0};
    unsigned char key = 0xEE, asc = 0xEE, ascq = 0xEE;
};

TEST_F(SendSCSICmdTest, HandsTheCommandToThePlatformAsGiven) {
    unsigned char cmd[10] = {0x5F, 0x06, 0x03, 0, 0, 0, 0, 0, 0x18, 0};
    unsigned char list[24] = {};
    std::memcpy(list + 8, "QX010203", 8);
    ASSERT_TRUE(spti->SendSCSICmd(cmd, 10, list, 24, nullptr, nullptr, nullptr, 7200, 1));

    const fake::Command& c = fake::platform().sent(0);
    EXPECT_EQ(c.path, "/dev/sg3");
    EXPECT_EQ(c.cdb, bytes({0x5F, 0x06, 0x03, 0, 0, 0, 0, 0, 0x18, 0}));
    EXPECT_TRUE(c.toDevice);
    EXPECT_EQ(c.dataLength, 24);
    EXPECT_EQ(c.dataOut, fake::Bytes(list, list + 24));
    EXPECT_FALSE(c.headOfQueue);
    EXPECT_EQ(c.senseLength, 256);
    EXPECT_EQ(c.timeout, -1) << "the caller's time limit is not passed on";
}

TEST_F(SendSCSICmdTest, AnyNonZeroDirectionSendsDataToTheDevice) {
    unsigned char buf[4] = {};
    for (int direction : {0, 1, 2, -1}) {
        spti->SendSCSICmd(cdb, 6, buf, 4, nullptr, nullptr, nullptr, 1800, direction);
    }
    EXPECT_FALSE(fake::platform().sent(0).toDevice);
    EXPECT_TRUE(fake::platform().sent(1).toDevice);
    EXPECT_TRUE(fake::platform().sent(2).toDevice);
    EXPECT_TRUE(fake::platform().sent(3).toDevice);
}

// One row per outcome of a command.
struct Outcome {
    const char* name;
    Reply reply;
    bool result;
    int status;  // m_nScsiStatus afterwards; the previous command left 7
    unsigned long code;
    const char* message;  // nullptr: unchanged
    int key, asc, ascq;   // outputs; -1: untouched
};

TEST_F(SendSCSICmdTest, FailureTable) {
    const unsigned long sense0B4700 = JWS2BaseError::ConvertSCSIErrorToJWError(0x0B, 0x47, 0x00);
    const Outcome rows[] = {
        {"good", Reply::good(), true, 0, 0, nullptr, 0, 0, 0},
        {"unit attention", Reply::check(0x06, 0x28, 0x00), true, 2, 0, nullptr, 0x06, 0x28, 0},
        {"filemark bit kept", Reply::check(0x86, 0x00, 0x01), true, 2, 0, nullptr, 0x86, 0, 1},
        {"conflict without sense", Reply::conflict(), true, 24, 0, nullptr, 0, 0, 0},
        {"scsi exception", Reply::throwScsi(2, fake::fixedSense(0x0B, 0x47, 0x00)), false, 7,
         sense0B4700,
         "SCSI Command failed with Sense Key[0x0b], ASC[0x47], ASCQ[0x00]. JWError = 8590673664",
         -1, -1, -1},
        {"scsi exception without sense", Reply::throwScsi(8), false, 7,
         JWS2BaseError::ConvertSCSIErrorToJWError(0, 255, 255),
         "SCSI Command failed with Sense Key[0x00], ASC[0xff], ASCQ[0xff]. JWError = 8590000127",
         -1, -1, -1},
        {"device failure", Reply::throwScsi(-1), false, 7,
         JWS2BaseError::ConvertSCSIStatusToJWError(-1),
         "SCSI Command failed with Scsi status [-1]. SCSI Device Failure.JWError = 17179869183", -1,
         -1, -1},
        {"os error", Reply::throwQx("ioctl failed", EIO), false, 7,
         JWS2BaseError::ConvertToJWError(EIO), "Failed to send SCSI command. OS Error code = 5", -1,
         -1, -1},
        {"platform failure, errno 0", Reply::throwQx(nullptr, 0), false, 7, 40043,
         "Failed to send SCSI command. Unknown Platform Failure.", -1, -1, -1},
        {"platform failure, negative errno", Reply::throwQx("x", -4), false, 7, 40043,
         "Failed to send SCSI command. Unknown Platform Failure.", -1, -1, -1},
    };
    for (const Outcome& row : rows) {
        SCOPED_TRACE(row.name);
        spti->m_nScsiStatus = 7;
        spti->m_nErrorCode = 99;
        spti->m_strErrorMsg = "earlier";
        key = asc = ascq = 0xEE;
        fake::platform().reply(row.reply);

        EXPECT_EQ(send(), row.result);
        EXPECT_EQ(spti->m_nScsiStatus, row.status);
        EXPECT_EQ(spti->m_nErrorCode, row.code);
        EXPECT_EQ(spti->m_strErrorMsg, row.message ? row.message : "earlier");
        EXPECT_EQ(key, row.key < 0 ? 0xEE : row.key);
        EXPECT_EQ(asc, row.asc < 0 ? 0xEE : row.asc);
        EXPECT_EQ(ascq, row.ascq < 0 ? 0xEE : row.ascq);
    }
}

TEST_F(SendSCSICmdTest, RejectedCallsSendNothing) {
    spti->m_nScsiStatus = 7;
    spti->m_nErrorCode = 99;
    EXPECT_FALSE(spti->SendSCSICmd(nullptr, 6, nullptr, 0, &key, &asc, &ascq, 1800, 0));
    EXPECT_EQ(spti->m_strErrorMsg,
              "The in parameter for SendSCSICmd has not been initialized properly.");
    EXPECT_EQ(spti->m_nErrorCode, 0u);
    EXPECT_EQ(spti->m_nScsiStatus, 7);
    EXPECT_EQ(key, 0xEE);
    EXPECT_EQ(fake::platform().sentCount(), 0u);
}

TEST_F(SendSCSICmdTest, NullOutputsAreNotWritten) {
    fake::platform().reply(Reply::check(0x02, 0x3A, 0x00));
    EXPECT_TRUE(spti->SendSCSICmd(cdb, 6, nullptr, 0, nullptr, &asc, nullptr, 1800, 0));
    EXPECT_EQ(asc, 0x3A);
}

TEST_F(SendSCSICmdTest, OtherExceptionsReachTheCaller) {
    fake::platform().reply(Reply::throwOther());
    EXPECT_THROW(send(), std::runtime_error);
}

TEST_F(SendSCSICmdTest, SuccessAfterFailureClearsTheCodeButKeepsTheMessage) {
    fake::platform().replies({Reply::throwQx("x", EBUSY), Reply::good()});
    EXPECT_FALSE(send());
    EXPECT_TRUE(send());
    EXPECT_EQ(spti->m_nErrorCode, 0u);
    EXPECT_EQ(spti->m_strErrorMsg, "Failed to send SCSI command. OS Error code = 16");
}

class ClosedTargetTest : public fake::Test {};

TEST_F(ClosedTargetTest, EveryCommandFailsWhenTheTargetIsNotOpen) {
    fake::platform().openSucceeds = false;
    QXNTSpti spti(0, "/dev/nonexistent");
    EXPECT_FALSE(spti.isOK());
    unsigned char cdb[6] = {};
    EXPECT_FALSE(spti.SendSCSICmd(cdb, 6, nullptr, 0, nullptr, nullptr, nullptr, 1800, 0));
    EXPECT_EQ(spti.m_strErrorMsg, "Target has not been opened.");
    EXPECT_EQ(fake::platform().sentCount(), 0u);
}

TEST(DecodeWord4, ReadsBigEndianSigned) {
    struct Row {
        unsigned char b[4];
        int value;
    } rows[] = {
        {{0x00, 0x00, 0x01, 0x00}, 256},        {{0xFF, 0xFF, 0xFF, 0xFE}, -2},
        {{0x7F, 0xFF, 0xFF, 0xFF}, 2147483647}, {{0x80, 0x00, 0x00, 0x00}, -2147483647 - 1},
        {{0x01, 0x02, 0x03, 0x04}, 0x01020304},
    };
    for (Row& r : rows) {
        EXPECT_EQ(decodeWord4(r.b), r.value);
    }
}

}  // namespace
