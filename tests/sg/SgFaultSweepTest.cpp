// The fault sweep through the library's real SG_IO transport: each failure the kernel's SCSI
// generic driver can report (the request refused, the host adapter or driver giving up, the
// device's own verdicts, a short transfer), at each command of each workflow and flat function.
#include <cerrno>
#include <iostream>
#include <string>
#include <vector>

#include "tests/handle/FaultSweep.h"
#include "tests/sg/MadeUpSgDevice.h"

namespace {

using fake::Reply;
using madeup::Answer;
using sweep::Effect;

// Host and driver status values of the SCSI mid-layer.
constexpr int kNoConnect = 0x01, kTimeOut = 0x03, kTransportDisrupted = 0x0e, kNexusFailure = 0x11,
              kDriverTimeout = 0x06;

Answer refused(int error) {
    Answer a;
    a.ioctlErrno = error;
    return a;
}

Answer host(int hostStatus, int driverStatus = 0) {
    Answer a;
    a.hostStatus = hostStatus;
    a.driverStatus = driverStatus;
    a.reply = Reply::status(0);
    return a;
}

Answer device(Reply reply, int hostStatus = 0) {
    Answer a;
    a.reply = std::move(reply);
    a.hostStatus = hostStatus;
    return a;
}

struct Fault {
    const char* name;
    Effect effect;
    std::vector<Answer> answers;  // in place of the device's, for the command and its resend
    bool conflict = false;
    int openErrno = 0;  // instead, the open before the command fails with this
};

const std::vector<Fault>& faults() {
    static const std::vector<Fault> all = {
        {"open refused: ENOENT (device gone)", Effect::kFails, {}, false, ENOENT},
        {"SG_IO refused: EIO", Effect::kFails, {refused(EIO)}},
        {"host: no connection", Effect::kFails, {host(kNoConnect)}},
        {"host: timed out", Effect::kFails, {host(kTimeOut)}},
        {"host: transport disrupted", Effect::kFails, {host(kTransportDisrupted)}},
        {"driver: timed out", Effect::kFails, {host(0, kDriverTimeout)}},
        {"CHECK CONDITION without sense", Effect::kFails, {device(Reply::status(2))}},
        {"ILLEGAL REQUEST", Effect::kFails, {device(Reply::check(0x05, 0x24, 0x00))}},
        {"UNIT ATTENTION once", Effect::kHeals, {device(Reply::check(0x06, 0x29, 0x00))}},
        {"UNIT ATTENTION on the resend too",
         Effect::kFails,
         {device(Reply::check(0x06, 0x29, 0x00)), device(Reply::check(0x06, 0x2A, 0x03))}},
        {"RESERVATION CONFLICT", Effect::kFails, {device(Reply::conflict())}, true},
        {"RESERVATION CONFLICT marked as a nexus failure",
         Effect::kFails,
         {device(Reply::conflict(), kNexusFailure)},
         true},
        {"BUSY", Effect::kFails, {device(Reply::status(8))}},
        {"reply shorter than asked", Effect::kTruncates, {}},
    };
    return all;
}

TEST(SgFaultSweep, EveryWorkflowSurvivesEveryFaultAtEveryCommand) {
    const int cases = sweep::forEachCase(
        faults(), std::string(madeup::kMadeUpPrefix) + "host",
        [&](const sweep::Scenario& scenario, std::size_t k, const Fault& fault,
            const std::string& path) {
            // The probe's INQUIRY and READ share one open: the READ has none of its own to fail.
            if (fault.openErrno != 0 && scenario.steps[k].probe && !scenario.steps[k].read) {
                return;
            }
            prmodel::Device model = prmodel::deviceFrom(scenario.before);
            std::size_t sent = 0;
            bool armed = true;
            madeup::setResponder([&](const fake::Command& c) {
                const std::size_t i = sent++;
                if (armed && i >= k && i < k + fault.answers.size()) {
                    return fault.answers[i - k];
                }
                Answer a = device(model.respond(c));
                if (armed && i == k && fault.effect == Effect::kTruncates) {
                    a.cutTo = 8;
                }
                return a;
            });
            // Fails the open made just before command k, once.
            bool injected = false;
            madeup::setOpenGate([&](const std::string&) {
                const bool now = armed && !injected && sent == k;
                injected = injected || now;
                return now ? fault.openErrno : 0;
            });
            sweep::runCase(
                scenario, k, fault.effect, fault.conflict, path, model, [&] { armed = false; },
                [&] {
                    return sweep::Probe{fault.openErrno != 0 ? (injected ? k + 1 : 0) : sent,
                                        madeup::openDescriptors()};
                });
            madeup::setResponder(nullptr);
            madeup::setOpenGate(nullptr);
        });
    std::cout << "SG_IO fault sweep: " << cases << " (workflow, position, fault) cases\n";
    EXPECT_GT(cases, 150);
}

}  // namespace
