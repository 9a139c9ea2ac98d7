// The tool as a process, without a device: help, version, bad input, keys, and Ctrl-C during a
// long wait (the tool on tgt holds devices that cannot be opened). Scripts read its exit status and
// parse its JSON; so do these tests.
#include <signal.h>

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "gtest/gtest.h"
#include "tests/tools/RunTool.h"

namespace tooltest {
namespace {

using nlohmann::json;

TEST(ToolProcess, HelpVersionCommandHelpAndMakeKeyExitZero) {
    const struct {
        std::vector<std::string> args;
        const char* said;
    } rows[] = {{{"--help"}, "Exit status:"},
                {{"--version"}, "qxscsi "},
                {{"read", "-h"}, "Example:\n  qxscsi read"},
                {{"makekey", "--host", "1,2,3"}, "QX010203\n"}};
    for (const auto& row : rows) {
        const ToolRun run = runTool(row.args);
        EXPECT_EQ(run.status, 0) << row.args[0];
        EXPECT_NE(run.out.find(row.said), std::string::npos) << run.out;
        EXPECT_EQ(run.err, "");
    }
    const json snap = json::parse(runTool({"makekey", "--json", "--snapshot", "1234,56789"}).out);
    EXPECT_EQ(snap["key"], "SM234789");
    EXPECT_FALSE(snap.contains("device"));
}

// Refused, a line says why and the next gives the usage; with --json a script still gets its
// object, with the command when one was named.
TEST(ToolProcess, BadInputExitsOneWithAReasonAndTheUsageLine) {
    const std::vector<std::vector<std::string>> lines = {
        {},
        {"frobnicate", "/dev/null"},
        {"pr-register", "--key", "TOO\nLONGKEY", "/dev/null"},
    };
    for (std::vector<std::string> args : lines) {
        const std::string shown = args.empty() ? "(nothing)" : args[0];
        ToolRun run = runTool(args);
        EXPECT_EQ(run.status, 1) << shown;
        EXPECT_EQ(run.out, "") << shown;
        EXPECT_EQ(run.err.compare(0, 8, "qxscsi: "), 0) << run.err;
        const std::size_t first = run.err.find('\n');
        ASSERT_NE(first, std::string::npos) << shown;
        EXPECT_EQ(run.err.compare(first + 1, 14, "usage: qxscsi "), 0) << run.err;
        EXPECT_EQ(run.err.find('\n', first + 1), run.err.size() - 1) << run.err;

        args.push_back("--json");
        run = runTool(args);
        const json object = json::parse(run.out, nullptr, false);
        EXPECT_EQ(run.status, 1) << shown;
        EXPECT_EQ(object.value("exit_status", 0), 1) << run.out;
        EXPECT_EQ(object["command"].is_null(), shown != "pr-register") << run.out;
        EXPECT_NE(object.value("error", ""), "") << run.out;
    }
}

// Over a scripted drive whose SPACE takes 30 s, as spacing to the end of a long tape does.
ToolRun runStalling(std::vector<std::string> args, RunOptions options) {
    return runProgram(QXSCSI_STALLING_TOOL_PATH, args, options);
}

TEST(ToolInterrupt, CtrlCEndsTheWaitForSpacingAtOnceAndAScriptStillGetsItsObject) {
    RunOptions options;
    options.seconds = 20;
    options.interruptAfterMs = 500;
    const ToolRun run = runStalling({"position", "--eod", "--json", "/dev/nst0"}, options);
    EXPECT_EQ(run.signal, SIGINT) << "status " << run.status << ": " << run.err;
    EXPECT_LT(run.milliseconds, 5000) << "the drive's 30 s were not waited for";
    EXPECT_EQ(run.err,
              "qxscsi: /dev/nst0: interrupted during SPACE to end of data; the device may still "
              "be carrying it out\n");
    const json object = json::parse(run.out, nullptr, false);
    ASSERT_FALSE(object.is_discarded()) << run.out;
    EXPECT_EQ(object.value("exit_status", 0), 130);
}

}  // namespace
}  // namespace tooltest
