// What a benchmark run measured, way by way, and the table of ratios printed at its end: each
// benchmark records the time per call (and the allocations per call, where counted) of every
// repetition under the name of its way; the table compares the medians.
#ifndef QXSCSI_BENCH_RATIOS_H
#define QXSCSI_BENCH_RATIOS_H

#include <string>
#include <vector>

namespace bench {

// One repetition of a way: microseconds per call, and allocations per call (negative when not
// counted).
void record(const std::string& way, double microseconds, double allocations = -1.0);

// The median time per call of a way's repetitions; 0 when it never ran.
double medianMicroseconds(const std::string& way);

// A row of the table: way's median against base's, with the aim (0 for none) it is held to.
struct Ratio {
    std::string way;
    std::string base;
    double aim;
};

// Prints the table: each way's median time and allocations, its ratio to its base and whether
// the aim is met.
void printRatios(const std::vector<Ratio>& rows);

}  // namespace bench

#endif
