// The fault sweep over the scripted platform double: each kind of platform and device failure,
// as the platform layer reports it, at each command of each workflow and flat function.
#include <cerrno>
#include <iostream>
#include <string>
#include <vector>

#include "tests/double/FakePlatform.h"
#include "tests/handle/FaultSweep.h"

namespace {

using fake::platform;
using fake::Reply;
using sweep::Effect;

struct Fault {
    const char* name;
    Effect effect;
    std::vector<Reply> replies;  // in place of the device's, for the command and its resend
    bool conflict = false;       // RESERVATION CONFLICT
};

const std::vector<Fault>& faults() {
    static const std::vector<Fault> all = {
        {"QxScsiException with sense",
         Effect::kFails,
         {Reply::throwScsi(2, fake::fixedSense(0x03, 0x11, 0x00))}},
        {"QxScsiException without sense", Effect::kFails, {Reply::throwScsi(2)}},
        {"QxScsiException, status -1", Effect::kFails, {Reply::throwScsi(-1)}},
        {"QxScsiException, status -1, no text",
         Effect::kFails,
         {Reply::throwScsi(-1, {}, nullptr)}},
        {"QxException, errno EIO", Effect::kFails, {Reply::throwQx("I/O error", EIO)}},
        {"QxException, no errno", Effect::kFails, {Reply::throwQx(nullptr, 0)}},
        {"std::bad_alloc", Effect::kThrows, {Reply::throwBadAlloc()}},
        {"status -1", Effect::kFails, {Reply::status(-1)}},
        {"ILLEGAL REQUEST", Effect::kFails, {Reply::check(0x05, 0x24, 0x00)}},
        {"UNIT ATTENTION once", Effect::kHeals, {Reply::check(0x06, 0x29, 0x00)}},
        {"UNIT ATTENTION on the resend too",
         Effect::kFails,
         {Reply::check(0x06, 0x29, 0x00), Reply::check(0x06, 0x2A, 0x03)}},
        {"RESERVATION CONFLICT", Effect::kFails, {Reply::conflict()}, true},
        {"BUSY", Effect::kFails, {Reply::status(8)}},
        {"reply shorter than asked", Effect::kTruncates, {}},
    };
    return all;
}

class FaultSweep : public fake::Test {};

TEST_F(FaultSweep, EveryWorkflowSurvivesEveryFaultAtEveryCommand) {
    const int cases = sweep::forEachCase(
        faults(), std::string("/dev/host"),
        [&](const sweep::Scenario& scenario, std::size_t k, const Fault& fault,
            const std::string& path) {
            platform().reset();
            prmodel::Device device = prmodel::deviceFrom(scenario.before);
            std::size_t sent = 0;
            bool armed = true;
            platform().setResponder([&](const fake::Command& c) {
                const std::size_t i = sent++;
                if (armed && i >= k && i < k + fault.replies.size()) {
                    return fault.replies[i - k];
                }
                Reply r = device.respond(c);
                if (armed && i == k && fault.effect == Effect::kTruncates) {
                    r.dataIn.resize(std::min<std::size_t>(r.dataIn.size(), 8));
                }
                return r;
            });
            sweep::runCase(
                scenario, k, fault.effect, fault.conflict, path, device, [&] { armed = false; },
                [&] {
                    return sweep::Probe{sent, platform().targetsLive};
                });
        });
    std::cout << "fault sweep: " << cases << " (workflow, position, fault) cases\n";
    EXPECT_GT(cases, 150);
}

}  // namespace
