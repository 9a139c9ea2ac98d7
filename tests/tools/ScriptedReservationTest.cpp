// The reservation commands against the scripted platform: the forced reserve's outcome for each
// state of the device, the exit statuses of the handle's failures, and that the device is opened
// by one object at a time (a tape node allows one opener).
#include <algorithm>
#include <string>
#include <vector>

#include "double/FakePlatform.h"
#include "reservation/PrDeviceModel.h"
#include "tools/qxscsi/Arguments.h"
#include "tools/qxscsi/Commands.h"

namespace qxtool {
namespace {

using fake::Reply;

const char* const kPath = "/dev/nst0";

class ScriptedReservation : public fake::Test {
  protected:
    // A device with these registrations and this holder; PERSISTENT RESERVE OUT answered with
    // out. Records the most objects that had the device open at once.
    void device(std::vector<std::string> keys, std::string holder, Reply out = Reply::good()) {
        fake::platform().setResponder([=](const fake::Command& c) {
            m_mostOpen = std::max(m_mostOpen, fake::platform().targetsLive);
            if (c.cdb[0] == 0x5E) {
                return Reply::good((c.cdb[1] & 0x1F) == 0 ? prmodel::keysData(keys)
                                                          : prmodel::reservationData(holder));
            }
            return c.cdb[0] == 0x5F ? out : Reply::good();
        });
    }

    Report run(const std::vector<std::string>& args) {
        const ParsedArguments parsed = parseArguments(args);
        EXPECT_EQ(parsed.error, "");
        Report report(parsed.invocation.command->name, parsed.invocation.device);
        LogCapture log(0, stderr);
        runCommand(parsed.invocation, report, log);
        m_json = report.output(true);
        return report;
    }

    // The PERSISTENT RESERVE OUT service actions sent, in order.
    std::vector<int> outActions() const {
        std::vector<int> actions;
        for (const fake::Command& c : fake::platform().sent()) {
            if (c.cdb[0] == 0x5F) {
                actions.push_back(c.cdb[1] & 0x1F);
            }
        }
        return actions;
    }

    int m_mostOpen = 0;
    std::string m_json;
};

TEST_F(ScriptedReservation, TheForcedReserveReportsItsOutcome) {
    const struct {
        std::vector<std::string> keys;
        std::string holder;
        const char* outcome;
        std::vector<int> actions;  // REGISTER AND IGNORE 6, RESERVE 1, PREEMPT 4
    } rows[] = {
        {{}, "", "reserved", {6, 1}},
        {{"QX010203"}, "", "reserved", {1}},
        {{"QX010203"}, "QX010203", "already held", {}},
        {{"QX040506"}, "QX040506", "pre-empted", {6, 4}},
    };
    for (const auto& row : rows) {
        fake::platform().reset();
        m_mostOpen = 0;
        device(row.keys, row.holder);
        const Report report = run({"pr-reserve", "--host", "1,2,3", kPath});
        EXPECT_EQ(report.status(), 0) << row.outcome;
        EXPECT_EQ(report.output(false), std::string("key QX010203: ") + row.outcome + "\n");
        EXPECT_NE(m_json.find(std::string("\"outcome\": \"") + row.outcome + "\""),
                  std::string::npos)
            << m_json;
        EXPECT_EQ(outActions(), row.actions) << row.outcome;
        EXPECT_EQ(fake::platform().sent(0).cdb[0], 0x00) << "the greeting comes first";
        EXPECT_EQ(m_mostOpen, 1) << row.outcome;
    }
}

TEST_F(ScriptedReservation, HandleFailuresExitByTheirCode) {
    device({"QX040506"}, "QX040506", Reply::conflict());
    Report report = run({"pr-release", "--key", "QX040506", kPath});
    EXPECT_EQ(report.status(), 24);
    EXPECT_NE(report.errorLine().find("Reservation conflict occurred. (code 45002)"),
              std::string::npos)
        << report.errorLine();

    fake::platform().reset();
    fake::platform().setResponder([](const fake::Command& c) {
        return c.cdb[0] == 0x5E ? Reply::check(0x05, 0x20, 0x00) : Reply::good();
    });
    report = run({"pr-reservation", kPath});
    EXPECT_EQ(report.status(), 99);
    EXPECT_NE(report.errorLine().find("reading the reservation failed"), std::string::npos)
        << report.errorLine();
    EXPECT_NE(m_json.find("\"exit_status\": 99"), std::string::npos);
}

}  // namespace
}  // namespace qxtool
