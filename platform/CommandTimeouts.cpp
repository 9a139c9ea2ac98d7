#include "platform/CommandTimeouts.h"

#include "platform/OZScsi.h"

namespace oz {
namespace {

struct OpcodeTimeout {
    unsigned char opcode;
    unsigned int seconds;
};

// Commands that take longer than the default: a full-length ERASE of a tape cartridge.
const OpcodeTimeout kLongCommands[] = {
    {0x19, OZScsi::kEraseTimeout},  // ERASE(6)
};

}  // namespace

unsigned int commandTimeoutSeconds(unsigned char opcode, int requestedSeconds) {
    if (requestedSeconds > 0) {
        const unsigned int requested = static_cast<unsigned int>(requestedSeconds);
        return requested < kMaxTimeoutSeconds ? requested : kMaxTimeoutSeconds;
    }
    for (const OpcodeTimeout& t : kLongCommands) {
        if (t.opcode == opcode) {
            return t.seconds;
        }
    }
    return OZScsi::kDefaultTimeout;
}

}  // namespace oz
