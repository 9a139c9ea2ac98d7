// Eight threads drive four pass-through objects of two hosts against one target. The objects of a
// host share its one iSCSI session, so the commands of four threads meet on each session at
// once, and threads open further objects while the others send. Every command must come back
// with its own answer: the serial number of its own LUN, the block its host may read, the
// reservation conflict its host must meet. And each host must stay one I_T nexus throughout:
// the holder of an Exclusive Access reservation reads through every object and thread, the
// other host through none, and the target sees one nexus per host.
//
// A pass-through object is used by one thread at a time, so the two threads of an object take
// turns on it; the first object is made before any thread starts (it creates the platform's
// shared SCSI layer object, which is unguarded). Built on its own too, to run under
// ThreadSanitizer.
#include <algorithm>
#include <array>
#include <atomic>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "gtest/gtest.h"
#include "qxscsi/QXNTSpti.h"
#include "tests/iscsi/Scsi.h"

namespace {

constexpr int kThreads = 8;
constexpr int kRounds = 500;
// Every this many rounds a thread also opens an object of its own for one command.
constexpr int kOpenEvery = 25;
constexpr int kTimeoutSeconds = 30;
constexpr int kBlock = 512;
constexpr unsigned char kStatusGood = 0x00;
constexpr unsigned char kStatusConflict = 0x18;
constexpr unsigned char kExclusiveAccess = 0x03;
// The holder's reservation key.
const std::string kHolderKey = "QX070701";
constexpr char kHolder[] = "thread-holder";
constexpr char kStranger[] = "thread-stranger";

struct Reply {
    bool answered = false;  // SendSCSICmd returned true
    int status = -1;
    unsigned char key = 0, asc = 0;
    std::string error;  // when not answered
};

Reply send(QXNTSpti& spti, std::vector<unsigned char> cdb, unsigned char* data, int length,
           bool toDevice) {
    Reply r;
    unsigned char ascq = 0;
    r.answered = spti.SendSCSICmd(cdb.data(), static_cast<int>(cdb.size()), data, length, &r.key,
                                  &r.asc, &ascq, kTimeoutSeconds, toDevice ? 1 : 0);
    r.status = spti.m_nScsiStatus;
    r.error = r.answered ? std::string() : spti.m_strErrorMsg;
    return r;
}

std::string describe(const Reply& r) {
    char text[64];
    std::snprintf(text, sizeof text, "status 0x%02x sense %x/%02x", r.status, r.key & 0x0F, r.asc);
    return r.answered ? std::string(text) : "no answer: " + r.error;
}

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
        if (kind == 0) {
            unsigned char page[64] = {};
            const Reply r =
                send(*o.spti, {0x12, 0x01, 0x80, 0, sizeof page, 0}, page, sizeof page, false);
            std::string serial(reinterpret_cast<const char*>(page + 4),
                               page[3] < sizeof page - 4 ? page[3] : 0);
            serial.erase(0, serial.find_first_not_of(' '));  // tgt pads it in front
            const std::string expected = "QXD000" + std::to_string(o.lun);
            if (!r.answered || r.status != kStatusGood || serial != expected) {
                note(who + "serial number '" + serial + "', " + describe(r));
            }
        } else if (kind == 1) {
            std::array<unsigned char, kBlock> block{};
            const Reply r =
                send(*o.spti, {0x28, 0, 0, 0, 0, 0, 0, 0, 1, 0}, block.data(), kBlock, false);
            const unsigned char expected = shared && !holder ? kStatusConflict : kStatusGood;
            if (!r.answered || r.status != expected || (shared && holder && block != pattern())) {
                note(who + "READ(10) " + describe(r));
            }
        } else {
            unsigned char data[24] = {};
            const Reply r = send(*o.spti, {0x5E, 0x01, 0, 0, 0, 0, 0, 0, sizeof data, 0}, data,
                                 sizeof data, false);
            const bool held = data[7] == 16 &&
                              std::equal(data + 8, data + 16, kHolderKey.begin()) &&
                              (data[21] & 0x0F) == kExclusiveAccess;
            if (!r.answered || r.status != kStatusGood || (shared && !held)) {
                note(who + "READ RESERVATION " + describe(r) +
                     (shared && !held ? ", not the holder's" : ""));
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
            const char next = at + name.size() < shown.size() ? shown[at + name.size()] : '\n';
            count += next == ' ' || next == '\n' ? 1 : 0;
        }
        return count;
    }

    std::mutex m_mutex;
    std::vector<std::string> m_faults;
};

TEST_F(Threads, EightThreadsOnFourObjectsOfTwoHostsKeepEveryAnswerAndOneNexusPerHost) {
    // Made before the threads: the first object creates the platform's shared object.
    std::array<Shared, 4> objects;
    const struct {
        const char* host;
        int lun;
    } layout[] = {{kHolder, tgt::kThreadDisk},
                  {kHolder, tgt::kFlatDisk},
                  {kStranger, tgt::kThreadDisk},
                  {kStranger, tgt::kFlatDisk}};
    for (int i = 0; i < 4; ++i) {
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
    const Reply r = send(holder, {0x2A, 0, 0, 0, 0, 0, 0, 0, 1, 0}, block.data(), kBlock, true);
    ASSERT_TRUE(r.answered && r.status == kStatusGood) << "WRITE(10) " << describe(r);

    std::atomic<int> sent{0};
    std::atomic<int> opened{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([this, t, &objects, &sent, &opened] {
            Shared& o = objects[t % 4];
            for (int round = 0; round < kRounds; ++round) {
                {
                    const std::lock_guard<std::mutex> turn(o.turn);
                    command(o, (t + round) % 3);
                }
                ++sent;
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
                    ++opened;
                }
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }

    EXPECT_EQ(sent.load(), kThreads * kRounds);
    EXPECT_EQ(opened.load(), kThreads * kRounds / kOpenEvery);
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

}  // namespace
