// The tool's commands against the scripted platform, each run as its command line asks: the
// greeting that takes a new nexus's unit attention, then the commands each sends, what it makes
// of each kind of reply, and its exit status when the device refuses or cannot be reached.
#include <algorithm>
#include <string>
#include <vector>

#include "double/FakePlatform.h"
#include "reservation/PrDeviceModel.h"
#include "tools/qxscsi/Arguments.h"
#include "tools/qxscsi/Commands.h"
#include "tools/qxscsi/Exchange.h"
#include "tools/qxscsi/TapeCommands.h"

namespace qxtool {
namespace {

using fake::Bytes;
using fake::bytes;
using fake::inquiry;
using fake::logPage;
using fake::Reply;
using prmodel::keysData;
using prmodel::reservationData;

const char* const kPath = "/dev/nst0";

// A command line (the device follows), what the device answers after the greeting, and what the
// command makes of it: its exit status, a part of its text (of the error line when it failed), a
// part of its JSON, and the commands it sent after the greeting (when given). A no is an answer:
// no error line with status 36, as with 0. The greeting's TEST UNIT READY is answered GOOD.
struct Case {
    std::vector<std::string> args;
    std::vector<Reply> replies;
    int status;
    const char* said;
    const char* json;
    std::vector<Bytes> cdbs;
    std::vector<Reply> greeting = {Reply::good()};
};

Case row(std::vector<std::string> args, std::vector<Reply> replies, int status, const char* said,
         const char* json, std::vector<Bytes> cdbs = {}) {
    return {std::move(args), std::move(replies), status, said, json, std::move(cdbs)};
}

// tur, with the greeting's TEST UNIT READY answered so (and every later command GOOD).
Case greeted(std::vector<Reply> greeting, int status, const char* said) {
    return {{"tur"}, {}, status, said, "", {}, std::move(greeting)};
}

// A TapeAlert page of all 64 flags: 3 (warning), 20 (critical) and 47 (unnamed) set, or none.
Bytes tapeAlertPage(bool set) {
    Bytes body;
    for (int code = 1; code <= 64; ++code) {
        const unsigned char value = !set ? 0 : code == 20 ? 1 : code == 3 ? 2 : code == 47 ? 1 : 0;
        body.insert(body.end(), {0, static_cast<unsigned char>(code), 0, 1, value});
    }
    return logPage(0x2E, body);
}

// A mode parameter header with this medium type, and no block descriptor.
Bytes modeHeader(unsigned char mediumType) {
    return bytes({3, mediumType, 0, 0});
}

class ScriptedCommand : public fake::Test {};

TEST_F(ScriptedCommand, EachCommandOnEachKindOfAnswer) {
    Bytes serial = bytes({0x01, 0x80, 0, 12});
    for (char c : std::string("   QXT0003  ")) {
        serial.push_back(static_cast<unsigned char>(c));
    }
    const Bytes inquiryCdb = bytes({0x12, 0, 0, 0, 36, 0}),
                positionCdb = bytes({0x34, 0, 0, 0, 0, 0, 0, 0, 0, 0}),
                spaceCdb = bytes({0x11, 0x03, 0, 0, 0, 0}),
                pagesCdb = bytes({0x4D, 0, 0x40, 0, 0, 0, 0, 0x01, 0x00, 0}),
                capacityCdb = bytes({0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0}),
                readCdb = bytes({0x28, 0, 0x12, 0x34, 0x56, 0x78, 0, 0, 1, 0}),
                senseModeCdb = bytes({0x1A, 0, 0, 0, 128, 0});
    const Reply hp = Reply::good(inquiry("HP", "Ultrium 3-SCSI")),
                capacity = Reply::good(bytes({0, 0x01, 0xFF, 0xFF, 0, 0, 0x02, 0x00}));
    const std::vector<std::string> read = {"read", "--lba", "0x12345678"};
    const Reply reset = Reply::check(0x06, 0x29, 0x00);
    const Case cases[] = {
        // The greeting takes a new nexus's power-on attentions and leaves other answers to the
        // command: a tape drive without a cartridge still answers the commands that need none.
        greeted({reset, Reply::good()}, 0, "ready\n"),
        greeted({Reply::check(0x02, 0x3A, 0x00)}, 0, "ready\n"),
        greeted({reset, Reply::check(0x06, 0x2A, 0x03)}, 6, "ASC 2Ah ASCQ 03h"),
        greeted({reset, reset, reset, reset}, 6, "keeps reporting unit attention"),
        greeted({Reply::throwQx("reset", 104)}, 99, "TEST UNIT READY could not be sent"),
        row({"identify"},
            {Reply::good(inquiry("IBM", "ULT3580-TD3")), Reply::good(serial),
             Reply::good(logPage(0, {0, 0x0C, 0x2E}))},
            0, "vendor: IBM\nproduct: ULT3580-TD3\nrevision: 1\nserial: QXT0003\nTapeAlert: yes\n",
            "\"serial\": \"QXT0003\", \"tapealert\": true",
            {inquiryCdb, bytes({0x12, 0x01, 0x80, 0, 252, 0}), pagesCdb}),
        // Without the serial number page or log pages the device still identifies itself; a
        // hostile identification prints no control characters.
        row({"identify"},
            {Reply::good(inquiry("X\x1b[2J", "TAPE")), Reply::check(0x05, 0x24, 0x00),
             Reply::check(0x05, 0x20, 0x00)},
            0, "vendor: X.[2J\nproduct: TAPE\nrevision: 1\nserial: none\nTapeAlert: no\n",
            "\"serial\": null, \"tapealert\": false"),
        row({"identify"}, {Reply::throwQx("gone", 5)}, 99, "INQUIRY could not be sent", ""),
        row({"identify"}, {Reply::good(inquiry("IBM", "X")), Reply::conflict()}, 24, "", ""),
        row({"tur"}, {Reply::good()}, 0, "ready\n", "", {bytes({0, 0, 0, 0, 0, 0})}),
        row({"tur"}, {Reply::check(0x02, 0x3A, 0x00)}, 2, "TEST UNIT READY: sense key NOT READY",
            ""),
        row({"lock"}, {}, 0, "medium removal prevented\n", "", {bytes({0x1E, 0, 0, 0, 1, 0})}),
        row({"unlock"}, {}, 0, "medium removal allowed\n", "", {bytes({0x1E, 0, 0, 0, 0, 0})}),
        row({"position"}, {Reply::good(bytes({0x80, 0, 0, 0, 0, 0, 0, 0}))}, 0,
            "partition 0, block 0 (beginning of partition)\n",
            "\"partition\": 0, \"block\": 0, \"beginning_of_partition\": true", {positionCdb}),
        row({"position"}, {Reply::good(bytes({0, 1, 0, 0, 0x81, 0x02, 0x03, 0x04}))}, 0,
            "partition 1, block 2164392708\n", "\"partition\": 1, \"block\": 2164392708"),
        row({"position"}, {Reply::good(bytes({0x40, 0, 0, 0, 0, 0, 0, 9}))}, 0,
            "partition 0, block 9 (end of partition)\n", "\"end_of_partition\": true"),
        // The drive does not know its block position: no number is made up.
        row({"position"}, {Reply::good(bytes({0x14, 0, 0, 0, 0, 0, 0, 0}))}, 0,
            "partition 0, block unknown\n", "\"block\": null"),
        row({"position", "--eod"}, {Reply::good(), Reply::good(bytes({0, 0, 0, 0, 0, 0, 1, 0}))}, 0,
            "partition 0, block 256\n", "", {spaceCdb, positionCdb}),
        row({"position", "--eod"}, {Reply::check(0x03, 0x14, 0x03)}, 3,
            "SPACE to end of data: sense key MEDIUM ERROR, ASC 14h ASCQ 03h (end of data not "
            "found)",
            "", {spaceCdb}),
        row({"tapealert"}, {Reply::good(logPage(0, {0, 0x2E})), Reply::good(tapeAlertPage(true))},
            0, "flag 3: Hard error (warning)\nflag 20: Clean now (critical)\nflag 47\n",
            "{\"flag\": 20, \"name\": \"Clean now\", \"severity\": \"critical\"}, "
            "{\"flag\": 47, \"name\": null, \"severity\": null}",
            {pagesCdb, bytes({0x4D, 0, 0x6E, 0, 0, 0, 0, 0x01, 0x60, 0})}),
        row({"tapealert"}, {Reply::good(logPage(0, {0x2E})), Reply::good(tapeAlertPage(false))}, 0,
            "no flag set\n", "\"flags\": []"),
        // No TapeAlert page: the page itself is not asked for.
        row({"tapealert"}, {Reply::good(logPage(0, {0, 0x0C, 0x31}))}, 5,
            "the drive has no TapeAlert log page", "", {pagesCdb}),
        row({"tapealert"}, {Reply::check(0x05, 0x20, 0x00)}, 5, "no TapeAlert log page", "",
            {pagesCdb}),
        // LTO of a vendor other than IBM and CERTANCE: bit 0 of the medium type.
        row({"worm", "--family", "lto"}, {hp, Reply::good(modeHeader(0x01))}, 0,
            "WORM (lto test)\n", "\"family\": \"lto\", \"worm\": true, \"code\": null"),
        row({"worm", "--family", "lto"}, {hp, Reply::good(modeHeader(0x00))}, 36,
            "not WORM (lto test)\n", "\"worm\": false, \"code\": null, \"exit_status\": 36"),
        // Without a family, the drive's identity gives it: the family's test follows INQUIRY.
        row({"worm"}, {Reply::good(inquiry("IBM", "ULT3580-TD2"))}, 36, "", "\"family\": \"lto\"",
            {inquiryCdb, bytes({0x1A, 0, 0, 0, 0x80, 0})}),
        row({"worm"}, {Reply::good(inquiry("QUANTUM", "DLT-S4"))}, 36, "", "\"family\": \"dlt\"",
            {inquiryCdb, bytes({0x8C, 0, 0, 0, 0, 0, 0, 0, 4, 8, 0, 0, 0, 10, 0, 0})}),
        row({"worm"}, {Reply::good(inquiry("SONY", "SDX-700C"))}, 36, "", "\"family\": \"ait\"",
            {inquiryCdb, bytes({0x1A, 0, 0x31, 0, 0x80, 0})}),
        row({"worm"}, {Reply::good(inquiry("STK", "T9840C"))}, 36, "", "\"family\": \"volsafe\"",
            {inquiryCdb, bytes({0x03, 0, 0, 0, 0xFF, 0})}),
        row({"worm"}, {Reply::good(inquiry("QXSCSI", "VIRTUAL-TAPE"))}, 1, "give --family", "",
            {inquiryCdb}),
        row({"mediatype"},
            {Reply::good(modeHeader(0x38)), Reply::good(inquiry("IBM", "ULTRIUM-TD3")),
             Reply::good(modeHeader(0x38))},
            0, "media type code: 143\ndrive: IBM ULTRIUM-TD3\nmedium type: 38h\n",
            "\"code\": 143, \"vendor\": \"IBM\", \"product\": \"ULTRIUM-TD3\", \"medium_type\": 56",
            {senseModeCdb, inquiryCdb, senseModeCdb}),
        // An LTO3 cartridge in a second-generation drive: no code, and the library's reason.
        row({"mediatype"},
            {Reply::good(modeHeader(0x38)), Reply::good(inquiry("IBM", "ULT3580-TD2")),
             Reply::good(modeHeader(0x38))},
            99, "LTO2 cannot recognize the LTO3 media", ""),
        // read: one block of the length READ CAPACITY(10) reports, at the address.
        row(read, {capacity, Reply::good()}, 0, "LBA 305419896: passes\n", "\"passes\": true",
            {capacityCdb, readCdb}),
        row(read, {capacity, Reply::conflict()}, 24,
            "READ(10) of LBA 305419896: reservation conflict", "\"passes\": false"),
        row(read, {capacity, Reply::check(0x05, 0x21, 0x00)}, 5,
            "sense key ILLEGAL REQUEST, ASC 21h ASCQ 00h", "\"passes\": false"),
        row(read, {capacity, Reply::status(8)}, 99, "SCSI status 8", "\"passes\": false"),
        row(read, {capacity, Reply::throwQx("gone", 5)}, 99, "could not be sent", ""),
        // A block length no disk has is refused before any buffer is sized.
        row(read, {Reply::good(bytes({0, 0, 0, 0, 0, 0, 0, 0}))}, 99, "block length", "",
            {capacityCdb}),
        row(read, {Reply::good(bytes({0, 0, 0, 0, 0x01, 0, 0, 0x01}))}, 99, "block length", "",
            {capacityCdb}),
        row(read, {Reply::good(bytes({0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}))}, 99, "block length",
            "", {capacityCdb}),
        // The forced reserve's outcome for each state of the device; its commands are the
        // workflow's own.
        row({"pr-reserve", "--host", "1,2,3"},
            {Reply::good(keysData({})), Reply::good(), Reply::good(reservationData("")),
             Reply::good()},
            0, "key QX010203: reserved\n", "\"outcome\": \"reserved\""),
        row({"pr-reserve", "--host", "1,2,3"},
            {Reply::good(keysData({"QX010203"})), Reply::good(reservationData(""))}, 0,
            "key QX010203: reserved\n", "\"outcome\": \"reserved\""),
        row({"pr-reserve", "--host", "1,2,3"},
            {Reply::good(keysData({"QX010203"})), Reply::good(reservationData("QX010203"))}, 0,
            "key QX010203: already held\n", "\"outcome\": \"already held\""),
        row({"pr-reserve", "--host", "1,2,3"},
            {Reply::good(keysData({"QX040506"})), Reply::good(),
             Reply::good(reservationData("QX040506"))},
            0, "key QX010203: pre-empted\n", "\"outcome\": \"pre-empted\""),
        // The handle's failures exit by their code.
        row({"pr-release", "--key", "QX040506"}, {Reply::conflict()}, 24,
            "Reservation conflict occurred. (code 45002)", ""),
        row({"pr-reservation"}, {Reply::check(0x05, 0x20, 0x00)}, 99,
            "reading the reservation failed", "\"exit_status\": 99"),
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[0] + ": " + c.said);
        fake::platform().reset();
        for (const std::vector<Reply>* replies : {&c.greeting, &c.replies}) {
            for (const Reply& r : *replies) {
                fake::platform().reply(r);
            }
        }
        std::vector<std::string> args = c.args;
        args.push_back(kPath);
        const ParsedArguments parsed = parseArguments(args);
        ASSERT_EQ(parsed.error, "");
        Report report(parsed.invocation.command->name, kPath);
        runCommand(parsed.invocation, report);

        const bool answered = c.status == 0 || c.status == 36;
        const std::string text = answered ? report.output(false) : report.errorLine();
        EXPECT_EQ(report.status(), c.status) << report.errorLine();
        EXPECT_NE(text.find(c.said), std::string::npos) << text;
        EXPECT_NE(report.output(true).find(c.json), std::string::npos) << report.output(true);
        EXPECT_TRUE(!answered || report.errorLine().empty()) << report.errorLine();
        std::vector<Bytes> sent;
        for (const fake::Command& command : fake::platform().sent()) {
            sent.push_back(command.cdb);
        }
        const std::size_t greeting = std::min(c.greeting.size(), sent.size());
        EXPECT_EQ(std::vector<Bytes>(sent.begin(), sent.begin() + greeting),
                  std::vector<Bytes>(c.greeting.size(), bytes({0, 0, 0, 0, 0, 0})))
            << "the greeting comes first";
        EXPECT_TRUE(c.cdbs.empty() ||
                    std::vector<Bytes>(sent.begin() + greeting, sent.end()) == c.cdbs);
        EXPECT_EQ(fake::platform().mostLive, 1) << "a tape node allows one opener at a time";
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

}  // namespace
}  // namespace qxtool
