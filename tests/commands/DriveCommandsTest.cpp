// The drive commands: what each puts on the wire, and what it makes of the data around it.
#include "tests/commands/DriveTest.h"

namespace drivetest {

using DriveCommandsTest = DriveTest;
using S = std::string;

TEST_F(DriveCommandsTest, EveryCommandsBytes) {
    // Checks the next command sent: CDB, transfer length, and data out only for MODE SELECT and
    // WRITE ATTRIBUTE.
    std::size_t k = 0;
    auto next = [&](const Bytes& cdb, int dataLength = 0) {
        const fake::Command& c = fake::platform().sent(k++);
        EXPECT_EQ(c.cdb, cdb);
        EXPECT_EQ(c.dataLength, dataLength) << "command " << k - 1;
        EXPECT_EQ(c.toDevice, cdb[0] == 0x15 || cdb[0] == 0x8D) << "command " << k - 1;
    };
    QXNTSpti& d = *drive;
    unsigned char b[512] = {27};  // MODE DATA LENGTH 27 for MODE SELECT
    unsigned long first, last;
    int code;
    S serial;
    std::vector<bool> flags(64);
    d.Inquiry(), next({0x12, 0, 0, 0, 36, 0}, 36);
    d.GetSerialNumber(serial), next({0x12, 1, 0x80, 0, 0x80, 0}, 128);
    d.TestUnitReady(nullptr, nullptr, nullptr), next({0, 0, 0, 0, 0, 0});
    d.PreventAllow(2), next({0x1E, 0, 0, 0, 1, 0});
    d.PreventAllow(0), next({0x1E, 0, 0, 0, 0, 0});
    d.reserveUnit(), next({0x16, 0, 0, 0, 0, 0});
    d.releaseUnit(), next({0x17, 0, 0, 0, 0, 0});
    d.EraseTape(true), next({0x19, 1, 0, 0, 0, 0});
    d.EraseTape(false), next({0x19, 0, 0, 0, 0, 0});
    d.SetPositionEOD(first, last), next({0x11, 3, 0, 0, 0, 0}),
        next({0x34, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 32);
    d.readPosition(code), next({0x34, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 128);
    // Lengths above 255 keep their low byte in one-byte fields; the page control bits are cleared.
    d.doModeSense(b, 300, 0x71), next({0x1A, 0, 0x31, 0, 0x2C, 0}, 300);
    d.doModeSelect(b), next({0x15, 0x10, 0, 0, 28, 0}, 28);
    d.doRequestSense(b, 300), next({0x03, 0, 0, 0, 0x2C, 0}, 300);
    d.LogSense(0x2E, b, 511), next({0x4D, 0, 0x6E, 0, 0, 0, 0, 1, 0xFF, 0}, 511);
    d.doReadAttribute(b, 300, 0x104, 0x1FF),
        next({0x8C, 0, 0, 0, 0, 0, 0, 0, 4, 0xFF, 0, 0, 0, 0x2C, 0, 0}, 300);
    d.doWriteAttribute(b, 10), next({0x8D, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 10, 0, 0}, 10);
    d.TapeAlertSupported(), next({0x4D, 0, 0x40, 0, 0, 0, 0, 1, 0, 0}, 256);
    d.GetTapeAlertFlag(flags), next({0x4D, 0, 0x6E, 0, 0, 0, 0, 1, 0x60, 0}, 352);
    d.isAITWormCartridge(code), next({0x1A, 0, 0x31, 0, 0x80, 0}, 128);
    // The identification is still empty (the INQUIRYs above returned no data): INQUIRY first.
    d.isLTOWormCartridge(code), next({0x12, 0, 0, 0, 36, 0}, 36),
        next({0x1A, 0, 0, 0, 0x80, 0}, 128);
    d.is3592WormCartridge(code), next({0x1A, 0, 0x23, 0, 0x80, 0}, 128);
    d.isSTKVolSafeWormCartridge(code), next({0x03, 0, 0, 0, 0xFF, 0}, 255);
    d.isDLTWormCartridge(code), next({0x8C, 0, 0, 0, 0, 0, 0, 0, 4, 8, 0, 0, 0, 10, 0, 0}, 10);
    EXPECT_EQ(sent(), k);
}

TEST_F(DriveCommandsTest, ModeSelectPreparesTheHeaderInPlace) {
    // Length 11, medium type 0x38, write-protected, one block descriptor (reserved byte 0x5A).
    unsigned char list[12] = {11, 0x38, 0x90, 8, 0x44, 0, 0, 0, 0x5A};
    unsigned char shortList[12] = {3, 0, 0, 8, 0, 0, 0, 0, 0x5A};  // byte 8 lies beyond the list
    unsigned char noDescriptor[12] = {11, 0, 0, 0, 0, 0, 0, 0, 0x5A};
    unsigned char full[256] = {255, 0x38};
    EXPECT_TRUE(drive->doModeSelect(list) && drive->doModeSelect(shortList) &&
                drive->doModeSelect(noDescriptor));
    EXPECT_FALSE(drive->doModeSelect(full));
    EXPECT_EQ(sent(), 3u);
    EXPECT_EQ(fake::platform().sent(0).dataOut, bytes({0, 0, 0x10, 8, 0x44, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Bytes({shortList[8], noDescriptor[8], full[1]}), bytes({0x5A, 0x5A, 0x38}));
    EXPECT_EQ(drive->m_strErrorMsg, "The mode parameter list is too long for MODE SELECT(6).");
}

TEST_F(DriveCommandsTest, PositionsAndSense) {
    // READ POSITION data: first block 80000001h at bytes 4-7, last block 0102h at bytes 8-11.
    const Reply position = Reply::good(bytes({0x80, 0, 0, 0, 0x80, 0, 0, 1, 0, 0, 1, 2}));
    fake::platform().replies({Reply::good(), Reply::check(3, 0, 2), Reply::throwQx("gone", 5),
                              Reply::good(), position, position, Reply::throwQx("gone", 5),
                              Reply::check(0x02, 0x3A, 0x00)});
    unsigned long first = 5, last = 6;
    int at = 9;
    unsigned char key = 0, asc = 0, ascq = 0;
    EXPECT_TRUE(drive->SetPositionEOD(first, last));
    EXPECT_EQ(first + last, 11ul) << "kept when READ POSITION did not end with GOOD";
    EXPECT_FALSE(drive->SetPositionEOD(first, last));
    EXPECT_EQ(sent(), 3u) << "no READ POSITION after a failed SPACE";
    EXPECT_TRUE(drive->SetPositionEOD(first, last));
    EXPECT_EQ(first << 16 | last, 0x800000010102ul);
    EXPECT_EQ(drive->readPosition(at), 0);
    EXPECT_EQ(at, -0x7FFFFFFF);
    EXPECT_EQ(drive->readPosition(at), -1);
    EXPECT_EQ(at, -1);
    EXPECT_TRUE(drive->TestUnitReady(&key, &asc, &ascq));
    EXPECT_EQ(drive->m_nScsiStatus << 24 | key << 16 | asc << 8 | ascq, 0x02023A00);
}

TEST_F(DriveCommandsTest, IdentificationAndSerialNumberAreTrimmed) {
    auto identity = [&](const S& vendorField, const S& productField) {
        fake::platform().reply(Reply::good(inquiry(vendorField, productField)));
        EXPECT_TRUE(drive->Inquiry());
        return drive->m_strVendorId + "|" + drive->m_strProductId;
    };
    auto serial = [&](char pageLength, const S& text) {  // the serial number page
        const S page = S(3, '\0') + pageLength + text;
        fake::platform().reply(Reply::good(Bytes(page.begin(), page.end())));
        S serial;
        EXPECT_TRUE(drive->GetSerialNumber(serial));
        return serial;
    };
    EXPECT_EQ(identity("IBM     ", "ULT3580-TD3     "), "IBM|ULT3580-TD3");
    EXPECT_EQ(identity(S(8, ' '), S(16, '\0')), "|");
    EXPECT_EQ(identity(S("HP\0 \0   ", 8), "ABCDEFGHIJKLMNOP"), "HP|ABCDEFGHIJKLMNOP");
    EXPECT_EQ(identity("ABCD EFG", S("X\0Y", 3) + S(13, ' ')), "ABCD EFG|X");
    EXPECT_EQ(serial(0, "1234567"), "");
    EXPECT_EQ(serial(10, "123456789 "), "123456789");
    EXPECT_EQ(serial('\xFF', S(124, '7')), S(124, '7')) << "no more than the page holds";
}

TEST_F(DriveCommandsTest, MatchingAndFailures) {
    const char* cut[][2] = {{"IBM", nullptr}, {"IBM", "ULT3580-TD3"}, {nullptr, nullptr}};
    const char* none[][2] = {{"HP", "Ultrium 3-SCSI"}, {"IBM", "ULTRIUM-TD3"}, {nullptr, "X"}};
    const char* match[][2] = {{"HP", "Ultrium 3-SCSI"}, {"IBM", "ULT3580-TD3"}, {"IBM", nullptr}};
    EXPECT_FALSE(drive->IsSet(cut) || drive->IsSet(nullptr)) << "no INQUIRY either";
    S serial = "old";
    fake::platform().replies({Reply::throwQx("busy", 16), Reply::throwQx("busy", 16),
                              Reply::good(inquiry("IBM", "ULT3580-TD3")),
                              Reply::throwQx("gone", 5)});
    EXPECT_FALSE(drive->GetSerialNumber(serial));
    EXPECT_FALSE(drive->IsUnit("IBM", "ULT3580-TD3"));
    EXPECT_TRUE(drive->IsUnit("IBM", "ULT3580-TD3"));
    EXPECT_FALSE(drive->IsUnit("IBM", "ult3580-td3") || drive->IsUnit("IBM ", "ULT3580-TD3"));
    EXPECT_TRUE(drive->IsSet(match));
    EXPECT_FALSE(drive->IsSet(none));
    EXPECT_EQ(sent(), 3u) << "a failed INQUIRY is asked again, a good one is not";
    EXPECT_FALSE(drive->Inquiry());
    EXPECT_EQ(drive->m_strVendorId + serial, "IBMold") << "failed commands change nothing";
}

}  // namespace drivetest
