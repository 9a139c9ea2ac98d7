// Many hosts race the forced reserve on many disks of one iSCSI target: each host is a process
// of its own with an initiator name of its own (so an I_T nexus of its own), and takes disk after
// disk with doForcePR_Reserve, round after round. When every host is done, each disk must be held
// by exactly one host, whose key is registered and whose READ passes while every other host's is
// refused, and no call may have failed with anything but the codes of a lost race. Run by the
// scale benchmark at full size and by the integration tests in short.
#ifndef QXSCSI_BENCH_FORCEDRESERVERACE_H
#define QXSCSI_BENCH_FORCEDRESERVERACE_H

#include <map>
#include <string>
#include <vector>

namespace race {

struct Settings {
    std::string portal;  // host:port
    std::string target;  // the target's name
    std::vector<int> luns;
    int hosts = 4;
    int rounds = 50;
    std::string initiatorPrefix = "iqn.2026-12.local.qxscsi:race-";
    // The whole race, checks included, or it fails and its hosts are killed.
    int limitSeconds = 600;
};

struct Result {
    std::vector<double> milliseconds;    // each forced reserve's time, all hosts
    std::map<unsigned long, int> codes;  // how many calls returned each code
    std::vector<std::string> problems;   // what broke the race's rules; empty when none did
};

// The codes a forced reserve may return when another host wins the race: 0 is success,
// 45002 a reservation conflict, 764 a change the device refused, 45001 a read that failed.
bool lostRaceCode(unsigned long code);

Result run(const Settings& settings);

// The p-th percentile (0..100) of values; 0 when there are none.
double percentile(std::vector<double> values, double p);

}  // namespace race

#endif
