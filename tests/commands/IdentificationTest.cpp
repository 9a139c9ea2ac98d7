// Identification: INQUIRY fields and their trimming, model matching and the serial number.
#include <string>

#include "tests/commands/DriveTest.h"

namespace {

using drivetest::inquiryData;
using fake::Reply;

class IdentificationTest : public drivetest::DriveTest {};

TEST_F(IdentificationTest, TrimsTrailingBlanksAndZeros) {
    using S = std::string;
    const struct {
        S vendor, product;  // the fields' 8 and 16 bytes
        const char *wantVendor, *wantProduct;
    } rows[] = {
        {S("IBM     "), S("ULT3580-TD3     "), "IBM", "ULT3580-TD3"},
        {S(8, ' '), S(16, '\0'), "", ""},
        {S("HP\0 \0   ", 8), S("ABCDEFGHIJKLMNOP"), "HP", "ABCDEFGHIJKLMNOP"},
        {S("A B     "), S("X\0Y", 3) + S(13, ' '), "A B", "X"},
    };
    for (const auto& row : rows) {
        fake::platform().reply(Reply::good(inquiryData(row.vendor, row.product)));
        ASSERT_TRUE(drive->Inquiry());
        EXPECT_EQ(drive->m_strVendorId, row.wantVendor);
        EXPECT_EQ(drive->m_strProductId, row.wantProduct);
    }
    // A CHECK CONDITION without data still counts as an answer; a failed send changes nothing.
    fake::platform().reply(Reply::check(0x05, 0x24, 0x00));
    EXPECT_TRUE(drive->Inquiry());
    EXPECT_EQ(drive->m_strVendorId, "");
    drive->m_strVendorId = "kept";
    fake::platform().reply(Reply::throwQx("gone", 5));
    EXPECT_FALSE(drive->Inquiry());
    EXPECT_EQ(drive->m_strVendorId, "kept");
}

TEST_F(IdentificationTest, IsUnitAsksOnceAndComparesExactly) {
    fake::platform().reply(Reply::throwQx("busy", 16));
    EXPECT_FALSE(drive->IsUnit("IBM", "ULT3580-TD3"));
    fake::platform().reply(Reply::good(inquiryData("IBM", "ULT3580-TD3")));
    EXPECT_TRUE(drive->IsUnit("IBM", "ULT3580-TD3"));
    EXPECT_FALSE(drive->IsUnit("IBM", "ult3580-td3"));
    EXPECT_FALSE(drive->IsUnit("IBM ", "ULT3580-TD3"));
    EXPECT_EQ(fake::platform().sentCount(), 2u) << "a failed INQUIRY is retried, a good one not";
}

TEST_F(IdentificationTest, IsSetStopsAtTheFirstPairWithANullMember) {
    drive->m_strVendorId = "IBM";
    drive->m_strProductId = "ULT3580-TD3";
    const char* match[][2] = {{"HP", "Ultrium 3-SCSI"}, {"IBM", "ULT3580-TD3"}, {nullptr, nullptr}};
    const char* none[][2] = {{"HP", "Ultrium 3-SCSI"}, {"IBM", "ULTRIUM-TD3"}, {"IBM", nullptr}};
    const char* cut[][2] = {{nullptr, "ULT3580-TD3"}, {"IBM", "ULT3580-TD3"}, {nullptr, nullptr}};
    EXPECT_TRUE(drive->IsSet(match));
    EXPECT_FALSE(drive->IsSet(none));
    EXPECT_FALSE(drive->IsSet(cut));
    EXPECT_FALSE(drive->IsSet(nullptr));
    EXPECT_EQ(fake::platform().sentCount(), 0u);
}

TEST_F(IdentificationTest, SerialNumberFollowsPageLengthUpTo124) {
    const struct {
        int pageLength;
        std::string serial;  // bytes from byte 4 on
        std::string want;
    } rows[] = {
        {0, "1234567", ""},
        {10, "1234567   ", "1234567"},
        {4, "1234567", "1234"},
        {255, std::string(124, '7'), std::string(124, '7')},
    };
    for (const auto& row : rows) {
        fake::Bytes page(128, 0);
        page[1] = 0x80;
        page[3] = static_cast<unsigned char>(row.pageLength);
        row.serial.copy(reinterpret_cast<char*>(&page[4]), 124);
        fake::platform().reply(Reply::good(page));
        std::string serial = "old";
        ASSERT_TRUE(drive->GetSerialNumber(serial));
        EXPECT_EQ(serial, row.want);
    }
    std::string serial = "old";
    fake::platform().reply(Reply::throwQx("gone", 5));
    EXPECT_FALSE(drive->GetSerialNumber(serial));
    EXPECT_EQ(serial, "old");
}

}  // namespace
