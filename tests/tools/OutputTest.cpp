// What reaches stdout and stderr: JSON that any parser reads, whatever bytes a device or a
// user put into it, one error line that names the device without its password, the words for a
// device's numbers (sense, TapeAlert flags), and the exit status a device's sense maps to, as
// the sg3_utils programs' statuses do.
#include <string>

#include "gtest/gtest.h"
#include "tools/qxscsi/ExitStatus.h"
#include "tools/qxscsi/HexDump.h"
#include "tools/qxscsi/Json.h"
#include "tools/qxscsi/Progress.h"
#include "tools/qxscsi/Report.h"
#include "tools/qxscsi/SenseText.h"
#include "tools/qxscsi/TapeAlertTable.h"

namespace qxtool {
namespace {

TEST(JsonString, EscapesWhatJsonForbidsAndKeepsUtf8) {
    const struct {
        std::string in;
        const char* out;
    } cases[] = {
        {"QX010203", "\"QX010203\""},
        {"a\"b\\c", "\"a\\\"b\\\\c\""},
        {"line\nnext\ttab\rcr", "\"line\\nnext\\ttab\\rcr\""},
        {std::string("\0\x01\x1f\x7f", 4), "\"\\u0000\\u0001\\u001f\\u007f\""},
        {"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x92\xBE",
         "\"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x92\xBE\""},
        {"\xFF", "\"\\ufffd\""},                                   // never a UTF-8 byte
        {"\xC0\xAF", "\"\\ufffd\\ufffd\""},                        // overlong form of '/'
        {"\xED\xA0\x80", "\"\\ufffd\\ufffd\\ufffd\""},             // a surrogate
        {"\xF4\x90\x80\x80", "\"\\ufffd\\ufffd\\ufffd\\ufffd\""},  // beyond U+10FFFF
    };
    for (const auto& c : cases) {
        EXPECT_EQ(jsonString(c.in), c.out);
    }
}

TEST(Report, SuccessPrintsTheLinesOrTheObject) {
    Report report("pr-keys", "/dev/sg1");
    report.line("QX010203");
    report.line("0x0000000000001234");
    report.set("keys", JsonValue::strings({"QX010203", "0x0000000000001234"}));
    EXPECT_EQ(report.status(), 0);
    EXPECT_EQ(report.output(false), "QX010203\n0x0000000000001234\n");
    EXPECT_EQ(report.output(true),
              "{\"command\": \"pr-keys\", \"device\": \"/dev/sg1\", \"schema\": 1, \"keys\": "
              "[\"QX010203\", \"0x0000000000001234\"]}\n");
    EXPECT_EQ(report.errorLine(), "");
}

TEST(Report, FailureIsOneLineNamingTheDeviceWithoutItsPassword) {
    Report report("read", "iscsi://admin%s3cret@192.0.2.1/iqn.2003-01.org.example:d/1");
    report.set("passes", JsonValue::boolean(false));
    report.fail(24, "READ(10) of LBA 0: reservation conflict\nsecond line");
    EXPECT_EQ(report.status(), 24);
    EXPECT_EQ(report.errorLine(),
              "qxscsi: iscsi://admin%***@192.0.2.1/iqn.2003-01.org.example:d/1: READ(10) of LBA "
              "0: reservation conflict second line\n");
    const std::string json = report.output(true);
    EXPECT_EQ(json.find("s3cret"), std::string::npos);
    EXPECT_NE(json.find("\"passes\": false, \"error\": \"READ(10) of LBA 0: reservation "
                        "conflict\\nsecond line\", \"exit_status\": 24}"),
              std::string::npos)
        << json;
}

TEST(HexDump, SixteenBytesALineWithOffsetsAndPrintableText) {
    std::vector<unsigned char> inquiry = {0x01, 0x80, 0x05, 0x12, 0x3d, 0, 0, 0x02};
    for (char c : std::string("QXSCSI  VIRTUAL-TAPE    0100")) {
        inquiry.push_back(static_cast<unsigned char>(c));
    }
    EXPECT_EQ(hexDump(inquiry.data(), inquiry.size()),
              " 00     01 80 05 12 3d 00 00 02  51 58 53 43 53 49 20 20    ....=...QXSCSI  \n"
              " 10     56 49 52 54 55 41 4c 2d  54 41 50 45 20 20 20 20    VIRTUAL-TAPE    \n"
              " 20     30 31 30 30                                         0100\n");
    EXPECT_EQ(hexDump(inquiry.data(), 0), "");
}

TEST(Report, RawRepliesOnlyWhenAskedFor) {
    Report report("tur", "/dev/nst0");
    report.line("ready");
    report.reply("TEST UNIT READY", {0, 0, 0, 0, 0, 0}, {});
    report.reply("INQUIRY", {0x12, 0, 0, 0, 36, 0}, {0x01, 0x80, 'A'});
    EXPECT_EQ(report.output(false), "ready\n");
    EXPECT_EQ(report.output(true).find("replies"), std::string::npos);
    report.showReplies(true);
    EXPECT_EQ(report.output(false).find("ready\nTEST UNIT READY cdb: 00 00 00 00 00 00\n"
                                        "INQUIRY cdb: 12 00 00 00 24 00\n"),
              0U);
    EXPECT_NE(
        report.output(true).find(
            "\"replies\": [{\"command\": \"TEST UNIT READY\", \"cdb\": \"00 00 00 00 00 00\", "
            "\"data\": \"\"}, {\"command\": \"INQUIRY\", \"cdb\": \"12 00 00 00 24 00\", "
            "\"data\": \"01 80 41\"}]"),
        std::string::npos)
        << report.output(true);
}

TEST(Progress, ElapsedTimeInSecondsThenMinutes) {
    EXPECT_EQ(progressLine("SPACE to end of data", std::chrono::milliseconds(1999)),
              "qxscsi: SPACE to end of data: 1 s elapsed");
    EXPECT_EQ(progressLine("ERASE", std::chrono::seconds(3725)),
              "qxscsi: ERASE: 62 min 5 s elapsed");
}

TEST(SenseText, NamesTheKeyWithoutItsFlagsAndThePairsItKnows) {
    EXPECT_EQ(senseText(0x86, 0x29, 0x00),
              "sense key UNIT ATTENTION, ASC 29h ASCQ 00h (power on, reset, or bus device reset "
              "occurred)");
    EXPECT_STREQ(senseKeyName(0xFF), "COMPLETED");
    // A pair outside the table, and a known ASC with an unknown qualifier: numbers only.
    EXPECT_EQ(ascText(0x5D, 0x00), "ASC 5Dh ASCQ 00h");
    EXPECT_EQ(ascText(0x3A, 0x7F), "ASC 3Ah ASCQ 7Fh");
}

TEST(TapeAlertTable, NamesFlagsByNumberAndNeverIndexesOutsideThePage) {
    EXPECT_EQ(tapeAlertLabel(1), "Read warning");
    EXPECT_EQ(tapeAlertLabel(64), "flag 64");
    for (int flag : {-1, 0, 1, 20, 40, 60, 64, 65}) {
        const bool named = flag >= 1 && flag <= 64 && tapeAlertName(flag) != nullptr;
        EXPECT_EQ(tapeAlertSeverity(flag) != nullptr, named) << flag;
        EXPECT_EQ(tapeAlertLabel(flag) == "flag " + std::to_string(flag), !named) << flag;
    }
}

TEST(ExitStatus, SenseKeysMapOntoTheTable) {
    const struct {
        unsigned char key;
        unsigned char asc;
        int status;
    } cases[] = {
        {0x02, 0x04, 2},
        {0x03, 0x11, 3},
        {0x05, 0x24, 5},
        {0x05, 0x20, 9},
        {0x06, 0x29, 6},
        {0x07, 0x27, 7},
        {0x00, 0x00, 99},
        // The flag bits of sense byte 2 (FILEMARK, EOM, ILI) do not change the key.
        {0x86, 0x29, 6},
        {0x25, 0x20, 9},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(statusForSense(c.key, c.asc), c.status) << int(c.key) << "/" << int(c.asc);
    }
}

}  // namespace
}  // namespace qxtool
