// The tool waiting for a long operation, as a process over a scripted drive whose SPACE takes
// its time: the elapsed time on a terminal (and nowhere else), and Ctrl-C ending the wait.
#include <signal.h>

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "gtest/gtest.h"
#include "tests/tools/RunTool.h"

namespace tooltest {
namespace {

using nlohmann::json;

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

TEST(ToolInterrupt, ElapsedTimeShowsOnATerminalAndNowhereElse) {
    RunOptions options;
    options.seconds = 20;
    options.environment = {"QXSCSI_STALL_MS=2300"};
    options.stderrTerminal = true;
    ToolRun run = runStalling({"position", "--eod", "/dev/nst0"}, options);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "partition 0, block 0\n");
    EXPECT_NE(run.err.find("\rqxscsi: SPACE to end of data: 1 s elapsed"), std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("\rqxscsi: SPACE to end of data: 2 s elapsed"), std::string::npos)
        << run.err;
    // The line is wiped when the operation ends.
    EXPECT_EQ(run.err.back(), '\r') << run.err;

    options.stderrTerminal = false;
    run = runStalling({"position", "--eod", "/dev/nst0"}, options);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
}

}  // namespace
}  // namespace tooltest
