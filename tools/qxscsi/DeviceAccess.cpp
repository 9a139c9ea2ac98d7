#include "DeviceAccess.h"

#include "ExitStatus.h"
#include "SenseText.h"
#include "qxscsi/QXNTSpti.h"

namespace qxtool {

namespace {

constexpr unsigned char kUnitAttention = 0x06;
constexpr unsigned char kAscPowerOnOrReset = 0x29;
// A target may queue more than one such attention (one per reset kind); a few greetings take
// them all, and a device that keeps answering with them is reported.
constexpr int kGreetings = 4;

}  // namespace

DeviceAccess::DeviceAccess(const std::string& path) : m_spti(new QXNTSpti(0, path)) {}

DeviceAccess::~DeviceAccess() = default;

int DeviceAccess::open(std::string& reason) {
    if (!m_spti->isOK()) {
        reason = m_spti->m_strErrorMsg.empty() ? "cannot open the device" : m_spti->m_strErrorMsg;
        return kExitCannotOpen;
    }
    for (int attempt = 0; attempt < kGreetings; ++attempt) {
        unsigned char key = 0;
        unsigned char asc = 0;
        unsigned char ascq = 0;
        if (!m_spti->TestUnitReady(&key, &asc, &ascq)) {
            reason = "TEST UNIT READY could not be sent: " + m_spti->m_strErrorMsg;
            return kExitOther;
        }
        if ((key & 0x0F) != kUnitAttention) {
            // Ready or not, the command itself decides; a device without a medium still
            // answers the commands that need none.
            return kExitSuccess;
        }
        if (asc != kAscPowerOnOrReset) {
            reason = "unit attention, " + ascText(asc, ascq);
            return kExitUnitAttention;
        }
    }
    reason = "the device keeps reporting unit attention (power on or reset)";
    return kExitUnitAttention;
}

}  // namespace qxtool
