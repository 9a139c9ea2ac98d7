// Media type classification: every cell of the model and media tables, and the failure paths.
#include <map>
#include <utility>
#include <vector>

#include "tests/commands/DriveTest.h"

namespace {

using fake::Reply;
using Result = std::pair<bool, int>;  // (result, code)

// A drive's MODE SENSE(6) reply, page 0, with an LTO-3 cartridge loaded.
const fake::Bytes kRecordedModeSense = fake::bytes({
    0x0B, 0x38, 0x10, 0x08,  // MODE DATA LENGTH 11, MEDIUM TYPE, buffered mode 1, BLOCK DESC 8
    0x44, 0x00, 0x00, 0x00,  // density code, NUMBER OF BLOCKS 0
    0x00, 0x00, 0x00, 0x00,  // reserved, BLOCK LENGTH 0 (variable)
});

constexpr int kUntouched = 12345;
constexpr int kFails = -1;  // no code, result false

class MediaTypeTest : public drivetest::DriveTest {
  protected:
    // getMediaType on a new object for a drive that answers INQUIRY, then as scripted.
    Result classify(const char* vendor, const char* product, std::vector<Reply> then = {}) {
        fake::platform().reply(Reply::good(drivetest::inquiryData(vendor, product)));
        for (const Reply& r : then) {
            fake::platform().reply(r);
        }
        QXNTSpti fresh(0, "/dev/nst1");
        int code = kUntouched;
        const bool result = fresh.getMediaType(code);
        return {result, code};
    }
};

TEST_F(MediaTypeTest, EveryModelAndMediumType) {
    const struct {
        std::vector<std::pair<const char*, const char*>> models;
        std::map<int, int> codes;  // medium types not listed: no code
    } groups[] = {
        // clang-format off
        {{{"IBM", "ULT3580-TD3"}, {"IBM", "ULTRIUM-TD3"}}, {{0x18, 141}, {0x28, 142}, {0x38, 143}}},
        {{{"IBM", "ULT3580-TD2"}, {"IBM", "ULTRIUM-TD2"}},
         {{0x18, 141}, {0x28, 142}, {0x38, kFails}}},
        {{{"COMPAQ", "SuperDLT1"}, {"Quantum", "SuperDLT"}, {"Quantum", "SuperDLT1"},
          {"TANDBERG", "SuperDLT1"}, {"COMPAQ", "SDLT320"}, {"Quantum", "SDLT320"}},
         {{0x81, 220}, {0x85, 1}, {0x86, 201}, {0x87, 201}}},
        {{{"HP", "SDLT600"}, {"QUANTUM", "SDLT600"}}, {{0x81, 220}, {0x86, 201}, {0x87, 202}}},
        {{{"QUANTUM", "DLT-S4"}}, {{0x81, 220}, {0x86, 201}, {0x87, 202}, {0x88, 204}}},
        {{{"QUANTUM", "DLT-V4"}}, {{0x81, 19}, {0x85, 1}, {0x90, 2}}},
        // clang-format on
    };
    for (const auto& group : groups) {
        for (const auto& [vendor, product] : group.models) {
            for (int m : {0x00, 0x18, 0x28, 0x38, 0x3C, 0x80, 0x81, 0x82, 0x84, 0x85, 0x86, 0x87,
                          0x88, 0x89, 0x8F, 0x90, 0x91, 0xFF}) {
                SCOPED_TRACE(std::string(product) + " " + std::to_string(m));
                const auto cell = group.codes.find(m);
                const int want = cell == group.codes.end() ? kUntouched : cell->second;
                const std::size_t before = sent();
                EXPECT_EQ(classify(vendor, product, {Reply::good(drivetest::withByte(4, 1, m))}),
                          Result(want != kFails, want == kFails ? kUntouched : want));
                ASSERT_EQ(sent() - before, 2u);
                EXPECT_EQ(fake::platform().sent(before + 1).cdb,
                          fake::bytes({0x1A, 0, 0, 0, 128, 0}));
            }
        }
    }
}

TEST_F(MediaTypeTest, RecordedReplyUnrecognisedDrivesAndFailures) {
    EXPECT_EQ(classify("IBM", "ULT3580-TD3", {Reply::good(kRecordedModeSense)}), Result(true, 143));
    // Not recognised: INQUIRY only.
    EXPECT_EQ(classify("QUANTUM", "SDLT320"), Result(true, kUntouched));
    EXPECT_EQ(classify("ibm", "ULT3580-TD3"), Result(true, kUntouched));
    EXPECT_EQ(sent(), 4u);
    // MODE SENSE fails, or ends without data.
    EXPECT_EQ(classify("HP", "SDLT600", {Reply::throwQx("gone", 5)}), Result(false, kUntouched));
    EXPECT_EQ(classify("HP", "SDLT600", {Reply::check(2, 0x3A, 0)}), Result(true, kUntouched));

    drive->m_strVendorId = "IBM";
    drive->m_strProductId = "ULTRIUM-TD2";
    int code = kUntouched;
    fake::platform().reply(Reply::good(kRecordedModeSense));
    EXPECT_FALSE(drive->getMediaType(code));
    EXPECT_EQ(drive->m_strErrorMsg, "LTO2 cannot recognize the LTO3 media");
    EXPECT_EQ(drive->m_nErrorCode, 0u);
    // INQUIRY keeps failing: asked once for each of the fourteen models, no MODE SENSE.
    const std::size_t before = sent();
    drive->m_strVendorId.clear();
    fake::platform().setResponder([](const fake::Command&) { return Reply::throwQx("busy", 16); });
    EXPECT_TRUE(drive->getMediaType(code));
    EXPECT_EQ(code, kUntouched);
    EXPECT_EQ(sent() - before, 14u);
    EXPECT_EQ(fake::platform().sent().back().cdb[0], 0x12);
}

}  // namespace
