// The tool's device-facing parts against the scripted platform: the greeting that takes a new
// nexus's unit attention, and read's commands and exit statuses for each class of answer.
#include <string>

#include "double/FakePlatform.h"
#include "qxscsi/QXNTSpti.h"
#include "tools/qxscsi/Commands.h"
#include "tools/qxscsi/DeviceAccess.h"

namespace qxtool {
namespace {

using fake::bytes;
using fake::Reply;

const char* const kPath = "/dev/sg7";

class DeviceGreeting : public fake::Test {};

TEST_F(DeviceGreeting, TakesPowerOnAttentionsAndLeavesOtherAnswersToTheCommand) {
    const Reply reset = Reply::check(0x06, 0x29, 0x00);
    const struct {
        const char* what;
        std::initializer_list<Reply> replies;  // one for each TEST UNIT READY it is to send
        int status;
        const char* reason;
    } rows[] = {
        {"ready", {Reply::good()}, 0, ""},
        {"new nexus", {reset, Reply::good()}, 0, ""},
        // A tape drive without a cartridge still answers the commands that need none.
        {"not ready", {Reply::check(0x02, 0x3A, 0x00)}, 0, ""},
        {"pre-empted", {reset, Reply::check(0x06, 0x2A, 0x03)}, 6, "ASC 2Ah ASCQ 03h"},
        {"endless resets", {reset, reset, reset, reset}, 6, "keeps reporting unit attention"},
        {"transport", {Reply::throwQx("reset", 104)}, 99, "TEST UNIT READY could not be sent"},
    };
    for (const auto& row : rows) {
        fake::platform().reset();
        fake::platform().replies(row.replies);
        std::string reason;
        int status = -1;
        {
            DeviceAccess device(kPath);
            status = device.open(reason);
        }
        EXPECT_EQ(status, row.status) << row.what;
        EXPECT_NE(reason.find(row.reason), std::string::npos) << row.what << ": " << reason;
        ASSERT_EQ(fake::platform().sentCount(), row.replies.size()) << row.what;
        for (const fake::Command& c : fake::platform().sent()) {
            EXPECT_EQ(c.cdb, bytes({0, 0, 0, 0, 0, 0})) << row.what;
        }
    }
}

class ReadCommand : public fake::Test {
  protected:
    // Runs read at lba on a device that answers READ CAPACITY(10) with capacity, then reply.
    Report run(unsigned long lba, const fake::Bytes& capacity, const Reply& reply) {
        fake::platform().replies({Reply::good(capacity), reply});
        Invocation invocation;
        invocation.command = findCommand("read");
        invocation.device = kPath;
        invocation.lba = lba;
        Report report("read", kPath);
        QXNTSpti spti(0, kPath);
        runRead(invocation, spti, report);
        return report;
    }
    const fake::Bytes k512 = bytes({0, 0x01, 0xFF, 0xFF, 0, 0, 0x02, 0x00});
};

TEST_F(ReadCommand, EachClassOfRefusalHasItsExitStatus) {
    const struct {
        const char* what;
        Reply reply;
        int status;
        const char* reason;
    } rows[] = {
        {"passes", Reply::good(), 0, ""},
        {"fenced", Reply::conflict(), 24, "READ(10) of LBA 305419896: reservation conflict"},
        {"beyond the end", Reply::check(0x05, 0x21, 0x00), 5,
         "sense key ILLEGAL REQUEST, ASC 21h ASCQ 00h"},
        {"busy", Reply::status(8), 99, "SCSI status 8"},
        {"transport", Reply::throwQx("gone", 5), 99, "could not be sent"},
    };
    for (const auto& row : rows) {
        fake::platform().reset();
        const Report report = run(0x12345678UL, k512, row.reply);
        EXPECT_EQ(report.status(), row.status) << row.what;
        EXPECT_NE(report.errorLine().find(row.reason), std::string::npos)
            << row.what << ": " << report.errorLine();
        EXPECT_NE(
            report.output(true).find(row.status == 0 ? "\"passes\": true" : "\"passes\": false"),
            std::string::npos)
            << row.what;
        // One block of the reported length at the address.
        ASSERT_EQ(fake::platform().sentCount(), 2U);
        EXPECT_EQ(fake::platform().sent(0).cdb, bytes({0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
        EXPECT_EQ(fake::platform().sent(1).cdb,
                  bytes({0x28, 0, 0x12, 0x34, 0x56, 0x78, 0, 0, 1, 0}));
        EXPECT_EQ(fake::platform().sent(1).dataLength, 512);
    }
}

TEST_F(ReadCommand, ABlockLengthNoDiskHasIsRefusedBeforeAnyBufferIsSized) {
    for (const fake::Bytes& capacity :
         {bytes({0, 0, 0, 0, 0, 0, 0, 0}), bytes({0, 0, 0, 0, 0x01, 0, 0, 0x01}),
          bytes({0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF})}) {
        fake::platform().reset();
        const Report report = run(0, capacity, Reply::good());
        EXPECT_EQ(report.status(), 99);
        EXPECT_NE(report.errorLine().find("block length"), std::string::npos);
        EXPECT_EQ(fake::platform().sentCount(), 1U) << "no READ(10) after a bad length";
    }
}

}  // namespace
}  // namespace qxtool
