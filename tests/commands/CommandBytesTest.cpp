// What each drive command puts on the wire (CDB, transfer length, direction), and what the
// operations do with the data around their command.
#include <functional>

#include "tests/commands/DriveTest.h"

namespace {

using fake::bytes;
using fake::Reply;

class CommandBytesTest : public drivetest::DriveTest {};

#define OP(...) [&](QXNTSpti& d, unsigned char* b) { (void)b, __VA_ARGS__; }

// A 16-byte attribute CDB: operation code, attribute identifier bytes 8-9, length low byte 13.
fake::Bytes cdb16(int op, int high, int low, int length) {
    fake::Bytes c(16, 0);
    c[0] = op, c[8] = high, c[9] = low, c[13] = length;
    return c;
}

TEST_F(CommandBytesTest, EveryCommand) {
    unsigned long first = 0, last = 0;
    int pos = 0, code = 0;
    std::string serial;
    std::vector<bool> flags(64);
    const fake::Bytes readPosition = bytes({0x34, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    const struct {
        std::function<void(QXNTSpti&, unsigned char*)> op;
        std::size_t index;  // which of the operation's commands
        fake::Bytes cdb;
        int dataLength;
        bool toDevice;
    } rows[] = {
        // clang-format off
        {OP(d.Inquiry()), 0, bytes({0x12, 0, 0, 0, 36, 0}), 36, false},
        {OP(d.GetSerialNumber(serial)), 0, bytes({0x12, 1, 0x80, 0, 0x80, 0}), 128, false},
        {OP(d.TestUnitReady(nullptr, nullptr, nullptr)), 0, bytes({0, 0, 0, 0, 0, 0}), 0, false},
        {OP(d.PreventAllow(2)), 0, bytes({0x1E, 0, 0, 0, 1, 0}), 0, false},
        {OP(d.PreventAllow(0)), 0, bytes({0x1E, 0, 0, 0, 0, 0}), 0, false},
        {OP(d.reserveUnit()), 0, bytes({0x16, 0, 0, 0, 0, 0}), 0, false},
        {OP(d.releaseUnit()), 0, bytes({0x17, 0, 0, 0, 0, 0}), 0, false},
        {OP(d.EraseTape(true)), 0, bytes({0x19, 1, 0, 0, 0, 0}), 0, false},
        {OP(d.EraseTape(false)), 0, bytes({0x19, 0, 0, 0, 0, 0}), 0, false},
        {OP(d.SetPositionEOD(first, last)), 0, bytes({0x11, 3, 0, 0, 0, 0}), 0, false},
        {OP(d.SetPositionEOD(first, last)), 1, readPosition, 32, false},
        {OP(d.readPosition(pos)), 0, readPosition, 128, false},
        {OP(d.doModeSense(b, 128, 0x31)), 0, bytes({0x1A, 0, 0x31, 0, 0x80, 0}), 128, false},
        {OP(d.doModeSense(b, 4, 0x71)), 0, bytes({0x1A, 0, 0x31, 0, 4, 0}), 4, false},
        {OP(d.doModeSense(b, 300, 0)), 0, bytes({0x1A, 0, 0, 0, 0x2C, 0}), 300, false},
        {OP(b[0] = 27, d.doModeSelect(b)), 0, bytes({0x15, 0x10, 0, 0, 28, 0}), 28, true},
        {OP(d.doRequestSense(b, 255)), 0, bytes({0x03, 0, 0, 0, 0xFF, 0}), 255, false},
        {OP(d.LogSense(0x2E, b, 64)), 0, bytes({0x4D, 0, 0x6E, 0, 0, 0, 0, 0, 0x40, 0}), 64, false},
        {OP(d.LogSense(0x2E, b, 512)), 0, bytes({0x4D, 0, 0x6E, 0, 0, 0, 0, 2, 0, 0}), 512, false},
        {OP(d.doReadAttribute(b, 10, 4, 8)), 0, cdb16(0x8C, 4, 8, 10), 10, false},
        {OP(d.doReadAttribute(b, 300, 0x104, 0x1FF)), 0, cdb16(0x8C, 4, 0xFF, 0x2C), 300, false},
        {OP(d.doWriteAttribute(b, 10)), 0, cdb16(0x8D, 0, 0, 10), 10, true},
        {OP(d.TapeAlertSupported()), 0, bytes({0x4D, 0, 0x40, 0, 0, 0, 0, 1, 0, 0}), 256, false},
        {OP(d.GetTapeAlertFlag(flags)), 0, bytes({0x4D, 0, 0x6E, 0, 0, 0, 0, 1, 0x60, 0}), 352,
         false},
        {OP(d.isAITWormCartridge(code)), 0, bytes({0x1A, 0, 0x31, 0, 0x80, 0}), 128, false},
        {OP(d.m_strVendorId = "HP", d.isLTOWormCartridge(code)), 0,
         bytes({0x1A, 0, 0, 0, 0x80, 0}), 128, false},
        {OP(d.is3592WormCartridge(code)), 0, bytes({0x1A, 0, 0x23, 0, 0x80, 0}), 128, false},
        {OP(d.isSTKVolSafeWormCartridge(code)), 0, bytes({0x03, 0, 0, 0, 0xFF, 0}), 255, false},
        {OP(d.isDLTWormCartridge(code)), 0, cdb16(0x8C, 4, 8, 10), 10, false},
        // clang-format on
    };
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(i);
        const std::size_t before = sent();
        unsigned char buffer[512] = {};
        rows[i].op(*drive, buffer);
        const fake::Command& c = fake::platform().sent(before + rows[i].index);
        EXPECT_EQ(c.cdb, rows[i].cdb);
        EXPECT_EQ(c.dataLength, rows[i].dataLength);
        EXPECT_EQ(c.toDevice, rows[i].toDevice);
    }
}

TEST_F(CommandBytesTest, ModeSelectPreparesTheHeaderInPlace) {
    // Length 11, medium type 0x38, write-protected, one block descriptor (reserved byte 0x5A).
    unsigned char list[12] = {11, 0x38, 0x90, 8, 0x44, 0, 0, 0, 0x5A};
    unsigned char shortList[12] = {3, 0, 0, 8, 0, 0, 0, 0, 0x5A};  // byte 8 lies beyond the list
    unsigned char noDescriptor[12] = {11, 0, 0, 0, 0, 0, 0, 0, 0x5A};
    unsigned char full[256] = {255, 0x38};
    EXPECT_TRUE(drive->doModeSelect(list) && drive->doModeSelect(shortList) &&
                drive->doModeSelect(noDescriptor));
    EXPECT_EQ(fake::platform().sent(0).dataOut, bytes({0, 0, 0x10, 8, 0x44, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(shortList[8] + noDescriptor[8], 2 * 0x5A);
    EXPECT_FALSE(drive->doModeSelect(full));
    EXPECT_EQ(sent(), 3u);
    EXPECT_EQ(drive->m_strErrorMsg, "The mode parameter list is too long for MODE SELECT(6).");
    EXPECT_EQ(full[1], 0x38) << "a refused list is left as it was";
}

TEST_F(CommandBytesTest, PositionsAndSense) {
    // READ POSITION data: first block 0x80000001 at bytes 4-7, last block 0x0102 at bytes 8-11.
    const fake::Bytes position = bytes({0x80, 0, 0, 0, 0x80, 0, 0, 1, 0, 0, 1, 2});
    unsigned long first = 5, last = 6;
    fake::platform().replies({Reply::good(), Reply::check(3, 0, 2), Reply::throwQx("gone", 5),
                              Reply::good(), Reply::good(position)});
    EXPECT_TRUE(drive->SetPositionEOD(first, last));
    EXPECT_EQ(first + last, 11ul) << "kept when READ POSITION did not end with GOOD";
    EXPECT_FALSE(drive->SetPositionEOD(first, last));
    EXPECT_EQ(sent(), 3u) << "no READ POSITION after a failed SPACE";
    EXPECT_TRUE(drive->SetPositionEOD(first, last));
    EXPECT_EQ(first, 0x80000001ul);
    EXPECT_EQ(last, 0x0102ul);

    int at = 9;
    unsigned char key = 0, asc = 0, ascq = 0;
    fake::platform().replies({Reply::good(bytes({0xB4, 0, 0, 0, 0, 0, 0x30, 0x39})),
                              Reply::throwQx("gone", 5), Reply::check(0x02, 0x3A, 0x00)});
    EXPECT_EQ(drive->readPosition(at), 0);
    EXPECT_EQ(at, 12345);
    EXPECT_EQ(drive->readPosition(at), -1);
    EXPECT_EQ(at, -1);
    EXPECT_TRUE(drive->TestUnitReady(&key, &asc, &ascq));
    EXPECT_EQ(drive->m_nScsiStatus << 24 | key << 16 | asc << 8 | ascq, 0x02023A00);
}

}  // namespace
