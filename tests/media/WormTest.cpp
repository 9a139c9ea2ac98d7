// Write-once cartridge tests of the five drive families, and marking a DLT cartridge write-once.
#include <functional>
#include <iterator>
#include <vector>

#include "tests/commands/DriveTest.h"

namespace {

using drivetest::withByte;
using fake::Bytes;
using fake::Reply;

// A drive's REQUEST SENSE reply: NO SENSE in fixed format and 14 vendor bytes after the 18
// standard ones; byte 24 carries the VolSafe bits 4 and 1.
const Bytes kRecordedSense = fake::bytes({
    0x70, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x18,  // response code, key 0, ADDITIONAL LENGTH 24
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // ASC and ASCQ at bytes 12 and 13
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // vendor bytes from byte 18
    0x12, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // byte 24: VolSafe cartridge
});
// A READ ATTRIBUTE reply cut at 10 bytes: AVAILABLE DATA 0x36, then attribute 0408h, READ ONLY,
// binary, length 1, value 80h (write-once medium).
const Bytes kRecordedAttribute = fake::bytes({0, 0, 0, 0x36, 0x04, 0x08, 0x80, 0, 1, 0x80});

class WormTest : public drivetest::DriveTest {};

Bytes page3592(int byte16, int byte17) {
    Bytes b = withByte(128, 16, byte16);
    b[17] = static_cast<unsigned char>(byte17);
    return b;
}

TEST_F(WormTest, EachFamilysBytes) {
    using Check = int (QXNTSpti::*)(int&);
    const Check ait = &QXNTSpti::isAITWormCartridge, lto = &QXNTSpti::isLTOWormCartridge,
                ibm = &QXNTSpti::is3592WormCartridge, stk = &QXNTSpti::isSTKVolSafeWormCartridge,
                dlt = &QXNTSpti::isDLTWormCartridge;
    const struct {
        Check check;
        const char* vendor;  // as INQUIRY left it
        Reply reply;
        int result, code;  // code -1: untouched
    } rows[] = {
        // clang-format off
        {ait, "", Reply::good(withByte(128, 16, 0x40)), 1, -1},
        {ait, "", Reply::good(withByte(128, 16, 0xC0)), 1, -1},
        {ait, "", Reply::good(withByte(128, 16, 0xBF)), 0, -1},
        {ait, "", Reply::check(2, 0x3A, 0), 0, -1},
        {ait, "", Reply::throwQx("gone", 5), 0, -1},
        {lto, "IBM", Reply::good(withByte(128, 1, 0x3C)), 1, -1},
        {lto, "IBM", Reply::good(withByte(128, 1, 0x39)), 0, -1},
        {lto, "ibm", Reply::good(withByte(128, 1, 0x04)), 1, -1},
        {lto, "IBMX", Reply::good(withByte(128, 1, 0x04)), 0, -1},
        {lto, "CERTANCE", Reply::good(withByte(128, 1, 0x80)), 1, -1},
        {lto, "CERTANCE", Reply::good(withByte(128, 1, 0x81)), 0, -1},
        {lto, "HP", Reply::good(withByte(128, 1, 0x01)), 1, -1},
        {ibm, "", Reply::good(page3592('A', 0x02)), 1, 104},
        {ibm, "", Reply::good(page3592('Q', 0x02)), 1, 106},
        {ibm, "", Reply::good(page3592(0x42, 0x02)), 0, -1},
        {ibm, "", Reply::good(page3592('A', 0x01)), 0, -1},
        {stk, "", Reply::good(kRecordedSense), 1, -1},
        {stk, "", Reply::good(withByte(255, 24, 0x10)), 0, -1},
        {stk, "", Reply::good(withByte(255, 24, 0x02)), 0, -1},
        {stk, "", Reply::good(fake::fixedSense(0, 0, 0)), 0, -1},
        {dlt, "", Reply::good(kRecordedAttribute), 1, -1},
        {dlt, "", Reply::good(withByte(10, 9, 0x00)), 0, -1},
        {dlt, "", Reply::good(withByte(10, 9, 0x01)), 0, -1},
        // clang-format on
    };
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(i);
        drive->m_strVendorId = rows[i].vendor;
        fake::platform().reply(rows[i].reply);
        int code = -1;
        EXPECT_EQ(std::invoke(rows[i].check, *drive, code), rows[i].result);
        EXPECT_EQ(code, rows[i].code);
    }
}

TEST_F(WormTest, LtoAsksForTheVendorOnlyWhenItIsUnknown) {
    int code = 0;
    fake::platform().replies({Reply::good(drivetest::inquiryData("IBM", "ULT3580-TD3")),
                              Reply::good(withByte(128, 1, 0x3C)), Reply::good(),
                              Reply::throwQx("gone", 5)});
    EXPECT_EQ(drive->isLTOWormCartridge(code), 1);
    EXPECT_EQ(drive->isLTOWormCartridge(code), 0) << "MODE SENSE only; no data reads as not WORM";
    drive->m_strVendorId.clear();
    EXPECT_EQ(drive->isLTOWormCartridge(code), 0) << "INQUIRY failed";
    EXPECT_EQ(sent(), 4u);
    EXPECT_EQ(fake::platform().sent(0).cdb[0], 0x12);
}

TEST_F(WormTest, ConvertToDltWorm) {
    const Reply rewritable = Reply::good(withByte(10, 9, 0x00)), accepted = Reply::good();
    const struct {
        std::vector<Reply> replies;
        int result;
    } rows[] = {
        {{Reply::good(kRecordedAttribute)}, 1},  // already write-once: nothing written
        {{rewritable, accepted, Reply::good(kRecordedAttribute)}, 1},
        {{rewritable, Reply::throwScsi(2, fake::fixedSense(5, 0x24, 0))}, 0},
        {{rewritable, accepted, rewritable}, 0},  // accepted, but it did not take
    };
    for (const auto& row : rows) {
        const std::size_t before = sent();
        for (const Reply& r : row.replies) {
            fake::platform().reply(r);
        }
        EXPECT_EQ(drive->convertToDLTWormCartridge(0), row.result);
        ASSERT_EQ(sent() - before, row.replies.size());
        if (row.replies.size() > 1) {
            EXPECT_EQ(fake::platform().sent(before + 1).dataOut,
                      fake::bytes({0, 0, 0, 6, 0x04, 0x08, 0x80, 0, 1, 0x80}));
        }
    }
}

}  // namespace
