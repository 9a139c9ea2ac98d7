// The library's own work, without a device: one bare send, a reservation operation of a handle
// (a pass-through object of its own, the command, the judgement), the device-list refresh every
// pass-through object makes, and READ KEYS replies of growing length.
//
// Aims: a command that completes (GOOD or CHECK CONDITION) allocates nothing on the send path; a
// handle's operation costs at most 3x one bare send; READ KEYS costs the same per key from 2 to
// 8,190 registrations.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "bench/AllocationCounter.h"
#include "bench/CannedPlatform.h"
#include "bench/Ratios.h"
#include "platform/DeviceList.h"
#include "qxscsi/QXNTSpti.h"
#include "qxscsi/QXScsiHardDisk.h"

namespace {

// Times the loop and records it under way, with the allocations per call.
template <typename Call>
void timeCalls(benchmark::State& state, const std::string& way, Call call) {
    const unsigned long before = bench::g_allocations;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        benchmark::DoNotOptimize(call());
    }
    const std::chrono::duration<double, std::micro> took = std::chrono::steady_clock::now() - start;
    const double calls = static_cast<double>(state.iterations());
    const double allocations = static_cast<double>(bench::g_allocations - before) / calls;
    bench::record(way, took.count() / calls, allocations);
    state.counters["allocs/call"] = allocations;
}

// A READ KEYS reply listing count registrations.
std::vector<unsigned char> readKeysReply(int count) {
    std::vector<unsigned char> reply(8 + 8 * static_cast<std::size_t>(count), 0);
    const unsigned length = 8u * static_cast<unsigned>(count);
    reply[4] = static_cast<unsigned char>(length >> 24);
    reply[5] = static_cast<unsigned char>(length >> 16);
    reply[6] = static_cast<unsigned char>(length >> 8);
    reply[7] = static_cast<unsigned char>(length);
    for (int i = 0; i < count; ++i) {
        std::memcpy(&reply[8 + 8 * static_cast<std::size_t>(i)], "QX010203", 8);
    }
    return reply;
}

void BM_SendSCSICmd(benchmark::State& state) {
    const int status = static_cast<int>(state.range(0));
    canned::canned() = canned::CannedReply{status, {}};
    QXNTSpti spti(0, "/dev/bench");
    unsigned char cdb[6] = {0x00, 0, 0, 0, 0, 0};
    unsigned char key = 0, asc = 0, ascq = 0;
    timeCalls(state, status == 0 ? "bare send, GOOD" : "bare send, CHECK CONDITION",
              [&] { return spti.SendSCSICmd(cdb, 6, nullptr, 0, &key, &asc, &ascq, 1800, 0); });
}
BENCHMARK(BM_SendSCSICmd)->Arg(0)->Arg(2);

// The same commands as the handle's operations below, sent on a pass-through object made once.
void BM_BareOperation(benchmark::State& state) {
    const bool readKeys = state.range(0) != 0;
    canned::canned() =
        canned::CannedReply{0, readKeys ? readKeysReply(2) : std::vector<unsigned char>()};
    QXNTSpti spti(0, "/dev/bench");
    const std::string key = "QX010203";
    std::vector<std::string> keys;
    keys.reserve(2);
    timeCalls(state, readKeys ? "bare QueryReg (2 keys)" : "bare RegisterPR", [&] {
        if (!readKeys) {
            return spti.RegisterPR(key, true);
        }
        keys.clear();
        return spti.QueryReg(keys) ? 0 : -1;
    });
}
BENCHMARK(BM_BareOperation)->Arg(0)->Arg(1);

// A host's log callback that keeps nothing.
void ignoreLog(int, const long long&, const std::string&) {}

// One reservation operation: REGISTER (arg 0) or READ KEYS of two registrations (arg 1), with the
// host's log callback installed or not (second arg).
void BM_HandleOperation(benchmark::State& state) {
    const bool readKeys = state.range(0) != 0;
    const bool logging = state.range(1) != 0;
    canned::canned() =
        canned::CannedReply{0, readKeys ? readKeysReply(2) : std::vector<unsigned char>()};
    QXScsiHardDisk::m_gpLogMessageCallbackFunc = logging ? ignoreLog : nullptr;
    QXScsiHardDisk disk("/dev/bench", 1);
    disk.Open();
    const std::string key = "QX010203";
    std::vector<std::string> keys;
    keys.reserve(2);
    const std::string way =
        std::string(readKeys ? "handle, PR_queryRegKey (2 keys)" : "handle, PR_register") +
        (logging ? ", logged" : "");
    timeCalls(state, way, [&] {
        if (!readKeys) {
            return disk.PR_register(key, true);
        }
        keys.clear();
        return disk.PR_queryRegKey(keys);
    });
    QXScsiHardDisk::m_gpLogMessageCallbackFunc = nullptr;
}
BENCHMARK(BM_HandleOperation)->ArgsProduct({{0, 1}, {0, 1}});

// The device-list refresh a pass-through object makes, against this machine's sysfs.
void BM_RefreshDeviceList(benchmark::State& state) {
    const oz::DeviceClass tape = oz::DeviceClass::kTape;
    timeCalls(state, "device-list refresh (tape drives)",
              [&] { return oz::countDevices(oz::deviceClassFolder(tape), tape); });
}
BENCHMARK(BM_RefreshDeviceList);

void BM_ReadKeys(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    canned::canned() = canned::CannedReply{0, readKeysReply(count)};
    QXNTSpti spti(0, "/dev/bench");
    std::vector<std::string> keys;
    keys.reserve(static_cast<std::size_t>(count));
    const unsigned long before = bench::g_allocations;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        keys.clear();
        benchmark::DoNotOptimize(spti.QueryReg(keys));
    }
    const std::chrono::duration<double, std::micro> took = std::chrono::steady_clock::now() - start;
    const double perKey = static_cast<double>(state.iterations()) * count;
    bench::record("READ KEYS, per key of " + std::to_string(count), took.count() / perKey,
                  static_cast<double>(bench::g_allocations - before) / perKey);
    state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_ReadKeys)->Arg(2)->Arg(40)->Arg(1000)->Arg(8190);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    bench::printRatios({
        {"bare send, CHECK CONDITION", "bare send, GOOD", 0},
        {"bare RegisterPR", "bare send, GOOD", 0},
        {"handle, PR_register", "bare RegisterPR", 3.0},
        {"handle, PR_register, logged", "bare RegisterPR", 0},
        {"handle, PR_queryRegKey (2 keys)", "bare QueryReg (2 keys)", 3.0},
        {"handle, PR_queryRegKey (2 keys), logged", "bare QueryReg (2 keys)", 0},
        {"device-list refresh (tape drives)", "bare send, GOOD", 0},
        {"READ KEYS, per key of 2", "READ KEYS, per key of 40", 0},
        {"READ KEYS, per key of 1000", "READ KEYS, per key of 40", 1.5},
        {"READ KEYS, per key of 8190", "READ KEYS, per key of 40", 1.5},
    });
    return 0;
}
