// The demonstration's command line: where the target is, which of its LUNs are the shared disk
// and the tape drive, and which qxscsi tool observes.
#ifndef QX_TOOLS_DEMO_DEMOOPTIONS_H
#define QX_TOOLS_DEMO_DEMOOPTIONS_H

#include <string>

namespace qxdemo {

struct DemoOptions {
    std::string tool;    // the qxscsi program that observes from outside
    std::string portal;  // host:port of the iSCSI target
    std::string target;  // the target's name (IQN)
    int diskLun = 5;
    int tapeLun = 3;
    bool help = false;
};

// Parses argv; on a bad command line returns false with the reason in error.
bool parseDemoOptions(int argc, char** argv, DemoOptions& options, std::string& error);

// The --help text.
const char* demoUsage();

}  // namespace qxdemo

#endif
