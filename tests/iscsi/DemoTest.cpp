// The demonstration against the fixture's target: every step turns out as the story says,
// read from what it prints and from the device afterwards; a failed step is named.
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "tests/iscsi/Scsi.h"
#include "tests/tools/RunTool.h"

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using tooltest::ToolRun;

constexpr int kDemoDisk = 5;

ToolRun demo(std::vector<std::string> args, const tooltest::RunOptions& options) {
    args.insert(args.begin(), {"--tool", QXSCSI_TOOL_PATH});
    return tooltest::runProgram(QXSCSI_DEMO_PATH, args, options);
}

ToolRun demoOnFixture(std::vector<std::string> extra) {
    std::vector<std::string> args = {"--portal", tgt::setting("TGT_PORTAL"), "--target",
                                     tgt::setting("TGT_IQN")};
    args.insert(args.end(), extra.begin(), extra.end());
    tooltest::RunOptions options;
    options.seconds = 60;
    return demo(args, options);
}

// What the demonstration printed, by step: the heading's number to the step's lines.
std::map<int, std::vector<std::string>> stepsOf(const std::string& out) {
    std::map<int, std::vector<std::string>> steps;
    std::istringstream in(out);
    std::string line;
    int step = 0;
    while (std::getline(in, line)) {
        if (line.size() > 3 && line[0] >= '1' && line[0] <= '9' && line.compare(1, 2, ". ") == 0) {
            step = line[0] - '0';
        }
        steps[step].push_back(line);
    }
    return steps;
}

// The outcomes ("    = ...") a step showed, in order.
std::vector<std::string> outcomes(const std::vector<std::string>& lines) {
    std::vector<std::string> shown;
    for (const std::string& line : lines) {
        if (line.compare(0, 6, "    = ") == 0) {
            shown.push_back(line.substr(6));
        }
    }
    return shown;
}

class DemoTest : public tgt::TgtTest {
  protected:
    void SetUp() override {
        tgt::TgtTest::SetUp();
        // A free disk, whatever an earlier run left.
        tgt::clearDisk(tgt::path(kDemoDisk, "demo-test-cleaner"));
    }
};

TEST_F(DemoTest, TellsTheStoryStepByStep) {
    const ToolRun run = demoOnFixture({});
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_LT(run.milliseconds, 60 * 1000);
    const std::map<int, std::vector<std::string>> steps = stepsOf(run.out);
    ASSERT_EQ(steps.size(), 6u) << run.out;  // the introduction and five steps

    // 1. The tool identifies the tape drive and finds its position.
    EXPECT_THAT(steps.at(1),
                testing::IsSupersetOf({"    | vendor: QXSCSI", "    | product: VIRTUAL-TAPE",
                                       "    | partition 0, block unknown"}));
    // 2. A reserves a free disk; the tool sees A's key holding the reservation.
    EXPECT_THAT(outcomes(steps.at(2)), ElementsAre("0, key QX010203"));
    EXPECT_THAT(steps.at(2),
                testing::IsSupersetOf({"    log A (level 1): No reservation on the drive. Going to "
                                       "reserve",
                                       "    | QX010203",
                                       "    | holder QX010203, type 3 (Exclusive Access)"}));
    // 3. A's read passes, B's is refused, and the demonstration says why.
    EXPECT_THAT(outcomes(steps.at(3)), ElementsAre("GOOD", "RESERVATION CONFLICT"));
    EXPECT_THAT(steps.at(3),
                testing::Contains(HasSubstr("why: A holds an exclusive-access reservation")));
    // 4. B pre-empts A; B's read passes; A hears of the pre-emption once, then is refused.
    EXPECT_THAT(outcomes(steps.at(4)),
                ElementsAre("0, key QX040506", "GOOD", "CHECK CONDITION, sense 6/2A/03",
                            "RESERVATION CONFLICT"));
    EXPECT_THAT(steps.at(4), testing::Contains("    log B (level 1): Valid reservation on the "
                                               "drive from another host. Going to pre-empt"));
    EXPECT_THAT(steps.at(4), testing::Contains("    | holder QX040506, type 3 (Exclusive Access)"));
    // 5. B's forced clear; the tool finds no key and no reservation.
    EXPECT_THAT(outcomes(steps.at(5)), ElementsAre("0", "(no output)"));
    EXPECT_THAT(steps.at(5), testing::Contains("    | none"));
    EXPECT_THAT(run.out, HasSubstr("The story is told: 5 steps in "));

    // The device agrees: nothing registered, nothing reserved.
    const tgt::DeviceState s = tgt::readState(tgt::path(kDemoDisk, "demo-test-observer"));
    EXPECT_THAT(s.keys, IsEmpty());
    EXPECT_EQ(s.holder, "");
}

TEST_F(DemoTest, AStepThatFailsIsNamedAndEndsTheStory) {
    // LUN 9 does not exist: the tool cannot open the tape drive of step 1.
    const ToolRun run = demoOnFixture({"--tape-lun", "9"});
    EXPECT_EQ(run.status, 1) << run.out << run.err;
    EXPECT_THAT(run.err, HasSubstr("qxscsi-demo: step 1 (The tape drive: what it is and where it "
                                   "stands) failed: qxscsi identify exited 15"));
    EXPECT_THAT(run.out, Not(HasSubstr("\n2. ")));
}

}  // namespace
