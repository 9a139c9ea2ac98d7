// Identification: INQUIRY fields and their trimming, model matching and the serial number.
#include "tests/commands/DriveTest.h"

namespace {

using drivetest::inquiryData;
using fake::Reply;
using S = std::string;

class IdentificationTest : public drivetest::DriveTest {};

TEST_F(IdentificationTest, TrimsTrailingBlanksAndZeros) {
    const S rows[][4] = {
        // vendor field, product field, vendor, product
        {"IBM     ", "ULT3580-TD3     ", "IBM", "ULT3580-TD3"},
        {S(8, ' '), S(16, '\0'), "", ""},
        {S("HP\0 \0   ", 8), "ABCDEFGHIJKLMNOP", "HP", "ABCDEFGHIJKLMNOP"},
        {"A B     ", S("X\0Y", 3) + S(13, ' '), "A B", "X"},
    };
    for (const auto& row : rows) {
        fake::platform().reply(Reply::good(inquiryData(row[0], row[1])));
        ASSERT_TRUE(drive->Inquiry());
        EXPECT_EQ(drive->m_strVendorId + "|" + drive->m_strProductId, row[2] + "|" + row[3]);
    }
    fake::platform().reply(Reply::throwQx("gone", 5));
    EXPECT_FALSE(drive->Inquiry());
    EXPECT_EQ(drive->m_strVendorId, "A B") << "a failed INQUIRY changes nothing";
}

TEST_F(IdentificationTest, IsUnitAndIsSet) {
    fake::platform().replies(
        {Reply::throwQx("busy", 16), Reply::good(inquiryData("IBM", "ULT3580-TD3"))});
    EXPECT_FALSE(drive->IsUnit("IBM", "ULT3580-TD3"));
    EXPECT_TRUE(drive->IsUnit("IBM", "ULT3580-TD3"));
    EXPECT_FALSE(drive->IsUnit("IBM", "ult3580-td3"));
    EXPECT_FALSE(drive->IsUnit("IBM ", "ULT3580-TD3"));

    const char* match[][2] = {{"HP", "Ultrium 3-SCSI"}, {"IBM", "ULT3580-TD3"}, {nullptr, nullptr}};
    const char* none[][2] = {{"HP", "Ultrium 3-SCSI"}, {"IBM", "ULTRIUM-TD3"}, {"IBM", nullptr}};
    const char* cut[][2] = {{nullptr, "ULT3580-TD3"}, {"IBM", "ULT3580-TD3"}, {nullptr, nullptr}};
    EXPECT_TRUE(drive->IsSet(match));
    EXPECT_FALSE(drive->IsSet(none) || drive->IsSet(cut) || drive->IsSet(nullptr));
    EXPECT_EQ(sent(), 2u) << "a failed INQUIRY is asked again, a good one is not";
}

TEST_F(IdentificationTest, SerialNumberFollowsPageLengthUpTo124) {
    const struct {
        int pageLength;
        S serial, want;
    } rows[] = {{0, "1234567", ""}, {10, "1234567   ", "1234567"}, {255, S(124, '7'), S(124, '7')}};
    for (const auto& row : rows) {
        fake::Bytes page = drivetest::withByte(128, 3, row.pageLength);
        row.serial.copy(reinterpret_cast<char*>(&page[4]), 124);
        fake::platform().reply(Reply::good(page));
        S serial = "old";
        ASSERT_TRUE(drive->GetSerialNumber(serial));
        EXPECT_EQ(serial, row.want);
    }
    S serial = "old";
    fake::platform().reply(Reply::throwQx("gone", 5));
    EXPECT_FALSE(drive->GetSerialNumber(serial));
    EXPECT_EQ(serial, "old");
}

}  // namespace
