// What the caller of OZScsi::send sees for each outcome: the status with fixed-format sense in
// its buffer, or the exception with the sense or the error number; and the platform's error
// codes, distinct for distinct inputs and clear of the system's own codes.
#include <cerrno>
#include <climits>
#include <set>
#include <vector>

#include "gtest/gtest.h"
#include "platform/CommandOutcome.h"
#include "platform/JWS2BaseError.h"
#include "platform/QxException.h"

namespace {

TEST(CommandOutcome, AnswersReturnTheStatusWithFixedSenseFailuresThrow) {
    // UNIT ATTENTION, RESERVATIONS PREEMPTED (6/2A/03), in descriptor format, FRU code 7.
    const unsigned char received[] = {0x72, 0x06, 0x2A, 0x03, 0, 0, 0, 4, 3, 2, 0, 7};
    std::vector<unsigned char> sense(20, 0);
    const auto complete = [&](oz::Outcome::Kind kind, int status, int room, int err = 0) {
        const oz::Outcome o{kind, status, 0, 0, err, "cause"};
        return oz::completeCommand("/dev/nst0", 0x19, o, received, 12,
                                   room > 0 ? sense.data() : nullptr, room);
    };
    EXPECT_EQ(complete(oz::Outcome::kCompleted, 0x18, 0), 0x18);
    EXPECT_EQ(complete(oz::Outcome::kCompleted, 2, 14), 2);
    EXPECT_EQ(sense, std::vector<unsigned char>(
                         {0x70, 0, 6, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x2A, 0x03, 0, 0, 0, 0, 0, 0}))
        << "14 bytes of room, 14 written";

    sense.assign(20, 0);
    try {
        complete(oz::Outcome::kTransportFailure, -1, 20);
        ADD_FAILURE() << "no exception";
    } catch (const QxScsiException& e) {
        EXPECT_EQ(e.getScsiStatus(), -1);
        EXPECT_EQ(e.key() * 0x10000 + e.asc() * 0x100 + e.ascq(), 0x62A03);
        EXPECT_STREQ(e.getMessage(),
                     "/dev/nst0: SCSI command 0x19 failed below the SCSI layer: cause");
    }
    EXPECT_EQ(sense, std::vector<unsigned char>(20, 0)) << "the caller's buffer is for answers";
    for (int err : {ENOMEM, 0}) {
        try {
            complete(oz::Outcome::kOsError, 0, 20, err);
            ADD_FAILURE() << "no exception";
        } catch (const QxScsiException&) {
            ADD_FAILURE() << "an OS failure is no device failure";
        } catch (const QxException& e) {
            EXPECT_EQ(e.getErrno(), err > 0 ? err : EIO);
            EXPECT_STREQ(e.getMessage(), "/dev/nst0: SCSI command 0x19: cause");
        }
    }
}

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
