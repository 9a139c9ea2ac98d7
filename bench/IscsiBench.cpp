// The library's own cost on an iSCSI session against raw libiscsi (its synchronous calls) on an
// open session of its own, one host, nothing else on the target: TEST UNIT READY through a
// pass-through object; PR_queryRegKey on a fresh handle against one READ KEYS; the forced reserve
// of a free disk against its four commands (READ KEYS, REGISTER AND IGNORE EXISTING KEY, READ
// RESERVATION, RESERVE). Against the tgt target that QXSCSI_TGT_ENV's file names (./run bench
// starts a private one). Aim: the library takes at most 1.10x the raw commands.
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <fcntl.h>
#include <iscsi/iscsi.h>
#include <iscsi/scsi-lowlevel.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/Ratios.h"
#include "bench/TargetEnv.h"
#include "qxscsi/QXNTSpti.h"
#include "qxscsi/QXScsiHardDisk.h"

namespace {

constexpr int kTurLun = 2;
constexpr int kReservationLun = 4;
constexpr char kInitiatorPrefix[] = "iqn.2026-12.local.qxscsi:";
// The host key doForcePR_Reserve(7, 0, 1, ...) builds, and the same eight bytes as a number.
constexpr char kKey[] = "QX070001";
constexpr std::uint64_t kKeyNumber = 0x5158303730303031ULL;
// What the library asks for first in a PERSISTENT RESERVE IN.
constexpr std::uint16_t kReadLength = 256;

using bench::setting;

std::string libraryPath(int lun) {
    return "iscsi://" + setting("TGT_PORTAL") + "/" + setting("TGT_IQN") + "/" +
           std::to_string(lun) + "?initiator=" + kInitiatorPrefix + "bench-library";
}

using Clock = std::chrono::steady_clock;

// Runs the loop with the time of each timed step added up (set-up between steps is not timed),
// and records the time per step under way.
template <typename Step>
void timeSteps(benchmark::State& state, const std::string& way, Step step) {
    double total = 0;
    for (auto _ : state) {
        double micro = 0;
        if (!step(micro)) {
            state.SkipWithError((way + " failed").c_str());
            return;
        }
        state.SetIterationTime(micro / 1e6);
        total += micro;
    }
    bench::record(way, total / static_cast<double>(state.iterations()));
}

// Microseconds that call takes; false when it fails.
template <typename Call>
bool timed(double& micro, Call call) {
    const Clock::time_point start = Clock::now();
    const bool good = call();
    micro = std::chrono::duration<double, std::micro>(Clock::now() - start).count();
    return good;
}

// A raw libiscsi session of its own on lun. Guarded, each command also makes the system calls
// that the library makes for it, outside its own work: the pass-through object's device-list
// refresh (a read of the tape drives' sysfs folder), the pooled session's check for a closed
// connection (a poll), and for a command with data out SIGPIPE kept away while it is written.
class RawSession {
  public:
    RawSession(int lun, bool guarded) : m_lun(lun), m_guarded(guarded) {
        const std::string initiator = std::string(kInitiatorPrefix) + "bench-raw";
        m_c = iscsi_create_context(initiator.c_str());
        if (m_c == nullptr || iscsi_set_targetname(m_c, setting("TGT_IQN").c_str()) != 0 ||
            iscsi_set_session_type(m_c, ISCSI_SESSION_NORMAL) != 0 ||
            iscsi_full_connect_sync(m_c, setting("TGT_PORTAL").c_str(), lun) != 0) {
            m_failure = m_c != nullptr ? iscsi_get_error(m_c) : "no iSCSI context";
        } else {
            m_up = true;
        }
    }
    ~RawSession() {
        if (m_up) {
            iscsi_logout_sync(m_c);
        }
        if (m_c != nullptr) {
            iscsi_destroy_context(m_c);
        }
    }
    RawSession(const RawSession&) = delete;
    RawSession& operator=(const RawSession&) = delete;

    bool up() const { return m_up; }
    const char* failure() const { return m_failure.c_str(); }

    // True when the task came back GOOD; frees it.
    static bool good(scsi_task* task) {
        const bool ok = task != nullptr && task->status == SCSI_STATUS_GOOD;
        if (task != nullptr) {
            scsi_free_scsi_task(task);
        }
        return ok;
    }
    bool testUnitReady() { return good(iscsi_testunitready_sync(m_c, m_lun)); }
    bool readIn(int serviceAction) {
        opened();
        return good(iscsi_persistent_reserve_in_sync(m_c, m_lun, serviceAction, kReadLength));
    }
    bool out(int serviceAction, std::uint64_t key, std::uint64_t serviceActionKey) {
        opened();
        sigset_t pipe;
        sigset_t saved;
        sigemptyset(&pipe);
        sigaddset(&pipe, SIGPIPE);
        if (m_guarded) {
            pthread_sigmask(SIG_BLOCK, &pipe, &saved);
        }
        const bool done = send(serviceAction, key, serviceActionKey);
        if (m_guarded) {
            sigpending(&pipe);
            pthread_sigmask(SIG_SETMASK, &saved, nullptr);
        }
        return done;
    }
    // The disk left with no registration and no reservation, by this session; a unit attention
    // the other way's clear queued is met on the first try.
    bool clear() {
        for (int attempt = 0; attempt < 3; ++attempt) {
            if (send(SCSI_PERSISTENT_RESERVE_REGISTER_AND_IGNORE_EXISTING_KEY, 0, kKeyNumber) &&
                send(SCSI_PERSISTENT_RESERVE_CLEAR, kKeyNumber, 0)) {
                return true;
            }
        }
        return false;
    }

  private:
    // What a guarded command costs before it is sent.
    void opened() {
        if (!m_guarded) {
            return;
        }
        const int fd = ::open("/sys/class/scsi_tape", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd >= 0) {
            char entries[4096];
            while (getdents64(fd, entries, sizeof entries) > 0) {
            }
            ::close(fd);
        }
        pollfd p = {iscsi_get_fd(m_c), POLLIN, 0};
        ::poll(&p, 1, 0);
    }
    bool send(int serviceAction, std::uint64_t key, std::uint64_t serviceActionKey) {
        scsi_persistent_reserve_out_basic params{};
        params.reservation_key = key;
        params.service_action_reservation_key = serviceActionKey;
        return good(iscsi_persistent_reserve_out_sync(
            m_c, m_lun, serviceAction, SCSI_PERSISTENT_RESERVE_SCOPE_LU,
            SCSI_PERSISTENT_RESERVE_TYPE_EXCLUSIVE_ACCESS, &params));
    }

    iscsi_context* m_c = nullptr;
    int m_lun;
    bool m_guarded;
    bool m_up = false;
    std::string m_failure;
};

void BM_TestUnitReadyLibrary(benchmark::State& state) {
    QXNTSpti spti(0, libraryPath(kTurLun));
    if (!spti.isOK()) {
        state.SkipWithError(spti.m_strErrorMsg.c_str());
        return;
    }
    timeSteps(state, "library, TEST UNIT READY", [&](double& micro) {
        return timed(micro, [&] {
            return spti.TestUnitReady(nullptr, nullptr, nullptr) && spti.m_nScsiStatus == 0;
        });
    });
}

void BM_TestUnitReadyRaw(benchmark::State& state) {
    RawSession raw(kTurLun, false);
    if (!raw.up()) {
        state.SkipWithError(raw.failure());
        return;
    }
    timeSteps(state, "raw, TEST UNIT READY",
              [&](double& micro) { return timed(micro, [&] { return raw.testUnitReady(); }); });
}

void BM_QueryRegKeyLibrary(benchmark::State& state) {
    const std::string path = libraryPath(kReservationLun);
    timeSteps(state, "library, PR_queryRegKey on a fresh handle", [&](double& micro) {
        return timed(micro, [&] {
            QXScsiHardDisk disk(path, 1);
            disk.Open();
            std::vector<std::string> keys;
            return disk.PR_queryRegKey(keys) == 0;
        });
    });
}

// Arg 1: guarded.
std::string rawWay(benchmark::State& state, const char* what) {
    return std::string(state.range(0) != 0 ? "raw with the library's system calls, " : "raw, ") +
           what;
}

void BM_ReadKeysRaw(benchmark::State& state) {
    RawSession raw(kReservationLun, state.range(0) != 0);
    if (!raw.up()) {
        state.SkipWithError(raw.failure());
        return;
    }
    timeSteps(state, rawWay(state, "READ KEYS"), [&](double& micro) {
        return timed(micro, [&] { return raw.readIn(SCSI_PERSISTENT_RESERVE_READ_KEYS); });
    });
}

// The disk cleared by the library's own session (so that no unit attention waits for it).
bool clearByLibrary(const std::string& path) {
    QXNTSpti spti(0, path);
    return spti.isOK() && spti.RegisterPR(kKey, true) == 0 && spti.ClearPR(kKey, "", 3) == 0;
}

void BM_ForcedReserveLibrary(benchmark::State& state) {
    const std::string path = libraryPath(kReservationLun);
    QXScsiHardDisk disk(path, 1);
    disk.Open();
    timeSteps(state, "library, doForcePR_Reserve of a free disk", [&](double& micro) {
        std::string key;
        return clearByLibrary(path) &&
               timed(micro, [&] { return disk.doForcePR_Reserve(7, 0, 1, key) == 0; });
    });
}

void BM_ForcedReserveRaw(benchmark::State& state) {
    RawSession raw(kReservationLun, state.range(0) != 0);
    if (!raw.up()) {
        state.SkipWithError(raw.failure());
        return;
    }
    timeSteps(state, rawWay(state, "the forced reserve's four commands"), [&](double& micro) {
        return raw.clear() && timed(micro, [&] {
                   return raw.readIn(SCSI_PERSISTENT_RESERVE_READ_KEYS) &&
                          raw.out(SCSI_PERSISTENT_RESERVE_REGISTER_AND_IGNORE_EXISTING_KEY, 0,
                                  kKeyNumber) &&
                          raw.readIn(SCSI_PERSISTENT_RESERVE_READ_RESERVATION) &&
                          raw.out(SCSI_PERSISTENT_RESERVE_RESERVE, kKeyNumber, 0);
               });
    });
}

void repeated(benchmark::internal::Benchmark* b) {
    b->UseManualTime()->MinTime(1.0)->Repetitions(9)->ReportAggregatesOnly(true);
}
BENCHMARK(BM_TestUnitReadyLibrary)->Apply(repeated);
BENCHMARK(BM_TestUnitReadyRaw)->Apply(repeated);
BENCHMARK(BM_QueryRegKeyLibrary)->Apply(repeated);
BENCHMARK(BM_ReadKeysRaw)->Arg(0)->Arg(1)->Apply(repeated);
BENCHMARK(BM_ForcedReserveLibrary)->Apply(repeated);
BENCHMARK(BM_ForcedReserveRaw)->Arg(0)->Arg(1)->Apply(repeated);

}  // namespace

int main(int argc, char** argv) {
    // The ways take turns, repetition by repetition, so that a busy moment of the machine falls
    // on all of them.
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
    bench::printRatios({
        {"library, TEST UNIT READY", "raw, TEST UNIT READY", 1.10},
        {"library, PR_queryRegKey on a fresh handle", "raw, READ KEYS", 1.10},
        {"library, doForcePR_Reserve of a free disk", "raw, the forced reserve's four commands",
         1.10},
        {"library, PR_queryRegKey on a fresh handle",
         "raw with the library's system calls, READ KEYS", 0},
        {"library, doForcePR_Reserve of a free disk",
         "raw with the library's system calls, the forced reserve's four commands", 0},
    });
    return 0;
}
