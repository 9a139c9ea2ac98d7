// A platform with no device behind it, for the benchmarks and fuzz targets: every command
// completes at once with the reply set here, so what is measured is the library's own work.
#ifndef QXSCSI_BENCH_CANNEDPLATFORM_H
#define QXSCSI_BENCH_CANNEDPLATFORM_H

#include <vector>

namespace canned {

// The reply every command gets; a status other than 0 comes with UNIT ATTENTION sense.
struct CannedReply {
    int status = 0;
    std::vector<unsigned char> dataIn;
};

inline CannedReply& canned() {
    static CannedReply reply;
    return reply;
}

}  // namespace canned

#endif
