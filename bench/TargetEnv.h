// A value of the target.env file (written by scripts/tgt/tgt-target.sh) that QXSCSI_TGT_ENV
// names: how the iSCSI benchmarks find the private target ./run bench started.
#ifndef QXSCSI_BENCH_TARGETENV_H
#define QXSCSI_BENCH_TARGETENV_H

#include <cstdlib>
#include <fstream>
#include <string>

namespace bench {

// Empty when there is no such file or value.
inline std::string setting(const std::string& name) {
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

}  // namespace bench

#endif
