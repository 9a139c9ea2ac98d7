#include "DemoOptions.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace qxdemo {

namespace {

bool parseLun(const char* text, int& lun) {
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || value < 0 || value > 255) {
        return false;
    }
    lun = static_cast<int>(value);
    return true;
}

}  // namespace

const char* demoUsage() {
    return "Usage: qxscsi-demo --tool PATH --portal HOST:PORT --target IQN\n"
           "                   [--disk-lun N] [--tape-lun N]\n"
           "\n"
           "Two hosts, A and B, fence each other on a shared disk of an iSCSI target,\n"
           "while the qxscsi tool at PATH looks on from outside between the steps:\n"
           "  1. the tape drive's identity and position (qxscsi identify, position)\n"
           "  2. host A takes the disk with the forced reserve (pr-keys, pr-reservation)\n"
           "  3. A's read passes, B's meets RESERVATION CONFLICT\n"
           "  4. B takes the disk over by pre-emption; B's read passes, A's is refused\n"
           "  5. B's forced clear removes every key (pr-keys)\n"
           "Hosts A and B are two reservation handles of this one process, each with an\n"
           "initiator name of its own, so each stays one I_T nexus for the whole story.\n"
           "\n"
           "  --tool PATH         the qxscsi program\n"
           "  --portal HOST:PORT  the target's address, as 127.0.0.1:3260\n"
           "  --target IQN        the target's name\n"
           "  --disk-lun N        the shared disk: nobody may hold it (default 5)\n"
           "  --tape-lun N        the tape drive (default 3)\n"
           "  -h, --help          this text\n"
           "\n"
           "Exit status: 0 the story was told, 1 a step did not turn out as it should\n"
           "(the step and the reason are said), 2 a bad command line. Ctrl-C stops the\n"
           "story at once.\n"
           "\n"
           "./run demo starts a private tgt target, runs this and stops the target.\n";
}

bool parseDemoOptions(int argc, char** argv, DemoOptions& options, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "-h") == 0 || std::strcmp(arg, "--help") == 0) {
            options.help = true;
            return true;
        }
        const bool known = std::strcmp(arg, "--tool") == 0 || std::strcmp(arg, "--portal") == 0 ||
                           std::strcmp(arg, "--target") == 0 ||
                           std::strcmp(arg, "--disk-lun") == 0 ||
                           std::strcmp(arg, "--tape-lun") == 0;
        if (!known) {
            error = std::string("unknown argument '") + arg + "'";
            return false;
        }
        if (i + 1 >= argc) {
            error = std::string(arg) + " needs a value";
            return false;
        }
        const char* value = argv[++i];
        if (std::strcmp(arg, "--tool") == 0) {
            options.tool = value;
        } else if (std::strcmp(arg, "--portal") == 0) {
            options.portal = value;
        } else if (std::strcmp(arg, "--target") == 0) {
            options.target = value;
        } else if (!parseLun(value, std::strcmp(arg, "--disk-lun") == 0 ? options.diskLun
                                                                        : options.tapeLun)) {
            error = std::string(arg) + " '" + value + "' is not a LUN (0 to 255)";
            return false;
        }
    }
    if (options.tool.empty() || options.portal.empty() || options.target.empty()) {
        error = "--tool, --portal and --target are needed";
        return false;
    }
    if (options.diskLun == options.tapeLun) {
        error = "the disk and the tape drive must be different LUNs";
        return false;
    }
    return true;
}

}  // namespace qxdemo
