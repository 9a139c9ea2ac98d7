// Command time limits: the default per operation code, or the caller's, bounded.
#include <climits>

#include "gtest/gtest.h"
#include "platform/CommandTimeouts.h"

namespace {

TEST(CommandTimeouts, DefaultsPerOperationCodeAndBoundsTheRequest) {
    struct Case {
        unsigned char opcode;
        int requested;
        unsigned int expected;
    };
    const Case cases[] = {
        {0x19, -1, 7200},       // ERASE
        {0x19, 0, 7200},        //
        {0x12, -1, 1800},       // INQUIRY
        {0x5E, INT_MIN, 1800},  // PERSISTENT RESERVE IN
        {0x19, 60, 60},         // the caller's limit wins, also for ERASE
        {0x00, 1, 1},
        {0x12, 4294966, 4294966},
        {0x12, 4294967, oz::kMaxTimeoutSeconds},
        {0x12, INT_MAX, oz::kMaxTimeoutSeconds},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(oz::commandTimeoutSeconds(c.opcode, c.requested), c.expected)
            << "opcode " << static_cast<int>(c.opcode) << ", requested " << c.requested;
    }
    EXPECT_LE(static_cast<unsigned long long>(oz::kMaxTimeoutSeconds) * 1000ULL, UINT_MAX - 1ULL);
}

}  // namespace
