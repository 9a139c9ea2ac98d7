// The forced reserve under load: hosts, each a process with an initiator name of its own, race it
// on every race disk of the tgt target that QXSCSI_TGT_ENV's file names (./run bench starts one
// with eight), and the time of each call is taken. Aim: p99 under 50 ms on loopback.
//
//   qxscsi_race_bench [HOSTS [ROUNDS]]    default 16 hosts, 1,000 rounds each
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/ForcedReserveRace.h"
#include "bench/TargetEnv.h"

namespace {

using bench::setting;

// A positive count from the command line, or fallback.
int count(int argc, char** argv, int at, int fallback) {
    if (argc <= at) {
        return fallback;
    }
    char* end = nullptr;
    const long n = std::strtol(argv[at], &end, 10);
    if (*end != '\0' || n < 1 || n > 100000) {
        std::fprintf(stderr, "qxscsi_race_bench: not a count: %s\n", argv[at]);
        std::exit(2);
    }
    return static_cast<int>(n);
}

}  // namespace

int main(int argc, char** argv) {
    race::Settings s;
    s.portal = setting("TGT_PORTAL");
    s.target = setting("TGT_IQN");
    std::string luns = setting("TGT_RACE_LUNS");
    for (char& c : luns) {
        c = c == '"' ? ' ' : c;
    }
    for (std::size_t at = 0; at < luns.size();) {
        char* end = nullptr;
        const long lun = std::strtol(luns.c_str() + at, &end, 10);
        if (end == luns.c_str() + at) {
            ++at;
            continue;
        }
        s.luns.push_back(static_cast<int>(lun));
        at = static_cast<std::size_t>(end - luns.c_str());
    }
    if (s.portal.empty() || s.luns.empty()) {
        std::fprintf(stderr,
                     "no target: QXSCSI_TGT_ENV names no target.env with TGT_PORTAL and "
                     "TGT_RACE_LUNS\n");
        return 2;
    }
    s.hosts = count(argc, argv, 1, 16);
    s.rounds = count(argc, argv, 2, 1000);
    s.limitSeconds = 1800;
    std::printf("%d hosts race the forced reserve on %zu disks, %d rounds each\n", s.hosts,
                s.luns.size(), s.rounds);
    const race::Result r = race::run(s);
    std::printf(
        "forced reserve under load: %zu calls, p50 %.2f ms, p99 %.2f ms, slowest %.2f ms "
        "(aim: p99 under 50 ms)\n",
        r.milliseconds.size(), race::percentile(r.milliseconds, 50),
        race::percentile(r.milliseconds, 99), race::percentile(r.milliseconds, 100));
    int unexpected = 0;
    for (const auto& code : r.codes) {
        std::printf("  code %lu: %d calls%s\n", code.first, code.second,
                    race::lostRaceCode(code.first) ? "" : " (not a lost race's code)");
        unexpected += race::lostRaceCode(code.first) ? 0 : 1;
    }
    for (const std::string& p : r.problems) {
        std::printf("  PROBLEM: %s\n", p.c_str());
    }
    const bool held = r.problems.empty() && unexpected == 0;
    std::printf("%s\n", held
                            ? "every disk ends with one holder, a registered host whose READ passes"
                            : "the race broke its rules");
    return held ? 0 : 1;
}
