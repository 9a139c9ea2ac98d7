// The pass-through object: construction, the usability check and destruction.
#include "qxscsi/QXNTSpti.h"

#include "platform/OZScsi.h"

namespace {
// Device type the pass-through object asks the platform to refresh, and the connect time limit
// it gives to open (seconds).
constexpr OZScsi::Device::DEVICE_TYPE kTapeDevices = OZScsi::Device::TAPE;
constexpr int kOpenConnectTimeout = 120;
}  // namespace

QXNTSpti::QXNTSpti(int /*deviceHandle*/, const std::string& devicePath)
    : m_nScsiStatus(0),
      m_pTarget(nullptr),
      m_strErrorMsg(),
      m_nErrorCode(0),
      m_strProductId(),
      m_strVendorId(),
      m_bOpened(false) {
    try {
        m_pTarget = new OZScsiTarget(devicePath.c_str(), true);
        if (scsi == nullptr) {
            scsi = new OZScsi();
        }
        OZScsi::refreshDeviceList(kTapeDevices, false);
        OZScsi::open(*m_pTarget, kOpenConnectTimeout);
    } catch (...) {
        // The creator receives the platform's exception; release what was built so far.
        delete m_pTarget;
        m_pTarget = nullptr;
        throw;
    }
    m_nScsiStatus = 0;
}

QXNTSpti::~QXNTSpti() {
    if (m_pTarget != nullptr) {
        delete m_pTarget;
        m_pTarget = nullptr;
    }
    m_bOpened = false;
}

bool QXNTSpti::isOK() {
    if (scsi == nullptr || m_pTarget == nullptr) {
        return false;
    }
    try {
        OZScsi::populate(*m_pTarget);
    } catch (const QxException& e) {
        const char* message = e.getMessage();
        m_strErrorMsg = "Failed to populate scsi targets: Exception Msg = ";
        m_strErrorMsg += (message != nullptr) ? message : "NULL";
        return false;
    }
    if (m_pTarget->isOpen()) {
        m_bOpened = true;
        return true;
    }
    return false;
}
