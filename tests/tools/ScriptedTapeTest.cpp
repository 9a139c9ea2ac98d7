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
    Report run(const std::string& name, const std::vector<Reply>& replies,
               const std::string& family = "", bool eod = false) {
        for (const Reply& r : replies) {
            fake::platform().reply(r);
        }
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

// What a tape drive answers, and what the command makes of it: its exit status, a part of its
// text (of the error line when it failed), a part of its JSON, and the commands it sent (when
// given). A no is an answer: no error line with status 36, as with 0.
struct Case {
    const char* command;
    std::vector<Reply> replies;
    int status;
    const char* said;
    const char* json;
    std::vector<Bytes> cdbs = {};
    const char* family = "";
    bool eod = false;
};

Case row(const char* command, std::vector<Reply> replies, int status, const char* said,
         const char* json, std::vector<Bytes> cdbs = {}, const char* family = "",
         bool eod = false) {
    return {command, std::move(replies), status, said, json, std::move(cdbs), family, eod};
}

// TapeAlert flags 3 (warning), 20 (critical) and 47 (unnamed) set among all 64, or none set.
Bytes tapeAlertPage(bool set) {
    Bytes body;
    for (int code = 1; code <= 64; ++code) {
        parameter(body, code, !set ? 0 : code == 20 ? 1 : code == 3 ? 2 : code == 47 ? 1 : 0);
    }
    return logPage(0x2E, body);
}

TEST_F(TapeCommand, EachCommandOnEachKindOfAnswer) {
    Bytes serial = bytes({0x01, 0x80, 0, 12});
    for (char c : std::string("   QXT0003  ")) {
        serial.push_back(static_cast<unsigned char>(c));
    }
    const Bytes inquiryCdb = bytes({0x12, 0, 0, 0, 36, 0}),
                positionCdb = bytes({0x34, 0, 0, 0, 0, 0, 0, 0, 0, 0}),
                spaceCdb = bytes({0x11, 0x03, 0, 0, 0, 0}),
                pagesCdb = bytes({0x4D, 0, 0x40, 0, 0, 0, 0, 0x01, 0x00, 0});
    const Reply hp = Reply::good(inquiry("HP", "Ultrium 3-SCSI"));
    const Case cases[] = {
        row("identify",
            {Reply::good(inquiry("IBM", "ULT3580-TD3")), Reply::good(serial),
             Reply::good(logPage(0, {0, 0x0C, 0x2E}))},
            0, "vendor: IBM\nproduct: ULT3580-TD3\nrevision: 1\nserial: QXT0003\nTapeAlert: yes\n",
            "\"serial\": \"QXT0003\", \"tapealert\": true",
            {inquiryCdb, bytes({0x12, 0x01, 0x80, 0, 252, 0}), pagesCdb}),
        // Without the serial number page or log pages the device still identifies itself; a
        // hostile identification prints no control characters.
        row("identify",
            {Reply::good(inquiry("X\x1b[2J", "TAPE")), Reply::check(0x05, 0x24, 0x00),
             Reply::check(0x05, 0x20, 0x00)},
            0, "vendor: X.[2J\nproduct: TAPE\nrevision: 1\nserial: none\nTapeAlert: no\n",
            "\"serial\": null, \"tapealert\": false"),
        row("identify", {Reply::throwQx("gone", 5)}, 99, "INQUIRY could not be sent", ""),
        row("identify", {Reply::good(inquiry("IBM", "X")), Reply::conflict()}, 24, "", ""),
        row("tur", {Reply::good()}, 0, "ready\n", "", {bytes({0, 0, 0, 0, 0, 0})}),
        row("tur", {Reply::check(0x02, 0x3A, 0x00)}, 2, "TEST UNIT READY: sense key NOT READY", ""),
        row("lock", {}, 0, "medium removal prevented\n", "", {bytes({0x1E, 0, 0, 0, 1, 0})}),
        row("unlock", {}, 0, "medium removal allowed\n", "", {bytes({0x1E, 0, 0, 0, 0, 0})}),
        row("position", {Reply::good(bytes({0x80, 0, 0, 0, 0, 0, 0, 0}))}, 0,
            "partition 0, block 0 (beginning of partition)\n",
            "\"partition\": 0, \"block\": 0, \"beginning_of_partition\": true", {positionCdb}),
        row("position", {Reply::good(bytes({0, 1, 0, 0, 0x81, 0x02, 0x03, 0x04}))}, 0,
            "partition 1, block 2164392708\n", "\"partition\": 1, \"block\": 2164392708"),
        row("position", {Reply::good(bytes({0x40, 0, 0, 0, 0, 0, 0, 9}))}, 0,
            "partition 0, block 9 (end of partition)\n", "\"end_of_partition\": true"),
        // The drive does not know its block position: no number is made up.
        row("position", {Reply::good(bytes({0x14, 0, 0, 0, 0, 0, 0, 0}))}, 0,
            "partition 0, block unknown\n", "\"block\": null"),
        row("position", {Reply::good(), Reply::good(bytes({0, 0, 0, 0, 0, 0, 1, 0}))}, 0,
            "partition 0, block 256\n", "", {spaceCdb, positionCdb}, "", true),
        row("position", {Reply::check(0x03, 0x14, 0x03)}, 3,
            "SPACE to end of data: sense key MEDIUM ERROR, ASC 14h ASCQ 03h (end of data not "
            "found)",
            "", {spaceCdb}, "", true),
        row("tapealert", {Reply::good(logPage(0, {0, 0x2E})), Reply::good(tapeAlertPage(true))}, 0,
            "flag 3: Hard error (warning)\nflag 20: Clean now (critical)\nflag 47\n",
            "{\"flag\": 20, \"name\": \"Clean now\", \"severity\": \"critical\"}, "
            "{\"flag\": 47, \"name\": null, \"severity\": null}",
            {pagesCdb, bytes({0x4D, 0, 0x6E, 0, 0, 0, 0, 0x01, 0x60, 0})}),
        row("tapealert", {Reply::good(logPage(0, {0x2E})), Reply::good(tapeAlertPage(false))}, 0,
            "no flag set\n", "\"flags\": []"),
        // No TapeAlert page: the page itself is not asked for.
        row("tapealert", {Reply::good(logPage(0, {0, 0x0C, 0x31}))}, 5,
            "the drive has no TapeAlert log page", "", {pagesCdb}),
        row("tapealert", {Reply::check(0x05, 0x20, 0x00)}, 5, "no TapeAlert log page", "",
            {pagesCdb}),
        // LTO of a vendor other than IBM and CERTANCE: bit 0 of the medium type.
        row("worm", {hp, Reply::good(modeHeader(0x01))}, 0, "WORM (lto test)\n",
            "\"family\": \"lto\", \"worm\": true, \"code\": null", {}, "lto"),
        row("worm", {hp, Reply::good(modeHeader(0x00))}, 36, "not WORM (lto test)\n",
            "\"worm\": false, \"code\": null, \"exit_status\": 36", {}, "lto"),
        row("mediatype",
            {Reply::good(modeHeader(0x38)), Reply::good(inquiry("IBM", "ULTRIUM-TD3")),
             Reply::good(modeHeader(0x38))},
            0, "media type code: 143\ndrive: IBM ULTRIUM-TD3\nmedium type: 38h\n",
            "\"code\": 143, \"vendor\": \"IBM\", \"product\": \"ULTRIUM-TD3\", \"medium_type\": 56",
            {bytes({0x1A, 0, 0, 0, 128, 0}), inquiryCdb, bytes({0x1A, 0, 0, 0, 128, 0})}),
        // An LTO3 cartridge in a second-generation drive: no code, and the library's reason.
        row("mediatype",
            {Reply::good(modeHeader(0x38)), Reply::good(inquiry("IBM", "ULT3580-TD2")),
             Reply::good(modeHeader(0x38))},
            99, "LTO2 cannot recognize the LTO3 media", ""),
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.command) + ": " + c.said);
        fake::platform().reset();
        const Report report = run(c.command, c.replies, c.family, c.eod);
        const bool answered = c.status == 0 || c.status == 36;
        EXPECT_EQ(report.status(), c.status) << report.errorLine();
        EXPECT_TRUE(has(answered ? report.output(false) : report.errorLine(), c.said))
            << report.output(false) << report.errorLine();
        EXPECT_TRUE(has(report.output(true), c.json)) << report.output(true);
        EXPECT_TRUE(!answered || report.errorLine().empty()) << report.errorLine();
        EXPECT_TRUE(c.cdbs.empty() || cdbs() == c.cdbs);
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

}  // namespace
}  // namespace qxtool
