// The library's own cost on an iSCSI session: TEST UNIT READY through a pass-through object
// against the same command through raw libiscsi (its synchronous calls) on an open session of
// its own, one host, nothing else on the target. Against the tgt target that QXSCSI_TGT_ENV's
// file names (./run bench starts a private one). Target: the library takes at most 1.10x the
// raw command; a session that carries many commands at once must not cost the lone one.
#include <benchmark/benchmark.h>
#include <iscsi/iscsi.h>
#include <iscsi/scsi-lowlevel.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "qxscsi/QXNTSpti.h"

namespace {

constexpr int kLun = 2;
constexpr char kInitiatorPrefix[] = "iqn.2026-12.local.qxscsi:";

std::string setting(const std::string& name) {
    const char* file = std::getenv("QXSCSI_TGT_ENV");
    std::ifstream in(file != nullptr ? file : "");
    std::string line;
    while (std::getline(in, line)) {
        if (line.compare(0, name.size() + 1, name + "=") == 0) {
            return line.substr(name.size() + 1);
        }
    }
    return std::string();
}

// Microseconds per command of each repetition, by way.
std::vector<double> g_library;
std::vector<double> g_raw;

template <typename Send>
void timeCommands(benchmark::State& state, std::vector<double>& record, Send send) {
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        if (!send()) {
            state.SkipWithError("TEST UNIT READY failed");
            return;
        }
    }
    const std::chrono::duration<double, std::micro> took = std::chrono::steady_clock::now() - start;
    record.push_back(took.count() / static_cast<double>(state.iterations()));
}

void BM_TestUnitReadyLibrary(benchmark::State& state) {
    QXNTSpti spti(0, "iscsi://" + setting("TGT_PORTAL") + "/" + setting("TGT_IQN") + "/" +
                         std::to_string(kLun) + "?initiator=" + kInitiatorPrefix + "bench-library");
    if (!spti.isOK()) {
        state.SkipWithError(spti.m_strErrorMsg.c_str());
        return;
    }
    timeCommands(state, g_library, [&] {
        return spti.TestUnitReady(nullptr, nullptr, nullptr) && spti.m_nScsiStatus == 0;
    });
}

void BM_TestUnitReadyRawLibiscsi(benchmark::State& state) {
    const std::string initiator = std::string(kInitiatorPrefix) + "bench-raw";
    iscsi_context* c = iscsi_create_context(initiator.c_str());
    if (c == nullptr || iscsi_set_targetname(c, setting("TGT_IQN").c_str()) != 0 ||
        iscsi_set_session_type(c, ISCSI_SESSION_NORMAL) != 0 ||
        iscsi_full_connect_sync(c, setting("TGT_PORTAL").c_str(), kLun) != 0) {
        state.SkipWithError(c != nullptr ? iscsi_get_error(c) : "no iSCSI context");
    } else {
        timeCommands(state, g_raw, [&] {
            scsi_task* task = iscsi_testunitready_sync(c, kLun);
            const bool good = task != nullptr && task->status == SCSI_STATUS_GOOD;
            if (task != nullptr) {
                scsi_free_scsi_task(task);
            }
            return good;
        });
        iscsi_logout_sync(c);
    }
    if (c != nullptr) {
        iscsi_destroy_context(c);
    }
}

BENCHMARK(BM_TestUnitReadyLibrary)->MinTime(1.0)->Repetitions(9)->ReportAggregatesOnly(true);
BENCHMARK(BM_TestUnitReadyRawLibiscsi)->MinTime(1.0)->Repetitions(9)->ReportAggregatesOnly(true);

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    // The two ways take turns, repetition by repetition, so that a busy moment of the machine
    // falls on both.
    static char interleave[] = "--benchmark_enable_random_interleaving=true";
    std::vector<char*> args(argv, argv + argc);
    args.insert(args.begin() + 1, interleave);
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    if (setting("TGT_PORTAL").empty()) {
        std::fprintf(stderr, "no target: QXSCSI_TGT_ENV names no target.env with TGT_PORTAL\n");
        return 2;
    }
    benchmark::RunSpecifiedBenchmarks();
    const double library = median(g_library);
    const double raw = median(g_raw);
    if (library > 0 && raw > 0) {
        std::printf(
            "TEST UNIT READY, one host, uncontended: library %.1f us, raw libiscsi %.1f us, "
            "library/raw %.2fx (target at most 1.10x)\n",
            library, raw, library / raw);
    }
    return 0;
}
