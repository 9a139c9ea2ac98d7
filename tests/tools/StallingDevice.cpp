// A scripted tape drive for the tool as a process: linked with the tool's main instead of the
// platform layer, it answers every command at once except SPACE, which takes 30 s, the way
// spacing to the end of a long tape does.
#include <chrono>
#include <thread>

#include "double/FakePlatform.h"

namespace {

struct StallingDevice {
    StallingDevice() {
        fake::platform().setResponder([](const fake::Command& c) {
            if (!c.cdb.empty() && c.cdb[0] == 0x11) {
                std::this_thread::sleep_for(std::chrono::seconds(30));
            }
            return fake::Reply::good();
        });
    }
};

const StallingDevice device;

}  // namespace
