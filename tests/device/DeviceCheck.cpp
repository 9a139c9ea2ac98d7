// Checks the library against real SCSI devices (run inside the device VM, see
// scripts/device-vm/). Uses only the public headers, like a host would.
//
//   qxscsi-device-check busy DEV          a second opener of a tape node is refused cleanly
//   qxscsi-device-check sense DEV         descriptor-format sense reaches callers as fixed format
//   qxscsi-device-check side-by-side A B  the same disk, each state read by sg_persist as well
//   qxscsi-device-check transport SG SD   a scsi_debug disk that drops commands, then is deleted
//   qxscsi-device-check lio BASE          the iSCSI scenarios against LIO's target at BASE
//
// Prints one CHECK-OK or CHECK-FAIL line per check; exits 1 when any check failed.
#include <cstdio>
#include <string>

#include "Check.h"
#include "qxscsi/QXNTSpti.h"

namespace {

using device::describe;

int busy(const std::string& dev) {
    QXNTSpti first(0, dev);
    CHECK(first.isOK(), dev + ": first opener is served", first.m_strErrorMsg);
    QXNTSpti second(0, dev);
    CHECK(!second.isOK(), dev + ": second opener is refused", second.m_strErrorMsg);
    unsigned char cdb[6] = {0x00, 0, 0, 0, 0, 0};
    CHECK(!second.SendSCSICmd(cdb, 6, nullptr, 0, nullptr, nullptr, nullptr, 1800, 0) &&
              second.m_strErrorMsg == "Target has not been opened.",
          dev + ": the refused opener sends nothing", second.m_strErrorMsg);
    CHECK(first.SendSCSICmd(cdb, 6, nullptr, 0, nullptr, nullptr, nullptr, 1800, 0),
          dev + ": the first opener still works", describe(first));
    return 0;
}

int sense(const std::string& dev) {
    QXNTSpti s(0, dev);
    CHECK(s.isOK(), dev + ": opens", s.m_strErrorMsg);
    // The first command after a device appears reports its power-on unit attention.
    bool ready = false;
    for (int i = 0; i < 3 && !ready; ++i) {
        ready = s.TestUnitReady(nullptr, nullptr, nullptr) && s.m_nScsiStatus == 0;
    }
    unsigned char cdb[6] = {0xFF, 0, 0, 0, 0, 0};
    unsigned char key = 0xEE, asc = 0xEE, ascq = 0xEE;
    CHECK(s.SendSCSICmd(cdb, 6, nullptr, 0, &key, &asc, &ascq, 1800, 0) && s.m_nScsiStatus == 2 &&
              key == 0x05 && asc == 0x20 && ascq == 0x00,
          dev + ": an unknown command's sense arrives as fixed sense 5/20/00",
          describe(s) + " key " + std::to_string(key) + " asc " + std::to_string(asc));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string what = argc > 1 ? argv[1] : "";
    if (what == "busy" && argc == 3) {
        busy(argv[2]);
    } else if (what == "sense" && argc == 3) {
        sense(argv[2]);
    } else if (what == "transport" && argc == 4) {
        device::transportFailure(argv[2], argv[3]);
    } else if (what == "lio" && argc == 3) {
        device::iscsiOnLio(argv[2]);
    } else if (what == "side-by-side" && argc == 4) {
        device::reservationsSideBySide(argv[2], argv[3]);
    } else {
        std::fprintf(stderr,
                     "usage: qxscsi-device-check busy|sense DEV | "
                     "side-by-side DEV_A DEV_B | transport SG SD | lio BASE\n");
        return 2;
    }
    return device::failures() == 0 ? 0 : 1;
}
