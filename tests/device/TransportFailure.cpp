#include <cerrno>
#include <chrono>
#include <fstream>
#include <memory>

#include "Check.h"
#include "platform/OZScsi.h"

namespace device {

namespace {

const char* const kDebugOptions = "/sys/bus/pseudo/drivers/scsi_debug/opts";
const char* const kDebugEveryNth = "/sys/bus/pseudo/drivers/scsi_debug/every_nth";

bool writeFile(const std::string& path, const std::string& text) {
    std::ofstream file(path);
    file << text << '\n';
    file.close();
    return !file.fail();
}

// While it lives, scsi_debug ignores every command (they time out); it answers again when the
// object goes, whatever way the check ends, or the module could not be unloaded.
class DroppingCommands {
  public:
    DroppingCommands() { m_bSet = writeFile(kDebugEveryNth, "1") && writeFile(kDebugOptions, "4"); }
    ~DroppingCommands() {
        writeFile(kDebugOptions, "0");
        writeFile(kDebugEveryNth, "0");
    }
    DroppingCommands(const DroppingCommands&) = delete;
    DroppingCommands& operator=(const DroppingCommands&) = delete;
    bool set() const { return m_bSet; }

  private:
    bool m_bSet;
};

// What one TEST UNIT READY through the platform ended in: a status, a device failure (with its
// SCSI status, -1 below the SCSI layer) or an OS error (with its error number).
struct Sent {
    enum Kind { kStatus, kDeviceFailure, kOsError } kind = kStatus;
    int number = 0;
    std::string message;
    double seconds = 0;

    std::string text() const {
        static const char* const kinds[] = {"status ", "device failure, status ", "errno "};
        return kinds[kind] + std::to_string(number) + " after " + std::to_string(seconds) + " s" +
               (message.empty() ? "" : ": " + message);
    }
};

Sent testUnitReady(const OZScsiTarget& target, int timeoutSeconds) {
    Sent sent;
    const unsigned char cdb[6] = {0, 0, 0, 0, 0, 0};
    unsigned char sense[32] = {};
    const auto start = std::chrono::steady_clock::now();
    try {
        sent.number = OZScsi::send(target, cdb, sizeof cdb, nullptr, 0, false, false, sense,
                                   sizeof sense, timeoutSeconds);
    } catch (const QxException& e) {
        const auto* device = dynamic_cast<const QxScsiException*>(&e);
        sent.kind = device != nullptr ? Sent::kDeviceFailure : Sent::kOsError;
        sent.number = device != nullptr ? device->getScsiStatus() : e.getErrno();
        sent.message = e.getMessage() != nullptr ? e.getMessage() : "";
    }
    sent.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return sent;
}

std::unique_ptr<OZScsiTarget> opened(const std::string& path) {
    std::unique_ptr<OZScsiTarget> target(new OZScsiTarget(path.c_str(), true));
    if (OZScsi::open(*target, 0) != 0) {
        return nullptr;
    }
    return target;
}

// GOOD, once a unit attention the disk may report first has been answered.
bool answers(const std::string& path, Sent& sent) {
    const std::unique_ptr<OZScsiTarget> target = opened(path);
    if (!target) {
        sent.message = "cannot open";
        return false;
    }
    for (int i = 0; i < 3; ++i) {
        sent = testUnitReady(*target, 10);
        if (sent.kind == Sent::kStatus && sent.number == 0) {
            return true;
        }
    }
    return false;
}

}  // namespace

void transportFailure(const std::string& sg, const std::string& sd) {
    Sent sent;
    CHECK(answers(sg, sent), sg + ": the disk answers", sent.text());
    for (const std::string& path : {sg, sd}) {
        const std::unique_ptr<OZScsiTarget> target = opened(path);
        CHECK(target != nullptr, path + ": opens", "");
        if (!target) {
            continue;
        }
        {
            DroppingCommands dropping;
            CHECK(dropping.set(), "scsi_debug drops every command (every_nth=1 opts=4)", "");
            sent = testUnitReady(*target, 3);
        }
        CHECK(sent.kind == Sent::kDeviceFailure && sent.number == -1 &&
                  sent.message.find("failed below the SCSI layer") != std::string::npos &&
                  sent.seconds >= 2.5 && sent.seconds < 20,
              path + ": a command the disk drops ends at its 3 s limit as a device failure",
              sent.text());
        CHECK(answers(path, sent), path + ": with the disk answering again a new object works",
              sent.text());
    }

    // Both nodes open while the disk is deleted: the nexus is gone under the descriptors.
    const std::unique_ptr<OZScsiTarget> onSg = opened(sg);
    const std::unique_ptr<OZScsiTarget> onSd = opened(sd);
    const std::string name = sd.substr(sd.rfind('/') + 1);
    CHECK(onSg && onSd && writeFile("/sys/block/" + name + "/device/delete", "1"),
          sd + ": the disk is deleted while " + sg + " and " + sd + " are open", "");
    if (!onSg || !onSd) {
        return;
    }
    // sg answers ENODEV once its device is detaching and ENXIO while it is offline but still
    // attached; sd answers ENODEV. Either is an OS error: nothing was sent.
    for (const OZScsiTarget* target : {onSg.get(), onSd.get()}) {
        sent = testUnitReady(*target, 3);
        CHECK(sent.kind == Sent::kOsError && (sent.number == ENODEV || sent.number == ENXIO),
              target->path() + ": a command after the disk is gone gives the OS error",
              sent.text());
    }
}

}  // namespace device
