// The platform's error codes: deterministic, distinct for distinct inputs, and clear of the
// system's own codes.
#include <climits>
#include <set>

#include "gtest/gtest.h"
#include "platform/JWS2BaseError.h"

namespace {

const unsigned long kSystemCodes[] = {0, 103, 764, 994, 1100, 40043, 45001, 45002};

TEST(JWError, ConversionsAreDistinctAndNeverASystemCode) {
    std::set<unsigned long> seen(std::begin(kSystemCodes), std::end(kSystemCodes));
    std::size_t expected = seen.size();
    for (unsigned e : {0u, 1u, 5u, 16u, 4095u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
        seen.insert(JWS2BaseError::ConvertToJWError(e));
        ++expected;
    }
    for (int key = 0; key < 256; key += 5) {
        for (int asc = 0; asc < 256; asc += 17) {
            for (int ascq : {0, 1, 255}) {
                seen.insert(JWS2BaseError::ConvertSCSIErrorToJWError(
                    static_cast<unsigned char>(key), static_cast<unsigned char>(asc),
                    static_cast<unsigned char>(ascq)));
                ++expected;
            }
        }
    }
    for (int s : {INT_MIN, -2, -1, 0, 2, 8, 24, 0x28, INT_MAX}) {
        seen.insert(JWS2BaseError::ConvertSCSIStatusToJWError(s));
        ++expected;
    }
    EXPECT_EQ(seen.size(), expected);
}

TEST(JWError, CodesShowTheirSource) {
    EXPECT_EQ(JWS2BaseError::ConvertToJWError(5), 0x100000005UL);
    EXPECT_EQ(JWS2BaseError::ConvertSCSIErrorToJWError(0x0B, 0x47, 0x00), 0x2000B4700UL);
    EXPECT_EQ(JWS2BaseError::ConvertSCSIStatusToJWError(-1), 0x3FFFFFFFFUL);
    EXPECT_EQ(JWS2BaseError::ConvertSCSIStatusToJWError(24), 0x300000018UL);
    // Deterministic.
    EXPECT_EQ(JWS2BaseError::ConvertSCSIErrorToJWError(6, 0x28, 0),
              JWS2BaseError::ConvertSCSIErrorToJWError(6, 0x28, 0));
}

}  // namespace
