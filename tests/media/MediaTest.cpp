// Tape media identification: TapeAlert, write-once cartridges and media type classification.
#include <cstdio>
#include <functional>
#include <set>

#include "tests/commands/DriveTest.h"

namespace drivetest {

using MediaTest = DriveTest;

// A drive's TapeAlert page: page 2Eh, PAGE LENGTH 320 at bytes 2-3, then parameter k for flag k:
// code 00 k, control 40h, length 1, value. Media (4), Nearing media life (19), Clean now (20) set.
#define P(k, v) 0, k, 0x40, 1, v
#define P4(k, a, b, c, d) P(k, a), P(k + 1, b), P(k + 2, c), P(k + 3, d)
const Bytes kRecordedPage = {
    // clang-format off
    0x2E, 0x00, 0x01, 0x40,
    P4(1, 0, 0, 0, 1),  P4(5, 0, 0, 0, 0),  P4(9, 0, 0, 0, 0),  P4(13, 0, 0, 0, 0),
    P4(17, 0, 0, 1, 1), P4(21, 0, 0, 0, 0), P4(25, 0, 0, 0, 0), P4(29, 0, 0, 0, 0),
    P4(33, 0, 0, 0, 0), P4(37, 0, 0, 0, 0), P4(41, 0, 0, 0, 0), P4(45, 0, 0, 0, 0),
    P4(49, 0, 0, 0, 0), P4(53, 0, 0, 0, 0), P4(57, 0, 0, 0, 0), P4(61, 0, 0, 0, 0),
    // clang-format on
};
// A drive's 32-byte REQUEST SENSE reply: fixed format, NO SENSE, ADDITIONAL LENGTH 24 (byte 7),
// ASC and ASCQ at bytes 12-13, vendor bytes from 18; byte 24 = 12h: VolSafe bits 4 and 1 set.
const Bytes kRecordedSense = bytes({0x70, 0, 0, 0, 0, 0, 0, 0x18, 0,    0, 0, 0, 0, 0, 0, 0,
                                    0,    0, 0, 0, 0, 0, 0, 0,    0x12, 0, 0, 0, 0, 0, 0, 0});
// A READ ATTRIBUTE reply cut at 10 bytes: AVAILABLE DATA 0x36, then attribute 0408h, READ ONLY,
// binary, length 1, value 80h (write-once medium).
const Bytes kRecordedAttribute = bytes({0, 0, 0, 0x36, 0x04, 0x08, 0x80, 0, 1, 0x80});
// A drive's MODE SENSE(6) reply, page 0, with an LTO-3 cartridge loaded: MODE DATA LENGTH 11,
// MEDIUM TYPE 38h, buffered mode 1, one block descriptor: density 44h, variable block length.
const Bytes kRecordedModeSense = bytes({0x0B, 0x38, 0x10, 0x08, 0x44, 0, 0, 0, 0, 0, 0, 0});

TEST_F(MediaTest, TapeAlertFlagsAndSupport) {
    const std::set<unsigned> before = {1, 2, 3};  // the flags set before each read
    const struct {
        std::function<void(Bytes&)> edit;
        std::set<unsigned> flags;  // afterwards; `before` when the read fails
    } rows[] = {
        {[](Bytes&) {}, {4, 19, 20}},                                      // as recorded
        {[](Bytes& p) { p[4 + 4] = 0x02; }, {1, 4, 19, 20}},               // any non-zero value
        {[](Bytes& p) { p[4 + 15 + 1] = 5; }, {19, 20}},                   // 4th carries code 5
        {[](Bytes& p) { p.erase(p.begin() + 49, p.begin() + 54); }, {4}},  // 10th missing
        {[](Bytes& p) { p[2] = 0x02; }, {4, 19, 20}},                      // longer page
        {[](Bytes& p) { p[3] = 0x3F; }, before},                           // page length 319
        {[](Bytes& p) { p.clear(); }, before},                             // no data
    };
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(i);
        Bytes page = kRecordedPage;
        rows[i].edit(page);
        fake::platform().reply(Reply::good(page));
        std::vector<bool> flags(64);
        flags[0] = flags[1] = flags[2] = true;
        EXPECT_EQ(drive->GetTapeAlertFlag(flags), rows[i].flags != before);
        for (unsigned n = 0; n <= 65; ++n) {
            EXPECT_EQ(drive->IsAlertSet(n, flags), rows[i].flags.count(n) == 1) << n;
        }
    }
    for (std::size_t size : {0, 63, 65}) {  // a vector of another size is left as it was
        fake::platform().reply(Reply::good(kRecordedPage));
        std::vector<bool> flags(size, true);
        EXPECT_FALSE(drive->GetTapeAlertFlag(flags) || drive->IsAlertSet(1, flags));
        EXPECT_EQ(flags, std::vector<bool>(size, true));
    }
    EXPECT_EQ(sent(), std::size(rows) + 3);
    // The supported pages: PAGE LENGTH, where 2Eh sits in a page of 256 bytes 01h, whether it is
    // found. The scan goes no further than the buffer, whatever the PAGE LENGTH.
    const int pages[][3] = {{3, 6, 1},     {3, 7, 0},     {0, 4, 0},
                            {300, 255, 1}, {251, 255, 0}, {0xFFFF, 0, 0}};
    for (const auto& row : pages) {
        Bytes page(256, 0x01);
        page[2] = row[0] >> 8, page[3] = row[0] & 0xFF, page[row[1]] = 0x2E;
        fake::platform().reply(Reply::good(page));
        EXPECT_EQ(drive->TapeAlertSupported(), row[2] == 1) << row[0] << " " << row[1];
    }
}

TEST_F(MediaTest, WormOfEachFamilyAndDltConversion) {
    using Check = std::function<int(QXNTSpti&, int&)>;
    const Check ait = &QXNTSpti::isAITWormCartridge, lto = &QXNTSpti::isLTOWormCartridge,
                ibm = &QXNTSpti::is3592WormCartridge, stk = &QXNTSpti::isSTKVolSafeWormCartridge,
                dlt = &QXNTSpti::isDLTWormCartridge;
    const Check convert = [](QXNTSpti& d, int&) { return d.convertToDLTWormCartridge(0); };
    // MODE SENSE data with bytes 1 (medium type), 16 and 17 (page bytes 4 and 5) as given.
    auto mode = [](int b1, int b16, int b17) {
        return Reply::good(bytes({0, b1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, b16, b17}));
    };
    const Reply worm = Reply::good(kRecordedAttribute),
                rewritable = Reply::good(withByte(10, 9, 0));
    const struct {
        Check check;
        const char* vendor;          // as INQUIRY left it
        std::vector<Reply> replies;  // one for each command the check is to send
        int result, code = -1;       // code -1: untouched
    } rows[] = {
        // clang-format off
        {ait, "", {mode(0, 0x40, 0)}, 1}, {ait, "", {mode(0, 0xC0, 0)}, 1},
        {ait, "", {mode(0, 0xBF, 0)}, 0}, {ait, "", {Reply::check(2, 0x3A, 0)}, 0},  // no data
        {lto, "", {Reply::good(inquiry("IBM", "ULT3580-TD3")), mode(0x3C, 0, 0)}, 1},
        {lto, "", {Reply::throwQx("gone", 5)}, 0}, {lto, "IBM", {Reply::good()}, 0},
        {lto, "IBM", {mode(0x39, 0, 0)}, 0}, {lto, "ibm", {mode(0x04, 0, 0)}, 1},
        {lto, "IBMX", {mode(0x04, 0, 0)}, 0}, {lto, "HP", {mode(0x01, 0, 0)}, 1},
        {lto, "CERTANCE", {mode(0x80, 0, 0)}, 1}, {lto, "CERTANCE", {mode(0x81, 0, 0)}, 0},
        {ibm, "", {mode(0, 'A', 0x02)}, 1, 104}, {ibm, "", {mode(0, 'Q', 0x02)}, 1, 106},
        {ibm, "", {mode(0, 0x42, 0x02)}, 0}, {ibm, "", {mode(0, 'A', 0x01)}, 0},
        {stk, "", {Reply::good(kRecordedSense)}, 1},
        {stk, "", {Reply::good(fake::fixedSense(0, 0, 0))}, 0},  // 18 bytes only
        {stk, "", {Reply::good(withByte(255, 24, 0x10))}, 0},
        {stk, "", {Reply::good(withByte(255, 24, 0x02))}, 0},
        {dlt, "", {worm}, 1}, {dlt, "", {Reply::good(withByte(10, 9, 0x01))}, 0},  // cleaning
        {convert, "", {worm}, 1},  // already write-once: nothing written
        {convert, "", {rewritable, Reply::good(), worm}, 1},
        {convert, "", {rewritable, Reply::throwScsi(2, fake::fixedSense(5, 0x24, 0))}, 0},
        {convert, "", {rewritable, Reply::good(), rewritable}, 0},  // accepted, but it did not take
        // clang-format on
    };
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(i);
        const std::size_t before = sent();
        drive->m_strVendorId = rows[i].vendor;
        for (const Reply& r : rows[i].replies) {
            fake::platform().reply(r);
        }
        int code = -1;
        EXPECT_EQ(rows[i].check(*drive, code), rows[i].result);
        EXPECT_EQ(code, rows[i].code);
        EXPECT_EQ(sent() - before, rows[i].replies.size());
    }
    // Each WRITE ATTRIBUTE makes attribute 0408h (MEDIUM TYPE) read-only 80h, write-once.
    for (const fake::Command& c : fake::platform().sent()) {
        EXPECT_EQ(c.dataOut, c.toDevice ? bytes({0, 0, 0, 6, 4, 8, 0x80, 0, 1, 0x80}) : Bytes());
    }
}

TEST_F(MediaTest, MediaTypeOfEveryModelAndMediumType) {
    Reply reply;  // the drive's answer to every command
    fake::platform().setResponder([&](const fake::Command&) { return reply; });
    // getMediaType with the identification as given: its result, then the code unless untouched.
    auto classify = [&](const char* vendor, const char* product, const Reply& answer) {
        drive->m_strVendorId = vendor, drive->m_strProductId = product, reply = answer;
        int code = 12345;
        const std::string result = drive->getMediaType(code) ? "1" : "0";
        return code == 12345 ? result : result + " " + std::to_string(code);
    };
    // A model of each column of the tables, and each medium type that gives it a code ("type=code")
    // or makes the classification fail ("type=fails"). Every other medium type leaves the code
    // untouched.
    const char* models[][3] = {
        {"IBM", "ULT3580-TD3", "18=141 28=142 38=143"},
        {"IBM", "ULT3580-TD2", "18=141 28=142 38=fails"},
        {"COMPAQ", "SuperDLT1", "81=220 85=1 86=201 87=201"},
        {"Quantum", "SDLT320", "81=220 85=1 86=201 87=201"},
        {"HP", "SDLT600", "81=220 86=201 87=202"},
        {"QUANTUM", "DLT-S4", "81=220 86=201 87=202 88=204"},
        {"QUANTUM", "DLT-V4", "81=19 85=1 90=2"},
    };
    for (const auto& [vendor, product, want] : models) {
        std::string got;
        for (int m = 0; m < 256; ++m) {
            const std::string r = classify(vendor, product, Reply::good(bytes({0, m})));
            char cell[8];
            std::snprintf(cell, sizeof cell, " %02X=", m);
            got += r == "1" ? "" : cell + (r == "0" ? "fails" : r.substr(2));
            ASSERT_EQ(fake::platform().sent().back().cdb, bytes({0x1A, 0, 0, 0, 128, 0}));
        }
        EXPECT_EQ(got, " " + std::string(want)) << vendor << " " << product;
    }
    ASSERT_EQ(sent(), std::size(models) * 256);
    EXPECT_EQ(classify("IBM", "ULT3580-TD3", Reply::good(kRecordedModeSense)), "1 143");
    EXPECT_EQ(classify("IBM", "ULTRIUM-TD2", Reply::good(kRecordedModeSense)), "0");
    EXPECT_EQ(drive->m_strErrorMsg, "LTO2 cannot recognize the LTO3 media");
    EXPECT_EQ(drive->m_nErrorCode, 0u);
    EXPECT_EQ(classify("HP", "SDLT600", Reply::throwQx("gone", 5)), "0");
    EXPECT_EQ(classify("HP", "SDLT600", Reply::check(2, 0x3A, 0)), "1") << "no data";
    // Not recognised: no MODE SENSE. INQUIRY failing: asked once for each model it knows.
    const std::size_t before = sent();
    EXPECT_EQ(classify("ibm", "ULT3580-TD3", Reply::good()), "1");
    EXPECT_EQ(classify("", "", Reply::good(inquiry("QUANTUM", "SDLT320"))), "1");
    EXPECT_EQ(sent() - before, 1u);
    EXPECT_EQ(classify("", "", Reply::throwQx("busy", 16)), "1");
    EXPECT_EQ(sent() - before, 15u);
}

}  // namespace drivetest
