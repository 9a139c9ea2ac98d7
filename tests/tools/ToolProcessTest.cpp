// The tool as a process, without a device: help, version, bad input, keys, and devices that
// cannot be opened. Scripts read its exit status and parse its JSON; so do these tests.
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "gtest/gtest.h"
#include "tests/tools/RunTool.h"

namespace tooltest {
namespace {

using nlohmann::json;

TEST(ToolProcess, HelpVersionAndCommandHelpExitZero) {
    const ToolRun help = runTool({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("Exit status:"), std::string::npos);
    EXPECT_EQ(help.err, "");

    const ToolRun version = runTool({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.compare(0, 7, "qxscsi "), 0) << version.out;

    const ToolRun one = runTool({"read", "-h"});
    EXPECT_EQ(one.status, 0);
    EXPECT_NE(one.out.find("Example:\n  qxscsi read"), std::string::npos) << one.out;
}

TEST(ToolProcess, BadInputExitsOneWithAReasonAndTheUsageLine) {
    const std::vector<std::vector<std::string>> lines = {
        {},
        {"frobnicate", "/dev/null"},
        {"pr-register", "--key", "TOO\nLONGKEY", "/dev/null"},
    };
    for (const auto& args : lines) {
        const ToolRun run = runTool(args);
        const std::string shown = args.empty() ? "(nothing)" : args[0];
        EXPECT_EQ(run.status, 1) << shown;
        EXPECT_EQ(run.out, "") << shown;
        // Two lines: the reason, then the usage.
        EXPECT_EQ(run.err.compare(0, 8, "qxscsi: "), 0) << run.err;
        const std::size_t first = run.err.find('\n');
        ASSERT_NE(first, std::string::npos) << shown;
        EXPECT_EQ(run.err.compare(first + 1, 14, "usage: qxscsi "), 0) << run.err;
        EXPECT_EQ(run.err.find('\n', first + 1), run.err.size() - 1) << run.err;
    }
}

TEST(ToolProcess, BadInputWithJsonStillGivesTheScriptAnObject) {
    const ToolRun known = runTool({"pr-register", "--key", "TOOLONGKEY", "/dev/null", "--json"});
    EXPECT_EQ(known.status, 1);
    json object = json::parse(known.out);
    EXPECT_EQ(object["command"], "pr-register");
    EXPECT_EQ(object["schema"], 1);
    EXPECT_EQ(object["exit_status"], 1);
    EXPECT_NE(object["error"].get<std::string>().find("longer than 8 characters"),
              std::string::npos);
    EXPECT_NE(known.err.find("usage: qxscsi pr-register"), std::string::npos) << known.err;

    const ToolRun unknown = runTool({"--json", "frobnicate", "/dev/null"});
    EXPECT_EQ(unknown.status, 1);
    json none = json::parse(unknown.out);
    EXPECT_TRUE(none["command"].is_null());
    EXPECT_EQ(none.value("device", ""), "/dev/null");
}

TEST(ToolProcess, MakeKeyPrintsTheKeyInTextAndJson) {
    const ToolRun host = runTool({"makekey", "--host", "1,2,3"});
    EXPECT_EQ(host.status, 0);
    EXPECT_EQ(host.out, "QX010203\n");

    const ToolRun snap = runTool({"makekey", "--json", "--snapshot", "1234,56789"});
    EXPECT_EQ(snap.status, 0);
    json object = json::parse(snap.out);
    EXPECT_EQ(object["key"], "SM234789");
    EXPECT_FALSE(object.contains("device"));
}

TEST(ToolProcess, ADeviceThatCannotBeOpenedExitsFifteenNamingIt) {
    const std::string missing = "/dev/qxscsi-no-such-device";
    const ToolRun text = runTool({"pr-keys", missing});
    EXPECT_EQ(text.status, 15);
    EXPECT_EQ(text.out, "");
    EXPECT_EQ(text.err.compare(0, 8 + missing.size() + 2, "qxscsi: " + missing + ": "), 0)
        << text.err;
    EXPECT_NE(text.err.find("No such file or directory"), std::string::npos) << text.err;
    EXPECT_EQ(text.err.find('\n'), text.err.size() - 1) << text.err;

    const ToolRun jsonRun = runTool({"read", "--json", missing});
    EXPECT_EQ(jsonRun.status, 15);
    json object = json::parse(jsonRun.out);
    EXPECT_EQ(object["exit_status"], 15);
    EXPECT_NE(object["error"].get<std::string>().find(missing), std::string::npos);
}

}  // namespace
}  // namespace tooltest
