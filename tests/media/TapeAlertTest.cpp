// TapeAlert: the supported-pages scan and the 64 flags of log page 2Eh.
#include <functional>
#include <set>

#include "tests/commands/DriveTest.h"

namespace {

using fake::Bytes;
using fake::Reply;

// One TapeAlert parameter: code 00 k, control byte, length 1, flag value.
#define P(k, v) 0x00, k, 0x40, 0x01, v
// A drive's whole TapeAlert page with Media (4), Nearing media life (19) and Clean now (20) set.
const Bytes kRecordedPage = {
    0x2E, 0x00, 0x01, 0x40,  // page 2Eh, subpage 0, PAGE LENGTH 320
    // clang-format off
    P(1, 0),  P(2, 0),  P(3, 0),  P(4, 1),  P(5, 0),  P(6, 0),  P(7, 0),  P(8, 0),
    P(9, 0),  P(10, 0), P(11, 0), P(12, 0), P(13, 0), P(14, 0), P(15, 0), P(16, 0),
    P(17, 0), P(18, 0), P(19, 1), P(20, 1), P(21, 0), P(22, 0), P(23, 0), P(24, 0),
    P(25, 0), P(26, 0), P(27, 0), P(28, 0), P(29, 0), P(30, 0), P(31, 0), P(32, 0),
    P(33, 0), P(34, 0), P(35, 0), P(36, 0), P(37, 0), P(38, 0), P(39, 0), P(40, 0),
    P(41, 0), P(42, 0), P(43, 0), P(44, 0), P(45, 0), P(46, 0), P(47, 0), P(48, 0),
    P(49, 0), P(50, 0), P(51, 0), P(52, 0), P(53, 0), P(54, 0), P(55, 0), P(56, 0),
    P(57, 0), P(58, 0), P(59, 0), P(60, 0), P(61, 0), P(62, 0), P(63, 0), P(64, 0),
    // clang-format on
};
#undef P

class TapeAlertTest : public drivetest::DriveTest {};

TEST_F(TapeAlertTest, FlagsFromThePage) {
    const std::set<unsigned> before = {1, 2, 3};  // what the vector holds before each read
    const struct {
        std::function<void(Bytes&)> edit;
        bool result;
        std::set<unsigned> flags;
    } rows[] = {
        // clang-format off
        {[](Bytes&) {}, true, {4, 19, 20}},                                  // as recorded
        {[](Bytes& p) { p[4 + 4] = 0x02; }, true, {1, 4, 19, 20}},           // any non-zero value
        {[](Bytes& p) { p[4 + 15 + 1] = 5; }, true, {19, 20}},               // code out of place
        {[](Bytes& p) { p.erase(p.begin() + 49, p.begin() + 54); }, true, {4}},  // 10 missing
        {[](Bytes& p) { p[2] = p[3] = 0xFF; }, true, {4, 19, 20}},           // longer page length
        {[](Bytes& p) { p[3] = 0x3F; }, false, before},                      // page length 319
        {[](Bytes& p) { p.clear(); }, false, before},                        // no data
        // clang-format on
    };
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(i);
        Bytes page = kRecordedPage;
        rows[i].edit(page);
        fake::platform().reply(Reply::good(page));
        std::vector<bool> flags(64, false);
        flags[0] = flags[1] = flags[2] = true;
        EXPECT_EQ(drive->GetTapeAlertFlag(flags), rows[i].result);
        for (unsigned n = 0; n <= 65; ++n) {
            EXPECT_EQ(drive->IsAlertSet(n, flags), rows[i].flags.count(n) == 1) << n;
        }
    }
}

TEST_F(TapeAlertTest, WrongVectorSizesAndFailuresTouchNothing) {
    for (std::size_t size : {0, 63, 65, 64}) {
        fake::platform().reply(size == 64 ? Reply::throwQx("gone", 5) : Reply::good(kRecordedPage));
        std::vector<bool> flags(size, true);
        EXPECT_FALSE(drive->GetTapeAlertFlag(flags));
        EXPECT_EQ(flags, std::vector<bool>(size, true));
        EXPECT_EQ(drive->IsAlertSet(1, flags), size == 64);
    }
    EXPECT_EQ(sent(), 4u);
}

TEST_F(TapeAlertTest, SupportedPagesScanStaysInsideTheBuffer) {
    auto list = [](int pageLength, std::size_t at) {
        Bytes page(256, 0x01);
        page[2] = static_cast<unsigned char>(pageLength >> 8);
        page[3] = static_cast<unsigned char>(pageLength);
        page[at] = 0x2E;
        return page;
    };
    const struct {
        Reply reply;
        bool supported;
    } rows[] = {
        {Reply::good(fake::bytes({0x00, 0x00, 0x00, 0x03, 0x00, 0x0C, 0x2E})), true},
        {Reply::good(fake::bytes({0x00, 0x00, 0x00, 0x03, 0x00, 0x0C, 0x31, 0x2E})), false},
        {Reply::good(fake::bytes({0x00, 0x00, 0x00, 0x00, 0x2E})), false},
        {Reply::good(list(300, 255)), true},  // the last byte the scan reaches
        {Reply::good(list(251, 255)), false},
        {Reply::good(list(0xFFFF, 0)), false},
        {Reply::throwQx("gone", 5), false},
    };
    for (const auto& row : rows) {
        fake::platform().reply(row.reply);
        EXPECT_EQ(drive->TapeAlertSupported(), row.supported);
    }
}

}  // namespace
