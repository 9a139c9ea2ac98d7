// The demonstration against the fixture's target: every step turns out as the story says, read
// from what it prints and from the device afterwards.
#include <string>
#include <vector>

#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "tests/iscsi/Scsi.h"
#include "tests/tools/RunTool.h"

namespace {

using ::testing::IsEmpty;
using tooltest::ToolRun;

constexpr int kDemoDisk = 5;

// The demonstration on the fixture's target, with the tool built here as its observer.
ToolRun demoOnFixture() {
    return tooltest::runProgram(QXSCSI_DEMO_PATH,
                                {"--tool", QXSCSI_TOOL_PATH, "--portal", tgt::setting("TGT_PORTAL"),
                                 "--target", tgt::setting("TGT_IQN")},
                                tooltest::RunOptions());
}

// The first of lines that text does not hold after the ones before it; empty when it holds all.
std::string missingInOrder(const std::string& text, const std::vector<std::string>& lines) {
    std::size_t at = 0;
    for (const std::string& line : lines) {
        if ((at = text.find(line, at)) == std::string::npos) {
            return line;
        }
    }
    return "";
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
    const ToolRun run = demoOnFixture();
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_LT(run.milliseconds, 60 * 1000);
    // The tape drive identified; A reserves, A's read passes and B's is refused; B pre-empts A,
    // B's read passes, A hears of the pre-emption once and is refused; B's forced clear.
    EXPECT_EQ(
        missingInOrder(
            run.out,
            {"\n1. ",
             "    | vendor: QXSCSI\n    | product: VIRTUAL-TAPE\n",
             "    | partition 0, block unknown\n",
             "\n2. ",
             "    log A (level 1): No reservation on the drive. Going to reserve\n",
             "    = 0, key QX010203\n",
             "    | QX010203\n",
             "    | holder QX010203, type 3 (Exclusive Access)\n",
             "\n3. ",
             "    = GOOD\n",
             "    = RESERVATION CONFLICT\n    why: A holds an exclusive-access reservation",
             "\n4. ",
             "    log B (level 1): Valid reservation on the drive from another host. Going to "
             "pre-empt\n",
             "    = 0, key QX040506\n",
             "    | holder QX040506, type 3 (Exclusive Access)\n",
             "    = GOOD\n",
             "    = CHECK CONDITION, sense 6/2A/03\n",
             "    = RESERVATION CONFLICT\n",
             "\n5. ",
             "    = 0\n",
             "    = (no output)\n",
             "    | none\n",
             "\nThe story is told: 5 steps in "}),
        "")
        << run.out;
    EXPECT_EQ(run.out.find("\n6. "), std::string::npos);

    // The device agrees: nothing registered, nothing reserved.
    const tgt::DeviceState s = tgt::readState(tgt::path(kDemoDisk, "demo-test-observer"));
    EXPECT_THAT(s.keys, IsEmpty());
    EXPECT_EQ(s.holder, "");
}

}  // namespace
