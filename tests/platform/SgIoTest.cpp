// The SG_IO request header and the reading of the reply, without a device.
#include <string>

#include "gtest/gtest.h"
#include "platform/CommandTimeouts.h"
#include "platform/sg/SgIo.h"

namespace {

using oz::Outcome;

TEST(SgIoHeader, CarriesTheCommandDataSenseAndTimeLimit) {
    unsigned char cdb[6] = {0x12, 0, 0, 0, 36, 0};
    unsigned char data[36] = {};
    unsigned char sense[256] = {};
    struct Case {
        const char* name;
        void* data;
        int dataLength;
        bool dataOut;
        int senseCapacity;
        int direction;
        unsigned int dxferLen;
        unsigned char mxSbLen;
    };
    const Case cases[] = {
        {"data in", data, 36, false, 255, SG_DXFER_FROM_DEV, 36, 255},
        {"data out", data, 12, true, 255, SG_DXFER_TO_DEV, 12, 255},
        {"null buffer", nullptr, 36, false, 255, SG_DXFER_NONE, 0, 255},
        {"length 0", data, 0, true, 255, SG_DXFER_NONE, 0, 255},
        {"sense room of 256 still fits one byte", nullptr, 0, false, 256, SG_DXFER_NONE, 0, 255},
        {"small sense room", nullptr, 0, false, 18, SG_DXFER_NONE, 0, 18},
    };
    for (const Case& c : cases) {
        oz::Command command;
        command.cdb = cdb;
        command.cdbLength = 6;
        command.data = c.data;
        command.dataLength = c.dataLength;
        command.dataOut = c.dataOut;
        command.sense = sense;
        command.senseCapacity = c.senseCapacity;
        command.timeoutSeconds = 1800;
        sg_io_hdr_t h;
        oz::sg::buildHeader(command, h);
        EXPECT_EQ(h.interface_id, 'S') << c.name;
        EXPECT_EQ(h.cmdp, cdb) << c.name;
        EXPECT_EQ(h.cmd_len, 6) << c.name;
        EXPECT_EQ(h.dxfer_direction, c.direction) << c.name;
        EXPECT_EQ(h.dxfer_len, c.dxferLen) << c.name;
        EXPECT_EQ(h.dxferp, c.direction == SG_DXFER_NONE ? nullptr : c.data) << c.name;
        EXPECT_EQ(h.mx_sb_len, c.mxSbLen) << c.name;
        EXPECT_EQ(h.sbp, sense) << c.name;
        EXPECT_EQ(h.timeout, 1800000u) << c.name;
        EXPECT_EQ(h.flags, 0u) << c.name;
    }
}

TEST(SgIoHeader, HeadOfQueueNoSenseAndTheLongestTimeLimit) {
    unsigned char cdb[6] = {0x00};
    oz::Command command;
    command.cdb = cdb;
    command.cdbLength = 6;
    command.headOfQueue = true;
    command.timeoutSeconds = 0xFFFFFFFFu;
    sg_io_hdr_t h;
    oz::sg::buildHeader(command, h);
    EXPECT_EQ(h.flags, oz::sg::kFlagQueueAtHead);
    EXPECT_EQ(h.sbp, nullptr);
    EXPECT_EQ(h.mx_sb_len, 0);
    // Clamped below the "no limit" value instead of wrapping around.
    EXPECT_EQ(h.timeout, oz::kMaxTimeoutSeconds * 1000u);
    EXPECT_LT(h.timeout, 0xFFFFFFFFu);
}

struct Reply {
    const char* name;
    int status;
    int host;
    int driver;
    int senseWritten;
    Outcome::Kind kind;
    int expectedStatus;
};

TEST(SgIoReply, TellsDeviceAnswersFromFailuresBelowTheScsiLayer) {
    const Reply replies[] = {
        {"good", 0, 0, 0, 0, Outcome::kCompleted, 0},
        {"check condition with sense", 2, 0, 0x08, 18, Outcome::kCompleted, 2},
        {"sense flag with suggestion bits", 2, 0, 0x28, 18, Outcome::kCompleted, 2},
        {"sense flag alone on good status", 0, 0, 0x08, 18, Outcome::kCompleted, 0},
        {"reservation conflict", 0x18, 0, 0, 0, Outcome::kCompleted, 0x18},
        {"conflict reported as nexus failure", 0x18, 0x11, 0, 0, Outcome::kCompleted, 0x18},
        {"nexus failure, status cleared", 0, 0x11, 0, 0, Outcome::kCompleted, 0x18},
        {"illegal request marked target failure", 2, 0x10, 0x08, 18, Outcome::kCompleted, 2},
        {"medium error marked by the mid-layer", 2, 0x13, 0x08, 18, Outcome::kCompleted, 2},
        {"target failure without a status", 0, 0x10, 0, 0, Outcome::kTransportFailure, -1},
        {"host time-out", 0, 0x03, 0, 0, Outcome::kTransportFailure, -1},
        {"driver time-out", 0, 0, 0x06, 0, Outcome::kTransportFailure, -1},
        {"aborted", 0, 0x05, 0, 0, Outcome::kTransportFailure, -1},
        {"no connection, with a stale status", 2, 0x01, 0x08, 18, Outcome::kTransportFailure, -1},
        {"driver error alongside sense", 2, 0, 0x0C, 18, Outcome::kTransportFailure, -1},
    };
    unsigned char sense[255] = {};
    for (const Reply& r : replies) {
        sg_io_hdr_t h = {};
        h.dxfer_direction = SG_DXFER_NONE;
        h.sbp = sense;
        h.mx_sb_len = 255;
        h.status = static_cast<unsigned char>(r.status);
        h.host_status = static_cast<unsigned short>(r.host);
        h.driver_status = static_cast<unsigned short>(r.driver);
        h.sb_len_wr = static_cast<unsigned char>(r.senseWritten);
        const Outcome o = oz::sg::readReply(h);
        EXPECT_EQ(o.kind, r.kind) << r.name;
        EXPECT_EQ(o.status, r.expectedStatus) << r.name;
        EXPECT_EQ(o.senseLength, r.senseWritten) << r.name;
        EXPECT_EQ(o.detail.empty(), r.kind == Outcome::kCompleted) << r.name;
    }
}

TEST(SgIoReply, FailureTextsNameTheCause) {
    sg_io_hdr_t h = {};
    h.host_status = 0x03;
    EXPECT_EQ(oz::sg::readReply(h).detail,
              "command timed out (host status 0x03, driver status 0x00)");
    h.host_status = 0;
    h.driver_status = 0x06;
    EXPECT_EQ(oz::sg::readReply(h).detail,
              "command timed out (host status 0x00, driver status 0x06)");
    h.driver_status = 0;
    h.host_status = 0x05;
    EXPECT_EQ(oz::sg::readReply(h).detail,
              "command aborted (host status 0x05, driver status 0x00)");
}

TEST(SgIoReply, LengthsStayWithinWhatWasHandedOver) {
    unsigned char sense[18] = {};
    unsigned char data[64] = {};
    struct Case {
        const char* name;
        int direction;
        unsigned int dxferLen;
        int resid;
        unsigned char mxSbLen;
        unsigned char sbLenWr;
        bool senseBuffer;
        int transferred;
        int senseLength;
    };
    const Case cases[] = {
        {"full transfer", SG_DXFER_FROM_DEV, 64, 0, 18, 0, true, 64, 0},
        {"short transfer", SG_DXFER_FROM_DEV, 64, 28, 18, 0, true, 36, 0},
        {"negative residual", SG_DXFER_FROM_DEV, 64, -5, 18, 0, true, 64, 0},
        {"residual above the length", SG_DXFER_TO_DEV, 64, 1000, 18, 0, true, 0, 0},
        {"no data phase", SG_DXFER_NONE, 64, 10, 18, 0, true, 0, 0},
        {"sense written above the room", SG_DXFER_NONE, 0, 0, 18, 200, true, 0, 18},
        {"sense length without a buffer", SG_DXFER_NONE, 0, 0, 0, 18, false, 0, 0},
    };
    for (const Case& c : cases) {
        sg_io_hdr_t h = {};
        h.dxfer_direction = c.direction;
        h.dxferp = data;
        h.dxfer_len = c.dxferLen;
        h.resid = c.resid;
        h.sbp = c.senseBuffer ? sense : nullptr;
        h.mx_sb_len = c.mxSbLen;
        h.sb_len_wr = c.sbLenWr;
        const Outcome o = oz::sg::readReply(h);
        EXPECT_EQ(o.transferred, c.transferred) << c.name;
        EXPECT_EQ(o.senseLength, c.senseLength) << c.name;
    }
}

}  // namespace
