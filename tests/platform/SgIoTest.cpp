// Command time limits, the SG_IO request header and the reading of its reply, without a device.
#include <climits>
#include <tuple>

#include "gtest/gtest.h"
#include "platform/CommandTimeouts.h"
#include "platform/sg/SgIo.h"

namespace {

using oz::Outcome;

unsigned char cdb[6] = {0x12, 0, 0, 0, 36, 0}, data[36], sense[256];

sg_io_hdr_t header(void* buffer, int length, bool out, int room, bool head, unsigned seconds) {
    const oz::Command c{cdb, 6, buffer, length, out, head, sense, room, seconds};
    sg_io_hdr_t h;
    oz::sg::buildHeader(c, h);
    return h;
}

TEST(SgIo, TimeLimitsDefaultPerOperationCodeAndFitTheMillisecondField) {
    // ERASE 7200 s, every other command 1800 s; a positive request is honoured up to the cap.
    const std::tuple<unsigned char, int, unsigned> rows[] = {
        {0x19, -1, 7200},
        {0x19, 0, 7200},
        {0x12, INT_MIN, 1800},
        {0x19, 60, 60},
        {0x12, INT_MAX, oz::kMaxTimeoutSeconds}};
    for (const auto& r : rows) {
        EXPECT_EQ(oz::commandTimeoutSeconds(std::get<0>(r), std::get<1>(r)), std::get<2>(r));
    }
    EXPECT_EQ(header(data, 36, false, 255, false, 1800).timeout, 1800000u);
    EXPECT_EQ(header(data, 36, false, 255, false, UINT_MAX).timeout,
              oz::kMaxTimeoutSeconds * 1000u);  // clamped, not wrapped
}

TEST(SgIo, HeaderCarriesDirectionLengthsSenseRoomAndQueueing) {
    const auto fields = [](const sg_io_hdr_t& h) {
        return std::make_tuple(h.interface_id, h.cmdp, h.cmd_len, h.dxfer_direction, h.dxferp,
                               h.dxfer_len, h.sbp, h.mx_sb_len, h.flags);
    };
    void* const buffer = data;
    // 256 bytes of room would wrap mx_sb_len to 0, and no sense would come back.
    EXPECT_EQ(fields(header(data, 36, false, 256, false, 1)),
              std::make_tuple('S', cdb, 6, SG_DXFER_FROM_DEV, buffer, 36u, sense, 255, 0u));
    EXPECT_EQ(fields(header(data, 12, true, 18, true, 1)),
              std::make_tuple('S', cdb, 6, SG_DXFER_TO_DEV, buffer, 12u, sense, 18,
                              oz::sg::kFlagQueueAtHead));
    for (const sg_io_hdr_t& none :
         {header(nullptr, 36, false, 0, false, 1), header(data, 0, true, 0, false, 1)}) {
        EXPECT_EQ(fields(none),
                  std::make_tuple('S', cdb, 6, SG_DXFER_NONE, nullptr, 0u, nullptr, 0, 0u));
    }
}

TEST(SgIo, ReplyTellsDeviceAnswersFromFailuresAndBoundsItsLengths) {
    const Outcome::Kind ok = Outcome::kCompleted, failed = Outcome::kTransportFailure;
    // status, host, driver, resid, sb_len_wr -> kind, status, bytes moved, sense length
    const struct {
        int status, host, driver, resid, written;
        Outcome::Kind kind;
        int result, moved, senseLength;
    } cases[] = {
        {0, 0, 0, 0, 0, ok, 0, 36, 0},               // good
        {2, 0, 0x08, 16, 18, ok, 2, 20, 18},         // check condition, sense, short transfer
        {2, 0, 0x28, 0, 18, ok, 2, 36, 18},          // sense flag with suggestion bits
        {0x18, 0x11, 0, 0, 0, ok, 0x18, 36, 0},      // conflict with nexus failure
        {0, 0x11, 0, 0, 0, ok, 0x18, 36, 0},         // nexus failure, status cleared
        {2, 0x10, 0x08, 0, 18, ok, 2, 36, 18},       // mid-layer's verdict on an answer
        {0, 0x10, 0, 0, 0, failed, -1, 36, 0},       // the same without an answer
        {0, 0x03, 0, 0, 0, failed, -1, 36, 0},       // host time-out
        {2, 0x05, 0x08, 0, 18, failed, -1, 36, 18},  // aborted, sense kept
        {2, 0, 0x0C, 0, 18, failed, -1, 36, 18},     // driver error beside the sense flag
        {0, 0, 0, -5, 0, ok, 0, 36, 0},              // negative residual
        {0, 0, 0, 1000, 0, ok, 0, 0, 0},             // residual above the length
        {2, 0, 0x08, 0, 200, ok, 2, 36, 18},         // more sense than room
    };
    for (const auto& c : cases) {
        sg_io_hdr_t h = header(data, 36, false, 18, false, 1);
        h.status = static_cast<unsigned char>(c.status);
        h.host_status = static_cast<unsigned short>(c.host);
        h.driver_status = static_cast<unsigned short>(c.driver);
        h.resid = c.resid;
        h.sb_len_wr = static_cast<unsigned char>(c.written);
        const Outcome o = oz::sg::readReply(h);
        EXPECT_EQ(std::make_tuple(o.kind, o.status, o.transferred, o.senseLength),
                  std::make_tuple(c.kind, c.result, c.moved, c.senseLength))
            << "status " << c.status << " host " << c.host << " driver " << c.driver;
    }
    sg_io_hdr_t h = header(nullptr, 0, false, 18, false, 1);
    h.host_status = 0x03;
    EXPECT_EQ(oz::sg::readReply(h).detail,
              "command timed out (host status 0x03, driver status 0x00)");
}

}  // namespace
