// The qxscsi tool as an administrator runs it against tgt: each invocation is a process of its
// own, so a new I_T nexus, and the story is told in the device's state after each step, read
// back by later invocations as text and as parsed JSON.
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "gtest/gtest.h"
#include "tests/iscsi/Scsi.h"
#include "tests/tools/RunTool.h"

namespace {

using nlohmann::json;
using tooltest::ToolRun;

class ToolTest : public tgt::TgtTest {
  protected:
    std::string disk() const { return tgt::path(tgt::kToolDisk, "tool-admin"); }

    // The tool on the tool's disk: COMMAND, its options, then the device.
    ToolRun on(const std::string& device, std::vector<std::string> args) {
        args.push_back(device);
        return tooltest::runTool(args, 60);
    }
    ToolRun tool(std::vector<std::string> args) { return on(disk(), std::move(args)); }

    json jsonOf(std::vector<std::string> args, int status = 0) {
        args.push_back("--json");
        const ToolRun run = tool(args);
        EXPECT_EQ(run.status, status) << args[0] << ": " << run.err;
        json object = json::parse(run.out, nullptr, false);
        EXPECT_FALSE(object.is_discarded()) << run.out;
        if (!object.is_discarded()) {
            EXPECT_EQ(object.value("command", ""), args[0]);
            EXPECT_EQ(object.value("device", ""), disk());
            EXPECT_EQ(object.value("schema", 0), 1);
        }
        return object;
    }

    // The keys and the reservation as the device holds them now.
    std::vector<std::string> keys() { return jsonOf({"pr-keys"})["keys"]; }
    json reservation() { return jsonOf({"pr-reservation"}); }
};

TEST_F(ToolTest, FencingStoryToldByInvocations) {
    // A clean device whatever an earlier run left.
    EXPECT_EQ(jsonOf({"pr-clear", "--host", "9,9,9"})["key"], "QX090909");
    EXPECT_EQ(keys(), std::vector<std::string>{});
    EXPECT_EQ(reservation()["holder"], nullptr);
    EXPECT_EQ(jsonOf({"read"})["passes"], true);

    // Host 1,2,3 takes the device; -v shows the workflow's decision with its level.
    ToolRun run = tool({"pr-reserve", "--host", "1,2,3", "-v"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "key QX010203: reserved\n");
    EXPECT_NE(run.err.find("qxscsi: [1] No reservation on the drive. Going to reserve\n"),
              std::string::npos)
        << run.err;
    EXPECT_EQ(run.err.find("qxscsi: [3] "), std::string::npos) << "-v shows level 1 only";
    EXPECT_EQ(keys(), std::vector<std::string>{"QX010203"});
    EXPECT_EQ(tool({"pr-reservation"}).out, "holder QX010203, type 3 (Exclusive Access)\n");

    // The reserving nexus ended with its process: every later invocation is fenced.
    run = tool({"read"});
    EXPECT_EQ(run.status, 24);
    EXPECT_EQ(run.err, "qxscsi: " + disk() + ": READ(10) of LBA 0: reservation conflict\n");
    EXPECT_EQ(jsonOf({"read", "--lba", "8"}, 24)["exit_status"], 24);

    // The same host again finds its key holding the reservation through the ended nexus and
    // takes it over; another host pre-empts it.
    json again = jsonOf({"pr-reserve", "--host", "1,2,3"});
    EXPECT_EQ(again["key"], "QX010203");
    EXPECT_EQ(again["outcome"], "taken over from this host's earlier connection");
    EXPECT_EQ(tool({"read"}).status, 24) << "the next invocation is a nexus of its own again";
    json takeover = jsonOf({"pr-reserve", "--host", "4,5,6", "-vv"});
    EXPECT_EQ(takeover["outcome"], "pre-empted");
    EXPECT_EQ(reservation()["holder"], "QX040506");
    EXPECT_EQ(keys(), std::vector<std::string>{"QX040506"});

    // A numeric key, as other tools write them, shows in hex and is given back the same way.
    run = tool({"pr-register", "--key", "0x0000000000001234"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(keys(), (std::vector<std::string>{"QX040506", "0x0000000000001234"}));

    // This invocation is not the holder's nexus, nor registered: tgt refuses its RELEASE.
    run = tool({"pr-release", "--key", "QX040506"});
    EXPECT_EQ(run.status, 24);
    EXPECT_EQ(reservation()["holder"], "QX040506");

    // The forced clear removes everything; I/O passes again.
    run = tool({"pr-clear", "--host", "1,2,3"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(keys(), std::vector<std::string>{});
    EXPECT_EQ(reservation()["holder"], nullptr);
    run = tool({"read", "--lba", "0x100"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "LBA 256: passes\n");
}

TEST_F(ToolTest, EachFailureClassHasItsExitStatus) {
    const std::string tape = tgt::path(tgt::kTape, "tool-admin");
    const std::string target =
        "iscsi://" + tgt::setting("TGT_PORTAL") + "/" + tgt::setting("TGT_IQN");
    const struct {
        const char* what;
        std::string device;
        std::vector<std::string> args;
        int status;
        const char* reason;
    } rows[] = {
        // The tape LUN refuses persistent reservations: the handle's code and message.
        {"tape, pr-keys", tape, {"pr-keys"}, 99, "(code 45001)"},
        {"tape, pr-register", tape, {"pr-register", "--key", "QX1"}, 99, "(code 764)"},
        // ... and knows no READ CAPACITY.
        {"tape, read", tape, {"read"}, 9, "READ CAPACITY(10): sense key ILLEGAL REQUEST, ASC 20h"},
        {"beyond the end", disk(), {"read", "--lba", "4294967295"}, 5, "ASC 21h ASCQ 00h"},
        {"no such LUN", target + "/9", {"pr-keys"}, 15, "LOGICAL_UNIT_NOT_SUPPORTED"},
        {"no such target", target + "-none/1", {"pr-reservation"}, 15, "login"},
    };
    for (const auto& row : rows) {
        const ToolRun run = on(row.device, row.args);
        EXPECT_EQ(run.status, row.status) << row.what << ": " << run.err;
        // One line on stderr naming the device, and nothing on stdout but a refused read.
        EXPECT_EQ(run.err.compare(0, 10 + row.device.size(), "qxscsi: " + row.device + ": "), 0)
            << row.what << ": " << run.err;
        EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << row.what << ": " << run.err;
        EXPECT_NE(run.err.find(row.reason), std::string::npos) << row.what << ": " << run.err;
    }
}

}  // namespace
