// A scripted tape drive for the tool as a process: linked with the tool's main instead of the
// platform layer, it answers every command at once except SPACE, which takes as long as
// QXSCSI_STALL_MS says (30 s when unset), the way spacing to the end of a long tape does.
#include <chrono>
#include <cstdlib>
#include <thread>

#include "double/FakePlatform.h"

namespace {

struct StallingDevice {
    StallingDevice() {
        const char* setting = std::getenv("QXSCSI_STALL_MS");
        const long stall = setting != nullptr ? std::strtol(setting, nullptr, 10) : 30000;
        fake::platform().setResponder([stall](const fake::Command& c) {
            if (!c.cdb.empty() && c.cdb[0] == 0x11) {
                std::this_thread::sleep_for(std::chrono::milliseconds(stall));
            }
            return fake::Reply::good();
        });
    }
};

const StallingDevice device;

}  // namespace
