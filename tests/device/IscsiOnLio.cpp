#include <string>

#include "Check.h"
#include "qxscsi/QXNTSpti.h"

namespace device {

namespace {

constexpr int kDisks = 6;

// The path by which host (an initiator name of its own) reaches lun of the target at base.
std::string lunPath(const std::string& base, int lun, const std::string& host) {
    return base + "/" + std::to_string(lun) + "?initiator=iqn.2026-12.local.qxscsi:" + host;
}

// Every disk logs in and identifies itself (the first command of a session may meet a unit
// attention, which a second one clears).
void everyDiskAnswers(const std::string& base) {
    for (int lun = 0; lun < kDisks; ++lun) {
        const std::string path = lunPath(base, lun, "observer");
        QXNTSpti s(0, path);
        bool ready = false;
        for (int i = 0; i < 3 && s.isOK() && !ready; ++i) {
            ready = s.TestUnitReady(nullptr, nullptr, nullptr) && s.m_nScsiStatus == 0;
        }
        const bool identified = ready && s.Inquiry() && s.m_nScsiStatus == 0;
        CHECK(identified, path + ": logs in, is ready and identifies itself",
              describe(s) + "; " + s.m_strVendorId + " " + s.m_strProductId);
    }
}

}  // namespace

void iscsiOnLio(const std::string& base) {
    everyDiskAnswers(base);
}

}  // namespace device
