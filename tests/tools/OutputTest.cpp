// What reaches stdout and stderr: JSON that any parser reads, whatever bytes a device or a
// user put into it, and one error line that names the device without its password.
#include <string>

#include "gtest/gtest.h"
#include "tools/qxscsi/Json.h"
#include "tools/qxscsi/Report.h"

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
        {"\xC3", "\"\\ufffd\""},                                   // sequence cut short at the end
        {"\xC3(", "\"\\ufffd(\""},                                 // continuation byte missing
        {"\xC0\xAF", "\"\\ufffd\\ufffd\""},                        // overlong form of '/'
        {"\xED\xA0\x80", "\"\\ufffd\\ufffd\\ufffd\""},             // a surrogate
        {"\xF4\x90\x80\x80", "\"\\ufffd\\ufffd\\ufffd\\ufffd\""},  // beyond U+10FFFF
    };
    for (const auto& c : cases) {
        EXPECT_EQ(jsonString(c.in), c.out);
    }
}

TEST(JsonObject, KeepsTheOrderOfFirstSettingAndTheLastValue) {
    JsonObject object;
    object.set("command", JsonValue::string("pr-keys"));
    object.set("keys", JsonValue::strings({}));
    object.set("schema", JsonValue::number(1));
    object.set("keys", JsonValue::strings({"A", "B"}));
    object.set("holder", JsonValue::null());
    object.set("passes", JsonValue::boolean(false));
    EXPECT_EQ(object.text(),
              "{\"command\": \"pr-keys\", \"keys\": [\"A\", \"B\"], \"schema\": 1, "
              "\"holder\": null, \"passes\": false}");
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

TEST(Report, CommandsWithoutADeviceHaveNoDeviceMember) {
    Report report("makekey", "");
    report.set("key", JsonValue::string("QX010203"));
    EXPECT_EQ(report.output(true),
              "{\"command\": \"makekey\", \"schema\": 1, \"key\": \"QX010203\"}\n");
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

}  // namespace
}  // namespace qxtool
