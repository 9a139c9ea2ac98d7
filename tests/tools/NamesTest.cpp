// The words the tool puts to a device's numbers: sense keys, additional sense codes and the
// TapeAlert flags.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "tools/qxscsi/SenseText.h"
#include "tools/qxscsi/TapeAlertTable.h"

namespace qxtool {
namespace {

TEST(SenseText, NamesTheKeyWithoutItsFlagsAndTheCommonPairs) {
    EXPECT_EQ(senseText(0x86, 0x29, 0x00),
              "sense key UNIT ATTENTION, ASC 29h ASCQ 00h (power on, reset, or bus device reset "
              "occurred)");
    EXPECT_STREQ(senseKeyName(0x0B), "ABORTED COMMAND");
    EXPECT_STREQ(senseKeyName(0xFF), "COMPLETED");
    const struct {
        unsigned char asc, ascq;
        const char* text;
    } rows[] = {
        {0x04, 0x00, "ASC 04h ASCQ 00h (logical unit not ready, cause not reportable)"},
        {0x3A, 0x00, "ASC 3Ah ASCQ 00h (medium not present)"},
        {0x2A, 0x03, "ASC 2Ah ASCQ 03h (reservations preempted)"},
        {0x20, 0x00, "ASC 20h ASCQ 00h (invalid command operation code)"},
        {0x24, 0x00, "ASC 24h ASCQ 00h (invalid field in CDB)"},
        {0x27, 0x00, "ASC 27h ASCQ 00h (write protected)"},
        // A pair outside the table, and a known ASC with an unknown qualifier: numbers only.
        {0x5D, 0x00, "ASC 5Dh ASCQ 00h"},
        {0x3A, 0x7F, "ASC 3Ah ASCQ 7Fh"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(ascText(row.asc, row.ascq), row.text);
    }
}

TEST(TapeAlertTable, NamesAndSeveritiesByFlagNumber) {
    const struct {
        int flag;
        const char* label;
        const char* severity;
    } rows[] = {
        {1, "Read warning", "warning"},
        {4, "Media", "critical"},
        {10, "No removal", "information"},
        {20, "Clean now", "critical"},
        {39, "Diagnostics required", "warning"},
        {40, "flag 40", nullptr},
        {47, "flag 47", nullptr},
        {49, "Diminished native capacity", "information"},
        {60, "WORM medium, overwrite attempted", "warning"},
        {64, "flag 64", nullptr},
        // Numbers outside the page never index the table.
        {0, "flag 0", nullptr},
        {65, "flag 65", nullptr},
        {-1, "flag -1", nullptr},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(tapeAlertLabel(row.flag), row.label) << row.flag;
        if (row.severity == nullptr) {
            EXPECT_EQ(tapeAlertSeverity(row.flag), nullptr) << row.flag;
        } else {
            EXPECT_STREQ(tapeAlertSeverity(row.flag), row.severity) << row.flag;
        }
    }
}

TEST(TapeAlertTable, EveryNamedFlagHasASeverityAndADistinctName) {
    std::set<std::string> names;
    int named = 0;
    for (int flag = 1; flag <= 64; ++flag) {
        if (tapeAlertName(flag) == nullptr) {
            continue;
        }
        ++named;
        EXPECT_NE(tapeAlertSeverity(flag), nullptr) << flag;
        EXPECT_TRUE(names.insert(tapeAlertName(flag)).second) << flag;
    }
    EXPECT_EQ(named, 51);
}

}  // namespace
}  // namespace qxtool
