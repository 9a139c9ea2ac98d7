// Cost of the command path and of the reservation reads, without a device.
//
// Targets: a command that completes (GOOD or CHECK CONDITION) allocates nothing on the send path;
// READ KEYS of 40 registrations (two commands) stays within a few microseconds.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "bench/AllocationCounter.h"
#include "bench/CannedPlatform.h"
#include "qxscsi/QXNTSpti.h"

namespace {

void BM_SendSCSICmd(benchmark::State& state) {
    canned::canned() = canned::CannedReply{static_cast<int>(state.range(0)), {}};
    QXNTSpti spti(0, "/dev/bench");
    unsigned char cdb[6] = {0x00, 0, 0, 0, 0, 0};
    unsigned char key = 0, asc = 0, ascq = 0;
    const unsigned long before = bench::g_allocations;
    for (auto _ : state) {
        benchmark::DoNotOptimize(spti.SendSCSICmd(cdb, 6, nullptr, 0, &key, &asc, &ascq, 1800, 0));
    }
    state.counters["allocs/cmd"] =
        benchmark::Counter(static_cast<double>(bench::g_allocations - before) /
                           static_cast<double>(state.iterations()));
}
BENCHMARK(BM_SendSCSICmd)->Arg(0)->Arg(2);

void BM_ReadKeys(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    std::vector<unsigned char> reply(8 + 8 * static_cast<std::size_t>(count), 0);
    const unsigned length = 8u * static_cast<unsigned>(count);
    reply[4] = static_cast<unsigned char>(length >> 24);
    reply[5] = static_cast<unsigned char>(length >> 16);
    reply[6] = static_cast<unsigned char>(length >> 8);
    reply[7] = static_cast<unsigned char>(length);
    for (int i = 0; i < count; ++i) {
        std::memcpy(&reply[8 + 8 * static_cast<std::size_t>(i)], "QX010203", 8);
    }
    canned::canned() = canned::CannedReply{0, reply};
    QXNTSpti spti(0, "/dev/bench");
    std::vector<std::string> keys;
    keys.reserve(static_cast<std::size_t>(count));
    for (auto _ : state) {
        keys.clear();
        benchmark::DoNotOptimize(spti.QueryReg(keys));
    }
    state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_ReadKeys)->Arg(2)->Arg(31)->Arg(40)->Arg(8190);

}  // namespace

BENCHMARK_MAIN();
