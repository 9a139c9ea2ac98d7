// The words the tool puts to a device's numbers: sense keys, additional sense codes and the
// TapeAlert flags.
#include <gtest/gtest.h>

#include <string>

#include "tools/qxscsi/SenseText.h"
#include "tools/qxscsi/TapeAlertTable.h"

namespace qxtool {
namespace {

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

}  // namespace
}  // namespace qxtool
