#include "bench/Ratios.h"

#include <algorithm>
#include <cstdio>
#include <map>

namespace bench {
namespace {

struct Way {
    std::vector<double> microseconds;
    std::vector<double> allocations;
};

std::map<std::string, Way>& ways() {
    static std::map<std::string, Way> all;
    return all;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

}  // namespace

void record(const std::string& way, double microseconds, double allocations) {
    Way& w = ways()[way];
    w.microseconds.push_back(microseconds);
    if (allocations >= 0) {
        w.allocations.push_back(allocations);
    }
}

double medianMicroseconds(const std::string& way) {
    const auto it = ways().find(way);
    return it == ways().end() ? 0.0 : median(it->second.microseconds);
}

void printRatios(const std::vector<Ratio>& rows) {
    std::printf("\n%-46s %12s %7s %7s  %-16s %s\n", "way (median of repetitions)", "per call",
                "allocs", "ratio", "aim", "against");
    for (const Ratio& row : rows) {
        const double time = medianMicroseconds(row.way);
        const double base = medianMicroseconds(row.base);
        if (time <= 0 || base <= 0) {
            std::printf("%-46s %12s\n", row.way.c_str(), "not run");
            continue;
        }
        const Way& w = ways()[row.way];
        char allocs[16] = "-";
        if (!w.allocations.empty()) {
            // NOLINTNEXTLINE(cert-err33-c): a count always fits
            std::snprintf(allocs, sizeof allocs, "%.1f", median(w.allocations));
        }
        char aim[32] = "";
        if (row.aim > 0) {
            // NOLINTNEXTLINE(cert-err33-c): cut short at worst
            std::snprintf(aim, sizeof aim, "<= %.2fx %s", row.aim,
                          time / base <= row.aim ? "met" : "MISSED");
        }
        std::printf("%-46s %9.3f us %7s %6.2fx  %-16s %s\n", row.way.c_str(), time, allocs,
                    time / base, aim, row.base.c_str());
    }
}

}  // namespace bench
