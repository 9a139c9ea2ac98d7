// The iSCSI sessions against tgt: one per host and target whatever the LUN, and a login's unit
// attention kept from the caller. (TargetLoss holds a target that stops answering.)
#include <string>

#include "Scsi.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace {

using ::testing::HasSubstr;

using Session = tgt::TgtTest;

// TEST UNIT READY's status, or -1 (with failure filled).
int testUnitReady(const OZScsiTarget& target, std::string& failure, int seconds = 30) {
    return tgt::send(target, failure, seconds, tgt::kTestUnitReady, {});
}

TEST_F(Session, OneHostSharesOneSessionAcrossLunsAndItsObjectsButNoAbsentLun) {
    OZScsiTarget disk(tgt::path(tgt::kFlatDisk, "session-host").c_str(), true);
    OZScsiTarget disk2(tgt::path(tgt::kFlatDisk, "session-host").c_str(), true);
    OZScsiTarget tape(tgt::path(tgt::kTape, "session-host").c_str(), true);
    OZScsiTarget other(tgt::path(tgt::kFlatDisk, "session-other").c_str(), true);
    for (OZScsiTarget* t : {&disk, &disk2, &tape, &other}) {
        ASSERT_EQ(OZScsi::open(*t, 10), 0) << t->path();
        ASSERT_EQ(OZScsi::populate(*t), 0);
    }
    EXPECT_EQ(disk.handle(), disk2.handle());
    EXPECT_EQ(disk.handle(), tape.handle()) << "another LUN of the same target";
    EXPECT_NE(disk.handle(), other.handle()) << "another host";
    // The first command on each LUN is the caller's own: the login's unit attention is gone.
    std::string failure;
    EXPECT_EQ(testUnitReady(tape, failure), 0) << failure;
    EXPECT_EQ(testUnitReady(other, failure), 0) << failure;

    // An absent LUN is an open failure, on the host's session and on a new one.
    for (const char* host : {"session-host", "session-newcomer"}) {
        const std::string path = tgt::path(9, host);
        OZScsiTarget absent(path.c_str(), true);
        EXPECT_NE(OZScsi::open(absent, 10), 0) << host;
        try {
            OZScsi::populate(absent);
            ADD_FAILURE() << "populate succeeded";
        } catch (const QxException& e) {
            EXPECT_THAT(e.getMessage(), HasSubstr("cannot open " + path + ": "));
            EXPECT_THAT(e.getMessage(), HasSubstr("LUN"));
        }
    }
}

}  // namespace
