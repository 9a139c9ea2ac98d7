// Hosts race the forced reserve on two tgt disks, each host a process with an initiator name of
// its own (so a nexus of its own): every call must come back within seconds with a lost race's
// code at worst, and each disk must end held by one host, its key registered, its reads passing
// and every other host's refused. The race and its rules are the scale benchmark's
// (bench/ForcedReserveRace.h), here in short.
#include "Scsi.h"
#include "bench/ForcedReserveRace.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace {

using Contention = tgt::TgtTest;

TEST_F(Contention, FourHostProcessesRaceOnTwoDisksAndEachDiskEndsWithOneHolder) {
    race::Settings s;
    s.portal = tgt::setting("TGT_PORTAL");
    s.target = tgt::setting("TGT_IQN");
    s.luns = {tgt::kContentionDisk, tgt::kSecondContentionDisk};
    s.hosts = 4;
    s.rounds = 50;
    s.limitSeconds = 90;
    const race::Result r = race::run(s);
    EXPECT_THAT(r.problems, ::testing::IsEmpty());
    EXPECT_EQ(r.milliseconds.size(), 200u);
    for (const auto& code : r.codes) {
        EXPECT_TRUE(race::lostRaceCode(code.first)) << code.second << " calls got " << code.first;
    }
    // A call that takes longer than this is a hang, not contention.
    EXPECT_LT(race::percentile(r.milliseconds, 100), 10000.0);
}

}  // namespace
