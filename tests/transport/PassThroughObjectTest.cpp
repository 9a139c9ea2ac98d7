// The pass-through object: its life (construction, the usability check and destruction), and the
// one command path every CDB takes (what reaches the platform, and how each outcome is reported).
// The fixture checks after every test that each target was released.
#include <cerrno>
#include <cstdint>
#include <stdexcept>
#include <tuple>

#include "platform/JWS2BaseError.h"
#include "platform/OZScsi.h"
#include "qxscsi/QXNTSpti.h"
#include "tests/double/FakePlatform.h"

namespace {

using fake::Reply;

class PassThroughObjectTest : public fake::Test {};

TEST_F(PassThroughObjectTest, ConstructionRefreshesEveryTimeAndIsOkPopulatesEveryTime) {
    fake::Platform& p = fake::platform();
    QXNTSpti a(42, "/dev/nst0");
    OZScsi* const first = scsi;
    QXNTSpti b(0, "/dev/sg2");
    EXPECT_NE(first, nullptr);
    EXPECT_EQ(scsi, first);
    EXPECT_EQ(std::make_tuple(a.m_nScsiStatus, a.m_nErrorCode, a.m_bOpened, a.m_strErrorMsg,
                              a.m_strVendorId, a.m_strProductId),
              std::make_tuple(0, 0ul, false, "", "", ""));
    EXPECT_EQ(p.targetsCreatedWith,
              (decltype(p.targetsCreatedWith){{"/dev/nst0", true}, {"/dev/sg2", true}}));
    EXPECT_EQ(p.refreshCalls, (decltype(p.refreshCalls){{1, false}, {1, false}}));
    EXPECT_EQ(p.openArgs, (std::vector<int>{120, 120}));
    EXPECT_EQ(p.populateCalls, 0);
    EXPECT_TRUE(a.isOK());
    EXPECT_TRUE(a.isOK());
    EXPECT_TRUE(a.m_bOpened);
    EXPECT_EQ(p.populateCalls, 2);
    scsi = nullptr;
    EXPECT_FALSE(b.isOK());
    scsi = first;
    EXPECT_EQ(p.populateCalls, 2);
}

TEST_F(PassThroughObjectTest, IsOkFailures) {
    const std::string prefix = "Failed to populate scsi targets: Exception Msg = ";
    const struct {
        const char* name;
        Reply populate;
        bool opens;
        std::string message;
    } rows[] = {
        {"message", Reply::throwQx("no SG_IO", ENOTTY), true, prefix + "no SG_IO"},
        {"null message", Reply::throwQx(nullptr, 0), true, prefix + "NULL"},
        {"device failure", Reply::throwScsi(-1, {}, "link down"), true, prefix + "link down"},
        {"target not open", Reply(), false, "kept"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        fake::platform().openSucceeds = row.opens;
        fake::platform().onPopulate = row.populate;
        QXNTSpti spti(0, "/dev/sg1");
        spti.m_strErrorMsg = "kept";
        spti.m_nErrorCode = 99;
        EXPECT_FALSE(spti.isOK());
        EXPECT_EQ(spti.m_strErrorMsg, row.message);
        EXPECT_EQ(spti.m_nErrorCode, 99u);
        EXPECT_FALSE(spti.m_bOpened);
    }
    fake::platform().onPopulate = Reply::throwOther();
    QXNTSpti spti(0, "/dev/sg1");
    EXPECT_THROW(spti.isOK(), std::runtime_error);
}

TEST_F(PassThroughObjectTest, ConstructionFailuresReachTheCreatorAndLeakNothing) {
    for (Reply fake::Platform::*call :
         {&fake::Platform::onTargetCreate, &fake::Platform::onRefresh, &fake::Platform::onOpen}) {
        fake::platform().*call = Reply::throwQx("boom", EACCES);
        try {
            QXNTSpti spti(0, "/dev/sg1");
            ADD_FAILURE() << "no exception";
        } catch (const QxException& e) {
            EXPECT_STREQ(e.getMessage(), "boom");
            EXPECT_EQ(e.getErrno(), EACCES);
        }
        EXPECT_EQ(fake::platform().targetsLive, 0);
        fake::platform().*call = Reply::throwOther();
        EXPECT_THROW(QXNTSpti(0, "/dev/sg1"), std::runtime_error);
        fake::platform().*call = Reply();
    }
}

class SendSCSICmdTest : public fake::Test {};

TEST_F(SendSCSICmdTest, HandsTheCommandToThePlatformAsGiven) {
    QXNTSpti spti(0, "/dev/sg3");
    unsigned char cdb[10] = {0x5F, 0x06, 0x03, 0, 0, 0, 0, 0, 0x18, 0}, list[24] = {1, 2, 3};
    for (int direction : {1, -1, 0}) {
        EXPECT_TRUE(
            spti.SendSCSICmd(cdb, 10, list, 24, nullptr, nullptr, nullptr, 7200, direction));
    }
    const fake::Command& c = fake::platform().sent(0);
    EXPECT_EQ(
        std::make_tuple(c.path, c.cdb, c.dataOut),
        std::make_tuple("/dev/sg3", fake::Bytes(cdb, cdb + 10), fake::Bytes(list, list + 24)));
    // The caller's time limit is not passed on; the sense buffer has 256 bytes.
    EXPECT_EQ(std::make_tuple(c.toDevice, c.dataLength, c.headOfQueue, c.senseLength, c.timeout),
              std::make_tuple(true, 24, false, 256, -1));
    EXPECT_TRUE(fake::platform().sent(1).toDevice);
    EXPECT_FALSE(fake::platform().sent(2).toDevice);

    unsigned char asc = 0;
    fake::platform().replies({Reply::check(0x02, 0x3A, 0x00), Reply::throwOther()});
    EXPECT_TRUE(spti.SendSCSICmd(cdb, 6, nullptr, 0, nullptr, &asc, nullptr, 1800, 0));
    EXPECT_EQ(asc, 0x3A);
    EXPECT_THROW(spti.SendSCSICmd(cdb, 6, nullptr, 0, nullptr, nullptr, nullptr, 1800, 0),
                 std::runtime_error);
}

// Before each call the previous command left status 7, code 99, "earlier" and outputs 0xEE.
TEST_F(SendSCSICmdTest, OutcomeTable) {
    enum Call { kSend, kNullCdb, kClosed };
    const struct {
        const char* name;
        Call call;
        Reply reply;
        bool result;
        int status;
        unsigned long code;
        const char* message;  // nullptr: unchanged
        int outputs;          // key << 16 | ASC << 8 | ASCQ; -1: untouched
    } rows[] = {
        {"null cdb", kNullCdb, Reply(), false, 7, 0,
         "The in parameter for SendSCSICmd has not been initialized properly.", -1},
        {"target not open", kClosed, Reply(), false, 7, 0, "Target has not been opened.", -1},
        {"good", kSend, Reply::good(), true, 0, 0, nullptr, 0},
        {"unit attention", kSend, Reply::check(0x06, 0x28, 0), true, 2, 0, nullptr, 0x062800},
        {"flag bits kept", kSend, Reply::check(0x86, 0, 1), true, 2, 0, nullptr, 0x860001},
        {"conflict without sense", kSend, Reply::conflict(), true, 24, 0, nullptr, 0},
        {"scsi exception", kSend, Reply::throwScsi(2, fake::fixedSense(0x0B, 0x47, 0)), false, 7,
         JWS2BaseError::ConvertSCSIErrorToJWError(0x0B, 0x47, 0),
         "SCSI Command failed with Sense Key[0x0b], ASC[0x47], ASCQ[0x00]. JWError = 8590673664",
         -1},
        {"scsi exception without sense", kSend, Reply::throwScsi(8), false, 7,
         JWS2BaseError::ConvertSCSIErrorToJWError(0, 255, 255),
         "SCSI Command failed with Sense Key[0x00], ASC[0xff], ASCQ[0xff]. JWError = 8590000127",
         -1},
        {"device failure", kSend, Reply::throwScsi(-1), false, 7,
         JWS2BaseError::ConvertSCSIStatusToJWError(-1),
         "SCSI Command failed with Scsi status [-1]. SCSI Device Failure.JWError = 17179869183",
         -1},
        {"os error", kSend, Reply::throwQx("ioctl", EIO), false, 7,
         JWS2BaseError::ConvertToJWError(EIO), "Failed to send SCSI command. OS Error code = 5",
         -1},
        {"errno 0", kSend, Reply::throwQx(nullptr, 0), false, 7, 40043,
         "Failed to send SCSI command. Unknown Platform Failure.", -1},
        {"negative errno", kSend, Reply::throwQx("x", -4), false, 7, 40043,
         "Failed to send SCSI command. Unknown Platform Failure.", -1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        fake::platform().reset();
        fake::platform().openSucceeds = row.call != kClosed;
        fake::platform().reply(row.reply);
        QXNTSpti spti(0, "/dev/sg3");
        spti.m_nScsiStatus = 7;
        spti.m_nErrorCode = 99;
        spti.m_strErrorMsg = "earlier";
        unsigned char cdb[6] = {}, key = 0xEE, asc = 0xEE, ascq = 0xEE;
        EXPECT_EQ(spti.SendSCSICmd(row.call == kNullCdb ? nullptr : cdb, 6, nullptr, 0, &key, &asc,
                                   &ascq, 1800, 0),
                  row.result);
        EXPECT_EQ(fake::platform().sentCount(), row.call == kSend ? 1u : 0u);
        EXPECT_EQ(spti.m_nScsiStatus, row.status);
        EXPECT_EQ(spti.m_nErrorCode, row.code);
        EXPECT_EQ(spti.m_strErrorMsg, row.message ? row.message : "earlier");
        EXPECT_EQ(key << 16 | asc << 8 | ascq, row.outputs < 0 ? 0xEEEEEE : row.outputs);
    }
}

TEST(DecodeWord4, ReadsBigEndianSigned) {
    unsigned char rows[][4] = {
        {0, 0, 1, 0}, {0xFF, 0xFF, 0xFF, 0xFE}, {0x7F, 0xFF, 0xFF, 0xFF}, {0x80, 0, 0, 0}};
    const int values[] = {256, -2, INT32_MAX, INT32_MIN};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(decodeWord4(rows[i]), values[i]);
    }
}

}  // namespace
