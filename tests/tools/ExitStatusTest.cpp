// The exit-status table: a device's sense and a handle's code map as the sg3_utils programs'
// statuses do.
#include "gtest/gtest.h"
#include "tools/qxscsi/ExitStatus.h"
#include "tools/qxscsi/SenseText.h"

namespace qxtool {
namespace {

TEST(ExitStatus, SenseKeysMapOntoTheTable) {
    const struct {
        unsigned char key;
        unsigned char asc;
        int status;
    } cases[] = {
        {0x02, 0x04, 2},
        {0x03, 0x11, 3},
        {0x05, 0x24, 5},
        {0x05, 0x20, 9},
        {0x06, 0x29, 6},
        {0x07, 0x27, 7},
        {0x00, 0x00, 99},
        // The flag bits of sense byte 2 (FILEMARK, EOM, ILI) do not change the key.
        {0x86, 0x29, 6},
        {0x25, 0x20, 9},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(statusForSense(c.key, c.asc), c.status) << int(c.key) << "/" << int(c.asc);
    }
}

}  // namespace
}  // namespace qxtool
