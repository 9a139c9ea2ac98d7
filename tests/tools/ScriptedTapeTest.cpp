// The tape commands against the scripted platform: the commands each sends, what it makes of
// each kind of reply, and its exit status when the drive refuses or cannot be reached.
#include <string>
#include <vector>

#include "double/FakePlatform.h"
#include "qxscsi/QXNTSpti.h"
#include "tools/qxscsi/Exchange.h"
#include "tools/qxscsi/Report.h"
#include "tools/qxscsi/TapeCommands.h"

namespace qxtool {
namespace {

using fake::Bytes;
using fake::bytes;
using fake::inquiry;
using fake::logPage;
using fake::Reply;

const char* const kPath = "/dev/nst0";

// A TapeAlert parameter: code, control byte, length 1, value.
void parameter(Bytes& body, int code, unsigned char value) {
    body.insert(body.end(), {static_cast<unsigned char>(code >> 8),
                             static_cast<unsigned char>(code), 0, 1, value});
}

// A mode parameter header with this medium type, and no block descriptor.
Bytes modeHeader(unsigned char mediumType) {
    return bytes({3, mediumType, 0, 0});
}

class TapeCommand : public fake::Test {
  protected:
    Report run(const std::string& name, std::initializer_list<Reply> replies,
               const std::string& family = "", bool eod = false) {
        fake::platform().replies(replies);
        Invocation invocation;
        invocation.command = findCommand(name);
        invocation.device = kPath;
        invocation.family = family;
        invocation.eod = eod;
        Report report(name, kPath);
        QXNTSpti spti(0, kPath);
        Exchange exchange(spti, report);
        runTapeCommand(invocation, exchange);
        return report;
    }
    std::vector<Bytes> cdbs() const {
        std::vector<Bytes> out;
        for (const fake::Command& c : fake::platform().sent()) {
            out.push_back(c.cdb);
        }
        return out;
    }
    static bool has(const std::string& text, const std::string& part) {
        return text.find(part) != std::string::npos;
    }
};

TEST_F(TapeCommand, IdentifyReadsIdentitySerialAndTapeAlertSupport) {
    Bytes serial = bytes({0x01, 0x80, 0, 12});
    for (char c : std::string("   QXT0003  ")) {
        serial.push_back(static_cast<unsigned char>(c));
    }
    Report report =
        run("identify", {Reply::good(inquiry("IBM", "ULT3580-TD3")), Reply::good(serial),
                         Reply::good(logPage(0, {0, 0x0C, 0x2E}))});
    EXPECT_EQ(report.status(), 0) << report.errorLine();
    EXPECT_EQ(report.output(false),
              "vendor: IBM\nproduct: ULT3580-TD3\nrevision: 1\nserial: QXT0003\nTapeAlert: yes\n");
    EXPECT_EQ(cdbs(), (std::vector<Bytes>{bytes({0x12, 0, 0, 0, 36, 0}),
                                          bytes({0x12, 0x01, 0x80, 0, 252, 0}),
                                          bytes({0x4D, 0, 0x40, 0, 0, 0, 0, 0x01, 0x00, 0})}));
    EXPECT_TRUE(has(report.output(true), "\"serial\": \"QXT0003\", \"tapealert\": true"));

    // Without the serial number page or log pages the device still identifies itself; a
    // hostile identification prints no control characters.
    fake::platform().reset();
    Bytes hostile = inquiry("X\x1b[2J", "TAPE");
    report = run("identify", {Reply::good(hostile), Reply::check(0x05, 0x24, 0x00),
                              Reply::check(0x05, 0x20, 0x00)});
    EXPECT_EQ(report.status(), 0) << report.errorLine();
    EXPECT_EQ(report.output(false),
              "vendor: X.[2J\nproduct: TAPE\nrevision: 1\nserial: none\nTapeAlert: no\n");
    EXPECT_TRUE(has(report.output(true), "\"serial\": null, \"tapealert\": false"));
}

TEST_F(TapeCommand, IdentifyFailsOnlyWhenTheDeviceCannotAnswer) {
    Report report = run("identify", {Reply::throwQx("gone", 5)});
    EXPECT_EQ(report.status(), 99);
    EXPECT_TRUE(has(report.errorLine(), "INQUIRY could not be sent")) << report.errorLine();
    EXPECT_EQ(report.output(false), "");
    fake::platform().reset();
    report = run("identify", {Reply::good(inquiry("IBM", "X")), Reply::conflict()});
    EXPECT_EQ(report.status(), 24);
}

TEST_F(TapeCommand, TestUnitReadyNamesTheSenseOfADriveThatIsNotReady) {
    Report report = run("tur", {Reply::good()});
    EXPECT_EQ(report.status(), 0);
    EXPECT_EQ(report.output(false), "ready\n");
    EXPECT_EQ(cdbs(), std::vector<Bytes>{bytes({0, 0, 0, 0, 0, 0})});

    fake::platform().reset();
    report = run("tur", {Reply::check(0x02, 0x3A, 0x00)});
    EXPECT_EQ(report.status(), 2);
    EXPECT_EQ(report.output(false), "not ready\n");
    EXPECT_TRUE(has(report.errorLine(), "TEST UNIT READY: sense key NOT READY"))
        << report.errorLine();
}

TEST_F(TapeCommand, LockAndUnlockSetOrClearPrevent) {
    Report report = run("lock", {Reply::good()});
    EXPECT_EQ(report.output(false), "medium removal prevented\n");
    report = run("unlock", {Reply::good()});
    EXPECT_EQ(report.output(false), "medium removal allowed\n");
    EXPECT_EQ(cdbs(),
              (std::vector<Bytes>{bytes({0x1E, 0, 0, 0, 1, 0}), bytes({0x1E, 0, 0, 0, 0, 0})}));
}

TEST_F(TapeCommand, PositionReadsPartitionBlockAndEdges) {
    const struct {
        const char* what;
        Bytes reply;
        const char* text;
        const char* json;
    } rows[] = {
        {"beginning", bytes({0x80, 0, 0, 0, 0, 0, 0, 0}),
         "partition 0, block 0 (beginning of partition)\n",
         "\"partition\": 0, \"block\": 0, \"beginning_of_partition\": true"},
        {"second partition", bytes({0, 1, 0, 0, 0x81, 0x02, 0x03, 0x04}),
         "partition 1, block 2164392708\n", "\"partition\": 1, \"block\": 2164392708"},
        {"end", bytes({0x40, 0, 0, 0, 0, 0, 0, 9}), "partition 0, block 9 (end of partition)\n",
         "\"end_of_partition\": true"},
        // The drive does not know its block position: no number is made up.
        {"unknown", bytes({0x14, 0, 0, 0, 0, 0, 0, 0}), "partition 0, block unknown\n",
         "\"block\": null"},
    };
    for (const auto& row : rows) {
        fake::platform().reset();
        const Report report = run("position", {Reply::good(row.reply)});
        EXPECT_EQ(report.status(), 0) << row.what;
        EXPECT_EQ(report.output(false), row.text) << row.what;
        EXPECT_TRUE(has(report.output(true), row.json)) << row.what << ": " << report.output(true);
        ASSERT_EQ(fake::platform().sentCount(), 1U);
        EXPECT_EQ(fake::platform().sent(0).cdb, bytes({0x34, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
        EXPECT_EQ(fake::platform().sent(0).dataLength, 20);
    }
}

TEST_F(TapeCommand, PositionToEndOfDataSpacesFirstAndStopsWhenSpacingFails) {
    Report report =
        run("position", {Reply::good(), Reply::good(bytes({0, 0, 0, 0, 0, 0, 1, 0}))}, "", true);
    EXPECT_EQ(report.output(false), "partition 0, block 256\n");
    EXPECT_EQ(cdbs(), (std::vector<Bytes>{bytes({0x11, 0x03, 0, 0, 0, 0}),
                                          bytes({0x34, 0, 0, 0, 0, 0, 0, 0, 0, 0})}));
    fake::platform().reset();
    report = run("position", {Reply::check(0x03, 0x14, 0x03)}, "", true);
    EXPECT_EQ(report.status(), 3);
    EXPECT_TRUE(has(report.errorLine(),
                    "SPACE to end of data: sense key MEDIUM ERROR, ASC 14h "
                    "ASCQ 03h (end of data not found)"))
        << report.errorLine();
    EXPECT_EQ(fake::platform().sentCount(), 1U);
}

TEST_F(TapeCommand, TapeAlertListsEachSetFlagWithNameAndSeverity) {
    Bytes body;
    for (int code = 1; code <= 64; ++code) {
        parameter(body, code, code == 20 ? 1 : code == 3 ? 2 : code == 47 ? 1 : 0);
    }
    Report report =
        run("tapealert", {Reply::good(logPage(0, {0, 0x2E})), Reply::good(logPage(0x2E, body))});
    EXPECT_EQ(report.status(), 0) << report.errorLine();
    EXPECT_EQ(report.output(false),
              "flag 3: Hard error (warning)\nflag 20: Clean now (critical)\nflag 47\n");
    EXPECT_TRUE(has(report.output(true),
                    "{\"flag\": 20, \"name\": \"Clean now\", \"severity\": \"critical\"}, "
                    "{\"flag\": 47, \"name\": null, \"severity\": null}"))
        << report.output(true);
    ASSERT_EQ(fake::platform().sentCount(), 2U);
    EXPECT_EQ(fake::platform().sent(1).cdb, bytes({0x4D, 0, 0x6E, 0, 0, 0, 0, 0x01, 0x60, 0}));
    EXPECT_EQ(fake::platform().sent(1).dataLength, 352);

    fake::platform().reset();
    body.clear();
    parameter(body, 1, 0);
    report = run("tapealert", {Reply::good(logPage(0, {0x2E})), Reply::good(logPage(0x2E, body))});
    EXPECT_EQ(report.output(false), "no flag set\n");
    EXPECT_TRUE(has(report.output(true), "\"flags\": []"));
}

TEST_F(TapeCommand, ADriveWithoutTheTapeAlertPageIsExitStatus5) {
    for (const Reply& pages : {Reply::good(logPage(0, {0, 0x0C, 0x31})),
                               Reply::check(0x05, 0x20, 0x00), Reply::check(0x05, 0x24, 0x00)}) {
        fake::platform().reset();
        const Report report = run("tapealert", {pages});
        EXPECT_EQ(report.status(), 5);
        EXPECT_TRUE(has(report.errorLine(), "the drive has no TapeAlert log page"))
            << report.errorLine();
        EXPECT_EQ(fake::platform().sentCount(), 1U) << "the page itself is not asked for";
    }
}

TEST(TapeAlertPage, ParametersAreReadByTheirCodesAndLengthsWithinTheReply) {
    Bytes page = bytes({0x2E, 0, 0, 0});
    // Reordered, with a two-byte value, a zero-length parameter and codes outside 1..64.
    page.insert(page.end(), {0, 9, 0, 1, 1});
    page.insert(page.end(), {0, 2, 0, 2, 0, 1});  // the first value byte is the flag
    page.insert(page.end(), {0, 4, 0, 0});        // no value: not set
    page.insert(page.end(), {0, 0, 0, 1, 1});
    page.insert(page.end(), {0, 65, 0, 1, 1});
    page.insert(page.end(), {0x01, 0x01, 0, 1, 1});
    page.insert(page.end(), {0, 9, 0, 1, 1});  // twice is once
    page.insert(page.end(), {0, 30, 0, 200});  // claims more than the reply holds
    EXPECT_EQ(setTapeAlertFlags(page), std::vector<int>{9});
    EXPECT_EQ(setTapeAlertFlags(bytes({0x2E, 0, 0xFF})), std::vector<int>{});
}

// What --hex shows of a reply: the length its own header gives, never more than was read.
TEST(ReplyLength, TheHeadersLengthBoundedByTheBytesRead) {
    const struct {
        Bytes cdb;
        std::size_t read;  // bytes in the buffer; byte 0 is 11, byte 3 is 8, byte 4 is 31
        std::size_t shown;
    } rows[] = {
        {bytes({0x12, 0, 0, 0, 96, 0}), 96, 36},        // INQUIRY: additional length + 5
        {bytes({0x12, 0x01, 0x80, 0, 96, 0}), 96, 12},  // VPD page: page length + 4
        {bytes({0x12, 0, 0, 0, 96, 0}), 4, 4},          // cut before the length byte
        {bytes({0x1A, 0, 0x3F, 0, 96, 0}), 96, 12},     // MODE SENSE(6): mode data length + 1
        {bytes({0x4D, 0, 0x6E, 0, 0, 0, 0, 0, 96, 0}), 96, 12},  // LOG SENSE: page length + 4
        {bytes({0x4D, 0, 0x6E, 0, 0, 0, 0, 0, 96, 0}), 10, 10},
        {bytes({0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0}), 96, 8},   // READ CAPACITY(10)
        {bytes({0x34, 0, 0, 0, 0, 0, 0, 0, 0, 0}), 96, 20},  // READ POSITION, short form
    };
    for (const auto& row : rows) {
        Bytes data = bytes({11, 0, 0, 8, 31});
        data.resize(row.read, 0);
        EXPECT_EQ(replyLength(row.cdb[0], row.cdb, data), row.shown)
            << int(row.cdb[0]) << " " << row.read;
    }
}

TEST_F(TapeCommand, WormRunsTheFamilyTestAndAnswersByExitStatus) {
    // LTO of a vendor other than IBM and CERTANCE: bit 0 of the medium type.
    Report report =
        run("worm", {Reply::good(inquiry("HP", "Ultrium 3-SCSI")), Reply::good(modeHeader(0x01))},
            "lto");
    EXPECT_EQ(report.status(), 0) << report.errorLine();
    EXPECT_EQ(report.output(false), "WORM (lto test)\n");
    EXPECT_TRUE(has(report.output(true), "\"family\": \"lto\", \"worm\": true, \"code\": null"));

    fake::platform().reset();
    report =
        run("worm", {Reply::good(inquiry("HP", "Ultrium 3-SCSI")), Reply::good(modeHeader(0x00))},
            "lto");
    EXPECT_EQ(report.status(), 36);
    EXPECT_EQ(report.output(false), "not WORM (lto test)\n");
    EXPECT_EQ(report.errorLine(), "") << "a no is an answer, not a failure";
    EXPECT_TRUE(has(report.output(true), "\"worm\": false, \"code\": null, \"exit_status\": 36"));
}

TEST_F(TapeCommand, WormWithoutAFamilyTakesItFromTheDrivesIdentity) {
    const struct {
        const char* vendor;
        const char* product;
        const char* family;
        unsigned char firstCdbByte;  // of the family's test
    } rows[] = {
        {"IBM", "ULT3580-TD2", "lto", 0x1A},
        {"QUANTUM", "DLT-S4", "dlt", 0x8C},
        {"SONY", "SDX-700C", "ait", 0x1A},
        {"STK", "T9840C", "volsafe", 0x03},
    };
    for (const auto& row : rows) {
        fake::platform().reset();
        const Report report = run("worm", {Reply::good(inquiry(row.vendor, row.product))});
        EXPECT_TRUE(has(report.output(true), std::string("\"family\": \"") + row.family + "\""))
            << row.product << ": " << report.output(true);
        ASSERT_EQ(fake::platform().sentCount(), 2U) << row.product;
        EXPECT_EQ(fake::platform().sent(1).cdb[0], row.firstCdbByte) << row.product;
    }
}

TEST_F(TapeCommand, MediaTypeShowsCodeDriveAndMediumType) {
    Report report =
        run("mediatype", {Reply::good(modeHeader(0x38)), Reply::good(inquiry("IBM", "ULTRIUM-TD3")),
                          Reply::good(modeHeader(0x38))});
    EXPECT_EQ(report.status(), 0) << report.errorLine();
    EXPECT_EQ(report.output(false),
              "media type code: 143\ndrive: IBM ULTRIUM-TD3\nmedium type: 38h\n");
    EXPECT_TRUE(has(report.output(true),
                    "\"code\": 143, \"vendor\": \"IBM\", \"product\": "
                    "\"ULTRIUM-TD3\", \"medium_type\": 56"));
    EXPECT_EQ(fake::platform().sent(0).cdb, bytes({0x1A, 0, 0, 0, 128, 0}));

    // An LTO3 cartridge in a second-generation drive: no code, and the library's reason.
    fake::platform().reset();
    report =
        run("mediatype", {Reply::good(modeHeader(0x38)), Reply::good(inquiry("IBM", "ULT3580-TD2")),
                          Reply::good(modeHeader(0x38))});
    EXPECT_EQ(report.status(), 99);
    EXPECT_TRUE(has(report.output(false), "media type code: none\n"));
    EXPECT_TRUE(has(report.errorLine(), "LTO2 cannot recognize the LTO3 media"));
}

}  // namespace
}  // namespace qxtool
