// Four hosts, each a thread with an initiator name of its own (so a nexus of its own), take one
// tgt disk with the forced reserve at the same time, round after round. Every call must come
// back within seconds with a code of the handle's tables, and the race must end with one host
// holding the disk: its key registered, its reads passing and every other host's refused.
#include <algorithm>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Scsi.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "tests/tools/RunTool.h"

namespace {

using ::testing::Contains;

constexpr int kHosts = 4;
constexpr int kRounds = 50;
// A call that takes longer than this is a hang, not contention.
constexpr long long kSlowestCallMs = 10000;

using Contention = tgt::TgtTest;

TEST_F(Contention, FourHostsForceReserveAtOnceAndOneEndsHoldingTheDisk) {
    const std::string clearer = tgt::path(tgt::kContentionDisk, "contention-clearer");
    tgt::clearDisk(clearer);
    std::mutex lock;
    std::map<unsigned long, int> codes;
    std::vector<std::string> keys(kHosts);
    long long slowest = 0;
    std::vector<std::thread> hosts;
    for (int i = 0; i < kHosts; ++i) {
        hosts.emplace_back([&, i] {
            QXScsiHardDisk disk(tgt::path(tgt::kContentionDisk, "contender-" + std::to_string(i)),
                                i);
            disk.Open();
            for (int round = 0; round < kRounds; ++round) {
                const long long start = tooltest::nowMs();
                const unsigned long code = disk.doForcePR_Reserve(6, 0, i, keys[i]);
                const long long ms = tooltest::nowMs() - start;
                const std::lock_guard<std::mutex> guard(lock);
                ++codes[code];
                slowest = std::max(slowest, ms);
            }
        });
    }
    for (std::thread& host : hosts) {
        host.join();
    }
    for (const auto& code : codes) {
        EXPECT_THAT((std::vector<unsigned long>{0, 45001, 45002, 764}), Contains(code.first))
            << code.second << " calls got a code outside the handle's tables for the race";
    }
    EXPECT_LT(slowest, kSlowestCallMs);

    // The device as the race left it, and each host's read.
    const tgt::DeviceState s = tgt::readState(clearer);
    EXPECT_EQ(s.type, tgt::kExclusiveAccess);
    EXPECT_THAT(s.keys, Contains(s.holder)) << "the holder's key is registered";
    int holders = 0;
    for (int i = 0; i < kHosts; ++i) {
        // READ(10) of block 0, past the unit attentions of the registrations others pre-empted.
        const bool holds = keys[i] == s.holder;
        holders += holds ? 1 : 0;
        QXNTSpti spti(0, tgt::path(tgt::kContentionDisk, "contender-" + std::to_string(i)));
        std::string failure;
        int status = 2;
        for (int attempt = 0; attempt < 4 && status == 2; ++attempt) {
            status = tgt::readBlockZero(spti, failure);
        }
        EXPECT_EQ(status, holds ? tgt::kGood : tgt::kReservationConflict)
            << "host " << i << (holds ? " (holder): " : ": ") << failure;
    }
    EXPECT_EQ(holders, 1) << "the reservation is held under " << s.holder;
    tgt::clearDisk(clearer);
}

}  // namespace
