// What each drive command puts on the wire: CDB, transfer length and direction.
#include <functional>

#include "tests/commands/DriveTest.h"

namespace {

using fake::bytes;
using fake::Reply;

class CommandBytesTest : public drivetest::DriveTest {};

struct Row {
    const char* name;
    std::function<void(QXNTSpti&, unsigned char*)> op;
    std::size_t index;  // which of the operation's commands
    fake::Bytes cdb;
    int dataLength;
    bool toDevice;
};

TEST_F(CommandBytesTest, EveryCommand) {
    unsigned long first = 0, last = 0;
    int pos = 0, code = 0;
    const Row rows[] = {
        {"inquiry", [](QXNTSpti& d, unsigned char*) { d.Inquiry(); }, 0,
         bytes({0x12, 0, 0, 0, 36, 0}), 36, false},
        {"serial", [](QXNTSpti& d, unsigned char*) { std::string s; d.GetSerialNumber(s); }, 0,
         bytes({0x12, 1, 0x80, 0, 0x80, 0}), 128, false},
        {"tur", [](QXNTSpti& d, unsigned char*) { d.TestUnitReady(nullptr, nullptr, nullptr); },
         0, bytes({0, 0, 0, 0, 0, 0}), 0, false},
        {"prevent 2", [](QXNTSpti& d, unsigned char*) { d.PreventAllow(2); }, 0,
         bytes({0x1E, 0, 0, 0, 1, 0}), 0, false},
        {"allow", [](QXNTSpti& d, unsigned char*) { d.PreventAllow(0); }, 0,
         bytes({0x1E, 0, 0, 0, 0, 0}), 0, false},
        {"reserve", [](QXNTSpti& d, unsigned char*) { d.reserveUnit(); }, 0,
         bytes({0x16, 0, 0, 0, 0, 0}), 0, false},
        {"release", [](QXNTSpti& d, unsigned char*) { d.releaseUnit(); }, 0,
         bytes({0x17, 0, 0, 0, 0, 0}), 0, false},
        {"long erase", [](QXNTSpti& d, unsigned char*) { d.EraseTape(true); }, 0,
         bytes({0x19, 1, 0, 0, 0, 0}), 0, false},
        {"short erase", [](QXNTSpti& d, unsigned char*) { d.EraseTape(false); }, 0,
         bytes({0x19, 0, 0, 0, 0, 0}), 0, false},
        {"space eod", [&](QXNTSpti& d, unsigned char*) { d.SetPositionEOD(first, last); }, 0,
         bytes({0x11, 3, 0, 0, 0, 0}), 0, false},
        {"eod position", [&](QXNTSpti& d, unsigned char*) { d.SetPositionEOD(first, last); }, 1,
         bytes({0x34, 0, 0, 0, 0, 0, 0, 0, 0, 0}), 32, false},
        {"position", [&](QXNTSpti& d, unsigned char*) { d.readPosition(pos); }, 0,
         bytes({0x34, 0, 0, 0, 0, 0, 0, 0, 0, 0}), 128, false},
        {"mode sense", [](QXNTSpti& d, unsigned char* b) { d.doModeSense(b, 128, 0x31); }, 0,
         bytes({0x1A, 0, 0x31, 0, 0x80, 0}), 128, false},
        {"page control masked", [](QXNTSpti& d, unsigned char* b) { d.doModeSense(b, 4, 0x71); },
         0, bytes({0x1A, 0, 0x31, 0, 4, 0}), 4, false},
        {"low byte only", [](QXNTSpti& d, unsigned char* b) { d.doModeSense(b, 300, 0); }, 0,
         bytes({0x1A, 0, 0, 0, 0x2C, 0}), 300, false},
        {"mode select", [](QXNTSpti& d, unsigned char* b) { b[0] = 27; d.doModeSelect(b); }, 0,
         bytes({0x15, 0x10, 0, 0, 28, 0}), 28, true},
        {"request sense", [](QXNTSpti& d, unsigned char* b) { d.doRequestSense(b, 255); }, 0,
         bytes({0x03, 0, 0, 0, 0xFF, 0}), 255, false},
        {"log sense", [](QXNTSpti& d, unsigned char* b) { d.LogSense(0x2E, b, 64); }, 0,
         bytes({0x4D, 0, 0x6E, 0, 0, 0, 0, 0, 0x40, 0}), 64, false},
        {"log sense 512", [](QXNTSpti& d, unsigned char* b) { d.LogSense(0x2E, b, 512); }, 0,
         bytes({0x4D, 0, 0x6E, 0, 0, 0, 0, 2, 0, 0}), 512, false},
        {"read attribute", [](QXNTSpti& d, unsigned char* b) { d.doReadAttribute(b, 10, 4, 8); },
         0, bytes({0x8C, 0, 0, 0, 0, 0, 0, 0, 4, 8, 0, 0, 0, 10, 0, 0}), 10, false},
        {"read attribute 300",
         [](QXNTSpti& d, unsigned char* b) { d.doReadAttribute(b, 300, 0x104, 0x1FF); }, 0,
         bytes({0x8C, 0, 0, 0, 0, 0, 0, 0, 4, 0xFF, 0, 0, 0, 0x2C, 0, 0}), 300, false},
        {"write attribute", [](QXNTSpti& d, unsigned char* b) { d.doWriteAttribute(b, 10); }, 0,
         bytes({0x8D, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 10, 0, 0}), 10, true},
        {"supported log pages", [](QXNTSpti& d, unsigned char*) { d.TapeAlertSupported(); }, 0,
         bytes({0x4D, 0, 0x40, 0, 0, 0, 0, 1, 0, 0}), 256, false},
        {"tapealert page",
         [](QXNTSpti& d, unsigned char*) { std::vector<bool> f(64); d.GetTapeAlertFlag(f); }, 0,
         bytes({0x4D, 0, 0x6E, 0, 0, 0, 0, 1, 0x60, 0}), 352, false},
        {"ait", [&](QXNTSpti& d, unsigned char*) { d.isAITWormCartridge(code); }, 0,
         bytes({0x1A, 0, 0x31, 0, 0x80, 0}), 128, false},
        {"lto", [&](QXNTSpti& d, unsigned char*) { d.m_strVendorId = "HP"; d.isLTOWormCartridge(code); },
         0, bytes({0x1A, 0, 0, 0, 0x80, 0}), 128, false},
        {"3592", [&](QXNTSpti& d, unsigned char*) { d.is3592WormCartridge(code); }, 0,
         bytes({0x1A, 0, 0x23, 0, 0x80, 0}), 128, false},
        {"volsafe", [&](QXNTSpti& d, unsigned char*) { d.isSTKVolSafeWormCartridge(code); }, 0,
         bytes({0x03, 0, 0, 0, 0xFF, 0}), 255, false},
        {"dlt", [&](QXNTSpti& d, unsigned char*) { d.isDLTWormCartridge(code); }, 0,
         bytes({0x8C, 0, 0, 0, 0, 0, 0, 0, 4, 8, 0, 0, 0, 10, 0, 0}), 10, false},
        {"media type", [&](QXNTSpti& d, unsigned char*) {
             d.m_strVendorId = "HP";
             d.m_strProductId = "SDLT600";
             d.getMediaType(code); },
         0, bytes({0x1A, 0, 0, 0, 0x80, 0}), 128, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::size_t before = fake::platform().sentCount();
        unsigned char buffer[512] = {};
        row.op(*drive, buffer);
        const fake::Command& c = fake::platform().sent(before + row.index);
        EXPECT_EQ(c.cdb, row.cdb);
        EXPECT_EQ(c.dataLength, row.dataLength);
        EXPECT_EQ(c.toDevice, row.toDevice);
    }
}

TEST_F(CommandBytesTest, ModeSelectPreparesTheHeaderInPlace) {
    // Header: length 11, medium type 0x38, write-protected, one block descriptor (reserved 0x5A).
    unsigned char list[12] = {11, 0x38, 0x90, 8, 0x44, 0, 0, 0, 0x5A, 0, 0, 0};
    ASSERT_TRUE(drive->doModeSelect(list));
    EXPECT_EQ(fake::platform().sent(0).dataOut, bytes({0, 0, 0x10, 8, 0x44, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(list[0] | list[1] | list[8], 0);

    unsigned char noDescriptor[12] = {11, 0, 0, 0, 0x10, 0x0A, 0, 0, 0x5A};
    drive->doModeSelect(noDescriptor);
    EXPECT_EQ(noDescriptor[8], 0x5A);
}

TEST_F(CommandBytesTest, ModeSelectRefusesAListMoreThan255BytesLong) {
    unsigned char list[256] = {255, 0x38, 0x80};
    drive->m_nErrorCode = 7;
    EXPECT_FALSE(drive->doModeSelect(list));
    EXPECT_EQ(fake::platform().sentCount(), 0u);
    EXPECT_EQ(drive->m_strErrorMsg, "The mode parameter list is too long for MODE SELECT(6).");
    EXPECT_EQ(drive->m_nErrorCode, 0u);
    EXPECT_EQ(list[1], 0x38) << "a refused list is left as it was";
}

TEST_F(CommandBytesTest, PositionAtEndOfData) {
    // READ POSITION data: first block 0x80000001 at bytes 4-7, last block 0x0102 at bytes 8-11.
    const fake::Bytes position = bytes({0x80, 0, 0, 0, 0x80, 0, 0, 1, 0, 0, 1, 2});
    unsigned long first = 5, last = 6;
    fake::platform().replies({Reply::good(), Reply::good(position)});
    EXPECT_TRUE(drive->SetPositionEOD(first, last));
    EXPECT_EQ(first, 0x80000001ul);
    EXPECT_EQ(last, 0x0102ul);

    first = 5, last = 6;
    fake::platform().replies(
        {Reply::good(), Reply::status(2, fake::fixedSense(3, 0, 2), position)});
    EXPECT_TRUE(drive->SetPositionEOD(first, last));
    EXPECT_EQ(first + last, 11ul) << "kept when READ POSITION did not complete with GOOD";

    fake::platform().reply(Reply::throwQx("gone", 5));
    EXPECT_FALSE(drive->SetPositionEOD(first, last));
    EXPECT_EQ(fake::platform().sentCount(), 5u) << "no READ POSITION after a failed SPACE";
}

TEST_F(CommandBytesTest, ReadPosition) {
    int position = 9;
    fake::platform().reply(Reply::good(bytes({0xB4, 0, 0, 0, 0, 0, 0x30, 0x39})));
    EXPECT_EQ(drive->readPosition(position), 0);
    EXPECT_EQ(position, 12345);
    fake::platform().reply(Reply::throwQx("gone", 5));
    EXPECT_EQ(drive->readPosition(position), -1);
    EXPECT_EQ(position, -1);
}

TEST_F(CommandBytesTest, TestUnitReadyReportsTheSense) {
    unsigned char key = 0, asc = 0, ascq = 0;
    fake::platform().reply(Reply::check(0x02, 0x3A, 0x00));
    EXPECT_TRUE(drive->TestUnitReady(&key, &asc, &ascq));
    EXPECT_EQ(drive->m_nScsiStatus, 2);
    EXPECT_EQ(key << 16 | asc << 8 | ascq, 0x023A00);
}

}  // namespace
