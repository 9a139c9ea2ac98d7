// Four hosts, each a process with an initiator name of its own, take one tgt disk with the
// forced reserve at the same time, round after round. Every call must come back within
// seconds with a code of the handle's tables, and the race must end with one host holding the
// disk: its key registered, its reads passing and every other host's refused.
#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "Scsi.h"
#include "TgtTarget.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "qxscsi/QXScsiHardDisk.h"
#include "tests/tools/RunTool.h"

namespace {

using ::testing::Contains;

constexpr int kHosts = 4;
constexpr int kRounds = 50;
// A call that takes longer than this is a hang, not contention.
constexpr long long kSlowestCallMs = 10000;

// What one contender reported at the barrier.
struct Report {
    std::string key;
    std::map<unsigned long, int> codes;
    long long slowestMs = -1;
};

// "done KEY CODE:COUNT... slowest MS"
bool parseReport(const std::string& line, Report& report) {
    std::istringstream in(line);
    std::string word;
    if (!(in >> word) || word != "done" || !(in >> report.key)) {
        return false;
    }
    while (in >> word) {
        if (word == "slowest") {
            return static_cast<bool>(in >> report.slowestMs);
        }
        const std::size_t colon = word.find(':');
        if (colon == std::string::npos) {
            return false;
        }
        report.codes[std::stoul(word.substr(0, colon))] += std::stoi(word.substr(colon + 1));
    }
    return false;
}

using Contention = tgt::TgtTest;

TEST_F(Contention, FourHostProcessesForceReserveAtOnceAndOneEndsHoldingTheDisk) {
    const std::string clearer = tgt::path(tgt::kContentionDisk, "contention-clearer");
    tgt::clearDisk(clearer);
    std::vector<std::unique_ptr<tooltest::HostProcess>> hosts;
    for (int i = 1; i <= kHosts; ++i) {
        const std::string host = "contender-" + std::to_string(i);
        hosts.emplace_back(new tooltest::HostProcess(
            QXSCSI_CONTENDER_PATH, {tgt::path(tgt::kContentionDisk, host), "6", "0",
                                    std::to_string(i), std::to_string(kRounds)}));
        ASSERT_TRUE(hosts.back()->started());
    }
    std::string line;
    for (auto& host : hosts) {
        ASSERT_TRUE(host->hear(line, tooltest::nowMs() + 30000));
        ASSERT_EQ(line, "ready");
    }
    // All start together, so that their commands interleave on the target.
    for (auto& host : hosts) {
        ASSERT_TRUE(host->say("go"));
    }
    std::vector<Report> reports(kHosts);
    const long long deadline = tooltest::nowMs() + 60000;
    std::map<unsigned long, int> total;
    long long slowest = 0;
    for (int i = 0; i < kHosts; ++i) {
        ASSERT_TRUE(hosts[i]->hear(line, deadline)) << "contender " << i + 1 << " did not finish";
        ASSERT_TRUE(parseReport(line, reports[i])) << line;
        for (const auto& code : reports[i].codes) {
            total[code.first] += code.second;
        }
        slowest = std::max(slowest, reports[i].slowestMs);
    }
    std::string summary;
    for (const auto& code : total) {
        summary += " " + std::to_string(code.first) + " x" + std::to_string(code.second);
    }
    std::printf("contention: %d calls:%s; slowest %lld ms\n", kHosts * kRounds, summary.c_str(),
                slowest);
    for (const auto& code : total) {
        EXPECT_THAT((std::vector<unsigned long>{0, 45001, 45002, 764}), Contains(code.first))
            << "a code outside the handle's tables for the race";
    }
    EXPECT_LT(slowest, kSlowestCallMs);

    // Every contender is still alive and holds its session: the device as it stands now.
    const tgt::DeviceState s = tgt::readState(clearer);
    EXPECT_EQ(s.type, tgt::kExclusiveAccess);
    EXPECT_THAT(s.keys, Contains(s.holder)) << "the holder's key is registered";
    int holders = 0;
    for (int i = 0; i < kHosts; ++i) {
        ASSERT_TRUE(hosts[i]->say("read"));
        ASSERT_TRUE(hosts[i]->hear(line, tooltest::nowMs() + 30000));
        const bool holds = reports[i].key == s.holder;
        holders += holds ? 1 : 0;
        const int expected = holds ? tgt::kGood : tgt::kReservationConflict;
        std::istringstream answer(line);
        std::string word;
        int status = -1;
        answer >> word >> status;
        EXPECT_EQ(status, expected)
            << "contender " << i + 1 << (holds ? " (holder)" : "") << ": " << line;
    }
    EXPECT_EQ(holders, 1) << "the reservation is held under " << s.holder;
    for (auto& host : hosts) {
        EXPECT_EQ(host->finish(tooltest::nowMs() + 10000), 0);
    }
    tgt::clearDisk(clearer);
}

}  // namespace
