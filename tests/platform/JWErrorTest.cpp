// The platform's error codes: distinct for distinct inputs, and clear of the system's own codes.
#include <climits>
#include <set>

#include "gtest/gtest.h"
#include "platform/JWS2BaseError.h"

namespace {

TEST(JWError, ConversionsAreDistinctAndNeverASystemCode) {
    std::set<unsigned long> seen = {0, 103, 764, 994, 1100, 40043, 45001, 45002};
    std::size_t expected = seen.size();
    const auto add = [&](unsigned long code) {
        seen.insert(code);
        ++expected;
    };
    for (unsigned e : {0u, 1u, 5u, 16u, 4095u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
        add(JWS2BaseError::ConvertToJWError(e));
    }
    for (int key = 0; key < 256; key += 5) {
        for (int asc = 0; asc < 256; asc += 17) {
            for (int ascq : {0, 1, 255}) {
                add(JWS2BaseError::ConvertSCSIErrorToJWError(key, asc, ascq));
            }
        }
    }
    for (int s : {INT_MIN, -2, -1, 0, 2, 8, 24, 0x28, INT_MAX}) {
        add(JWS2BaseError::ConvertSCSIStatusToJWError(s));
    }
    EXPECT_EQ(seen.size(), expected);
}

}  // namespace
