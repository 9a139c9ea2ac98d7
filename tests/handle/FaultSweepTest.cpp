// The fault sweep: every workflow of the reservation handle, with each kind of platform and
// device failure injected at each of its commands in turn. Whatever fails, the outcome is the code
// the failing operation records, the caller is told which step failed, nothing is left open, and
// the same handle then finishes the job on the healed device.
#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <functional>
#include <iostream>
#include <string>
#include <utility>
#include <vector>

#include "qxscsi/QXScsiHardDisk.h"
#include "tests/handle/HandleFixture.h"
#include "tests/reservation/PrDeviceModel.h"

namespace {

using fake::platform;
using fake::Reply;
using handletest::recorded;
using prmodel::hostKey;

constexpr unsigned long kReadFailure = 45001, kConflict = 45002, kChangeFailure = 764,
                        kException = 1100;

// What an injected fault does to the command it meets.
enum class Effect {
    kFails,     // the command fails: 45001 for a read, 45002 or 764 for a change
    kThrows,    // an exception the pass-through object does not know passes out: 1100
    kHeals,     // a unit attention that the resend gets past
    kTruncates  // the device carries the command out, but writes only the reply's header
};

// One command of a scenario, as a fault-free run sends it.
struct Step {
    const char* operation;  // the handle operation that sends it
    bool read;              // PERSISTENT RESERVE IN
    const char* failure;    // what the workflow logs when this step fails and ends it
    // The forced reserve passes over a failed or empty READ RESERVATION and reserves anyway;
    // then this is its result.
    bool passedOver = false;
    unsigned long withoutReading = 0;
    // The forced reserve asks whether a reservation under its own key shuts it out (INQUIRY,
    // then a READ of nothing): a fault there leaves the reservation as it is and reports success.
    bool probe = false;
};

struct Scenario {
    const char* name;
    char host;             // the host that runs it, on the path /dev/host<host>
    const char* before;    // the device, as prmodel::describe writes it
    const char* promised;  // the device after a successful run
    std::vector<Step> steps;
    std::function<unsigned long(QXScsiHardDisk&)> run;  // the workflow, with its result
};

unsigned long forcedReserve(QXScsiHardDisk& disk) {
    std::string key;
    auto way = QXScsiHardDisk::PR_FORCE_TAKEN_OVER;  // a failure tells no way taken
    const unsigned long result = disk.doForcePR_Reserve(1, 1, 1, key, way);
    EXPECT_EQ(result == 0, way != QXScsiHardDisk::PR_FORCE_NONE);
    return result;
}

constexpr const char* kNotRead =
    "Failed to query current reservation on the drive..Will try to reserve anyways..";

Scenario scenario(const char* name, char host, const char* before, const char* promised,
                  std::vector<Step> steps, std::function<unsigned long(QXScsiHardDisk&)> run) {
    return {name, host, before, promised, std::move(steps), std::move(run)};
}

std::vector<Scenario> scenarios() {
    const Step readKeys{"PR_queryRegKey", true,
                        "Failed to query current registrations on the drive"};
    const Step reg{"PR_register", false, "Could not register with the drive for reservation"};
    const Step reserve{"PR_reserve", false, "Failed to do PR reserve on the drive."};
    const Step preempt{"PR_clear", false, "Failed to do PR Prempt Reserve on the drive."};
    // READ RESERVATION finding another holder, and the probe of whether it shuts this host out.
    const Step fenced{"PR_queryRsrv", true, nullptr, true, kConflict};
    const Step inquiry{"INQUIRY", true, nullptr, false, 0, true};
    const Step read{"READ(10)", false, nullptr, false, 0, true};
    return {
        scenario("forced reserve of a free device", 'A', "", "A:A3",
                 {readKeys, reg, {"PR_queryRsrv", true, nullptr, true, 0}, reserve}, forcedReserve),
        scenario("forced reserve against another holder", 'A', "BC:B3", "AC:A3",
                 {readKeys, reg, fenced, preempt}, forcedReserve),
        scenario("forced reserve against this host's key held by another connection", 'A',
                 "D=QX010101:D3", "A:A3", {readKeys, fenced, inquiry, read, reg, preempt},
                 forcedReserve),
        scenario(
            "forced clear", 'C', "AB:A3", "",
            {{"PR_register", false, "Could not register with the drive for reservation."},
             {"PR_clear", false, "Failed to clear reservation and registrations on the drive."}},
            [](QXScsiHardDisk& d) { return d.doForcePR_Clear(1, 1, 3); }),
        scenario(
            "release", 'A', "A:A3", "A",
            {{"PR_clear", false,
              "Failed to release reservation and registrations for key QX010101  on the drive."}},
            [](QXScsiHardDisk& d) { return d.doPR_Release(hostKey('A')); }),
    };
}

// What an injected fault is: the replies that take the place of the device's, for the command
// and its resend.
struct Fault {
    const char* name;
    Effect effect;
    std::vector<Reply> replies;
    bool conflict = false;  // RESERVATION CONFLICT
};

Fault fault(const char* name, Effect effect, std::vector<Reply> replies, bool conflict = false) {
    return {name, effect, std::move(replies), conflict};
}

class FaultSweep : public handletest::Test {
  protected:
    void runCase(const Scenario& scenario, std::size_t k, const Fault& fault);
};

// One case: the scenario on a fresh handle, with the fault armed at command k; then, disarmed,
// again on the same handle.
void FaultSweep::runCase(const Scenario& scenario, std::size_t k, const Fault& fault) {
    const Step& step = scenario.steps[k];
    const Effect effect = fault.effect;
    const bool conflict = fault.conflict;
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
        if (armed && i == k && effect == Effect::kTruncates) {
            r.dataIn.resize(std::min<std::size_t>(r.dataIn.size(), 8));
        }
        return r;
    });
    const std::string path = std::string("/dev/host") + scenario.host;
    logged().clear();
    QXScsiHardDisk disk(path, 7LL);
    ASSERT_TRUE(disk.Open());
    const unsigned long result = scenario.run(disk);
    std::string message;
    EXPECT_EQ(disk.getLastError(message), result);
    ASSERT_GT(sent, k) << "the fault was never injected";
    EXPECT_EQ(platform().targetsLive, 0) << "a device was left open";

    // The code the system defines for the fault at this step.
    unsigned long code = effect == Effect::kThrows ? kException
                         : step.read               ? kReadFailure
                         : conflict                ? kConflict
                                                   : kChangeFailure;
    if (effect == Effect::kHeals || step.probe) {
        code = 0;
    } else if (effect == Effect::kTruncates) {
        code = step.withoutReading;
    }
    const bool endsHere = code != 0 && effect != Effect::kTruncates && !step.passedOver;
    const unsigned long expected = endsHere || code == 0 ? code : step.withoutReading;
    EXPECT_EQ(result, expected);

    std::vector<std::string> texts;  // logged at level 1
    for (const auto& entry : logged()) {
        if (std::get<0>(entry) == 1) {
            texts.push_back(std::get<2>(entry));
        }
    }
    const std::string last = texts.empty() ? "(nothing)" : texts.back();
    if (step.probe) {
        // Only the READ's conflict, or a probe that gets through after all, shows the connection
        // shut out and takes the reservation over.
        const bool through =
            effect == Effect::kHeals || effect == Effect::kTruncates || (conflict && !step.read);
        EXPECT_EQ(last, through ? "Clearing the reservation the key QX010101 succeeded."
                                : "Reservation on the drive already exists from this host");
        EXPECT_EQ(prmodel::describe(device), through ? scenario.promised : scenario.before);
    } else if (endsHere) {
        EXPECT_EQ(message, recorded(code, step.operation));
        EXPECT_EQ(last, step.failure);
    } else if (step.passedOver && effect != Effect::kHeals) {
        if (effect != Effect::kTruncates) {
            EXPECT_NE(std::find(texts.begin(), texts.end(), kNotRead), texts.end());
        }
        if (expected != 0) {
            EXPECT_EQ(message, recorded(expected, "PR_reserve"));
            EXPECT_EQ(last, "Failed to do PR reserve on the drive.");
        }
    }
    if (expected == 0 && effect == Effect::kHeals) {
        EXPECT_EQ(prmodel::describe(device), scenario.promised);
    }

    // The device heals; the same handle finishes the job.
    armed = false;
    EXPECT_EQ(scenario.run(disk), 0u) << disk.getLastError(message) << message;
    EXPECT_EQ(prmodel::describe(device), scenario.promised);
    EXPECT_EQ(platform().targetsLive, 0) << "a device was left open";
}

const std::vector<Fault>& faults() {
    static const std::vector<Fault> all = {
        fault("QxScsiException with sense", Effect::kFails,
              {Reply::throwScsi(2, fake::fixedSense(0x03, 0x11, 0x00))}),
        fault("QxScsiException, status -1, no text", Effect::kFails,
              {Reply::throwScsi(-1, {}, nullptr)}),
        fault("QxException, errno EIO", Effect::kFails, {Reply::throwQx("I/O error", EIO)}),
        fault("std::bad_alloc", Effect::kThrows, {Reply::throwBadAlloc()}),
        fault("ILLEGAL REQUEST", Effect::kFails, {Reply::check(0x05, 0x24, 0x00)}),
        fault("UNIT ATTENTION once", Effect::kHeals, {Reply::check(0x06, 0x29, 0x00)}),
        fault("UNIT ATTENTION on the resend too", Effect::kFails,
              {Reply::check(0x06, 0x29, 0x00), Reply::check(0x06, 0x2A, 0x03)}),
        fault("RESERVATION CONFLICT", Effect::kFails, {Reply::conflict()}, true),
        fault("BUSY", Effect::kFails, {Reply::status(8)}),
        fault("reply shorter than asked", Effect::kTruncates, {}),
    };
    return all;
}

TEST_F(FaultSweep, EveryWorkflowSurvivesEveryFaultAtEveryCommand) {
    int cases = 0;
    for (const Scenario& scenario : scenarios()) {
        for (std::size_t k = 0; k < scenario.steps.size(); ++k) {
            for (const Fault& fault : faults()) {
                if (fault.effect == Effect::kTruncates && !scenario.steps[k].read) {
                    continue;  // nothing comes back from a PERSISTENT RESERVE OUT
                }
                SCOPED_TRACE(std::string(scenario.name) + ", command " + std::to_string(k) + " (" +
                             scenario.steps[k].operation + "): " + fault.name);
                ++cases;
                runCase(scenario, k, fault);
            }
        }
    }
    std::cout << "fault sweep: " << cases << " (workflow, position, fault) cases\n";
    EXPECT_GT(cases, 150);
}

}  // namespace
