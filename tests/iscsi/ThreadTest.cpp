// Twelve threads drive six pass-through objects of two hosts on three LUNs of one target, and
// open further objects while the others send. The objects of a host share its one iSCSI
// session, which carries their commands at once. Every command must come back with its own
// answer (its LUN's serial number, the block its host may read, the conflict it must meet), and
// each host must stay one I_T nexus throughout. The two threads of an object take turns on it.
// And a large write holds up no other LUN of its session. Built on its own too, to run under
// ThreadSanitizer.
#include <algorithm>
#include <array>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "gtest/gtest.h"
#include "qxscsi/QXNTSpti.h"
#include "tests/iscsi/Scsi.h"

namespace {

constexpr int kThreads = 12;
constexpr int kRounds = 400;
// Every this many rounds a thread also opens an object of its own for one command.
constexpr int kOpenEvery = 25;
constexpr int kTimeoutSeconds = 30;
constexpr int kBlock = 512;
// The holder's reservation key.
const std::string kHolderKey = "QX070701";
constexpr char kHolder[] = "thread-holder";
constexpr char kStranger[] = "thread-stranger";

// The block written to the shared disk, which only the holder may read back.
std::array<unsigned char, kBlock> pattern() {
    std::array<unsigned char, kBlock> block{};
    for (int i = 0; i < kBlock; ++i) {
        block[i] = static_cast<unsigned char>("QXTHREAD"[i % 8] ^ (i / 8));
    }
    return block;
}

// One pass-through object and the turn its threads take on it.
struct Shared {
    std::string host;
    int lun = 0;
    std::unique_ptr<QXNTSpti> spti;
    std::mutex turn;
};

class Threads : public tgt::TgtTest {
  protected:
    void note(const std::string& what) {
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (m_faults.size() < 20) {
            m_faults.push_back(what);
        }
    }

    // One command of a round on object o, checked against what its host and LUN must get.
    void command(Shared& o, int kind) {
        const bool holder = o.host == kHolder;
        const bool shared = o.lun == tgt::kThreadDisk;
        const std::string who = o.host + " LUN " + std::to_string(o.lun) + ": ";
        QXNTSpti& spti = *o.spti;
        if (kind == 0) {
            std::string serial;
            const bool answered = spti.GetSerialNumber(serial);
            serial.erase(0, serial.find_first_not_of(' '));  // tgt pads it in front
            if (!answered || serial != "QXD000" + std::to_string(o.lun)) {
                note(who + "serial number '" + serial + "' " + spti.m_strErrorMsg);
            }
        } else if (kind == 1) {
            std::array<unsigned char, kBlock> block{};
            std::string failure;
            const int status = tgt::blockZero(spti, failure, block.data(), false, kTimeoutSeconds);
            const int expected = shared && !holder ? tgt::kReservationConflict : tgt::kGood;
            if (status != expected || (shared && holder && block != pattern())) {
                note(who + "READ(10) status " + std::to_string(status) + " " + failure);
            }
        } else {
            std::string key;
            unsigned long type = 0;
            if (!spti.QueryReserve(key, type) ||
                (shared && (key != kHolderKey || type != tgt::kExclusiveAccess))) {
                note(who + "READ RESERVATION: '" + key + "' " + spti.m_strErrorMsg);
            }
        }
    }

    // How many I_T nexuses of host the target lists.
    static int nexusesOf(const std::string& host) {
        const std::string shown = tgt::tgtadm("--lld iscsi --op show --mode target");
        const std::string name = "Initiator: iqn.2026-12.local.qxscsi:" + host;
        int count = 0;
        for (std::size_t at = shown.find(name); at != std::string::npos;
             at = shown.find(name, at + 1)) {
            ++count;
        }
        return count;
    }

    std::mutex m_mutex;
    std::vector<std::string> m_faults;
};

TEST_F(Threads, TwelveThreadsOnSixObjectsOfTwoHostsKeepEveryAnswerAndOneNexusPerHost) {
    // Made before the threads: the first object creates the platform's shared object.
    std::array<Shared, 6> objects;
    const struct {
        const char* host;
        int lun;
    } layout[] = {{kHolder, tgt::kThreadDisk}, {kHolder, tgt::kFlatDisk},
                  {kHolder, tgt::kBulkDisk},   {kStranger, tgt::kThreadDisk},
                  {kStranger, tgt::kFlatDisk}, {kStranger, tgt::kBulkDisk}};
    for (std::size_t i = 0; i < objects.size(); ++i) {
        objects[i].host = layout[i].host;
        objects[i].lun = layout[i].lun;
        objects[i].spti.reset(new QXNTSpti(-1, tgt::path(layout[i].lun, layout[i].host)));
        ASSERT_TRUE(objects[i].spti->isOK()) << objects[i].spti->m_strErrorMsg;
    }

    // The holder starts afresh on the shared disk (whatever an earlier run left), reserves it
    // for Exclusive Access and writes the block that only it may read.
    QXNTSpti& holder = *objects[0].spti;
    ASSERT_EQ(holder.RegisterPR(kHolderKey, true), 0) << holder.m_strErrorMsg;
    ASSERT_EQ(holder.ClearPR(kHolderKey, "", 3), 0) << holder.m_strErrorMsg;
    ASSERT_EQ(holder.RegisterPR(kHolderKey, true), 0) << holder.m_strErrorMsg;
    ASSERT_EQ(holder.ReservePR(kHolderKey), 0) << holder.m_strErrorMsg;
    std::array<unsigned char, kBlock> block = pattern();
    std::string failure;
    ASSERT_EQ(tgt::blockZero(holder, failure, block.data(), true, kTimeoutSeconds), tgt::kGood)
        << "WRITE(10) " << failure;

    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([this, t, &objects] {
            Shared& o = objects[t % objects.size()];
            for (int round = 0; round < kRounds; ++round) {
                {
                    const std::lock_guard<std::mutex> turn(o.turn);
                    command(o, (t + round) % 3);
                }
                if (round % kOpenEvery == t % kOpenEvery) {
                    // An object of the same host opened and used while the others send.
                    Shared s;
                    s.host = o.host;
                    s.lun = o.lun;
                    try {
                        s.spti.reset(new QXNTSpti(-1, tgt::path(o.lun, o.host)));
                    } catch (...) {
                        note(o.host + ": making another object threw");
                        continue;
                    }
                    if (!s.spti->isOK()) {
                        note(o.host + ": another object did not open: " + s.spti->m_strErrorMsg);
                        continue;
                    }
                    command(s, 1);
                }
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }

    std::string faults;
    for (const std::string& f : m_faults) {
        faults += f + "\n";
    }
    EXPECT_TRUE(m_faults.empty()) << faults;
    EXPECT_EQ(nexusesOf(kHolder), 1);
    EXPECT_EQ(nexusesOf(kStranger), 1);
    for (Shared& o : objects) {
        command(o, 1);
        command(o, 2);
    }
    EXPECT_TRUE(m_faults.empty()) << "after the threads";
}

// While one thread of a host writes 32 MiB to a LUN, another opens another LUN of the same
// session and sends TEST UNIT READY: the open and the command take a small part of the write's
// time, and end before it does. Three rounds, each on a LUN the session has not used yet.
TEST_F(Threads, AnotherLunsOpenAndCommandDoNotWaitForALargeWriteOfTheSameHost) {
    using Clock = std::chrono::steady_clock;
    const std::string host = "bulk-host";
    QXNTSpti writer(-1, tgt::path(tgt::kBulkDisk, host));
    ASSERT_TRUE(writer.isOK()) << writer.m_strErrorMsg;
    constexpr int kBlocks = 65536;
    std::vector<unsigned char> data(static_cast<std::size_t>(kBlocks) * kBlock, 0x5A);
    std::vector<double> ratios;
    for (const int lun : {tgt::kFlatDisk, tgt::kToolDisk, tgt::kContentionDisk}) {
        const Clock::time_point start = Clock::now();
        Clock::time_point written;
        bool wrote = false;
        std::thread bulk([&] {
            // WRITE(16) of kBlocks blocks at block 0.
            unsigned char cdb[16] = {0x8A, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0};
            wrote = writer.SendSCSICmd(cdb, 16, data.data(), static_cast<int>(data.size()), nullptr,
                                       nullptr, nullptr, 60, 1) &&
                    writer.m_nScsiStatus == tgt::kGood;
            written = Clock::now();
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        const Clock::time_point opened = Clock::now();
        QXNTSpti other(-1, tgt::path(lun, host));
        const bool ready = other.isOK() && other.TestUnitReady(nullptr, nullptr, nullptr) &&
                           other.m_nScsiStatus == tgt::kGood;
        const Clock::time_point answered = Clock::now();
        bulk.join();
        ASSERT_TRUE(wrote) << writer.m_strErrorMsg;
        EXPECT_TRUE(ready) << "LUN " << lun << ": " << other.m_strErrorMsg;
        EXPECT_TRUE(answered < written) << "LUN " << lun << " waited for the write";
        ratios.push_back(std::chrono::duration<double>(answered - opened).count() /
                         std::chrono::duration<double>(written - start).count());
    }
    std::sort(ratios.begin(), ratios.end());
    EXPECT_LT(ratios[1], 0.3) << "least " << ratios[0] << ", most " << ratios[2];
}

}  // namespace
