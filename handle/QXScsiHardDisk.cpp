// The reservation handle: construction, Open, Close, validity and the platform error entry.
#include "qxscsi/QXScsiHardDisk.h"

#include "handle/HandleCodes.h"
#include "platform/JWS2BaseError.h"
#include "platform/OZScsi.h"
#include "qxscsi/QXNTSpti.h"

QXScsiHardDisk::QXScsiHardDisk(const std::string& devicePath, const long long& id)
    : m_strDevicePath(devicePath),
      m_hDevice(qx::handle::kInvalidDevice),
      m_szBuffer(),
      m_ulErrorCode(qx::handle::kSuccess),
      m_strErrorMessage(),
      m_llId(id),
      m_bSnapReservationKey(false) {
    if (scsi != nullptr) {
        return;
    }
    try {
        scsi = new OZScsi();
        OZScsi::refreshDeviceList(OZScsi::Device::DISK, false);
    } catch (const QxException&) {
        // The handle is usable all the same; each operation's pass-through object opens the
        // device itself.
        LogEventMessage(qx::handle::kLogOutcome, "Failed to initialize SCSI layer.");
    }
}

QXScsiHardDisk::QXScsiHardDisk(const long long& id)
    : m_strDevicePath(),
      m_hDevice(qx::handle::kInvalidDevice),
      m_szBuffer(),
      m_ulErrorCode(qx::handle::kSuccess),
      m_strErrorMessage(),
      m_llId(id),
      m_bSnapReservationKey(false) {}

QXScsiHardDisk::~QXScsiHardDisk() {
    Close();
}

bool QXScsiHardDisk::Open() {
    // The device itself is opened by each operation's pass-through object; the handle only
    // records that the host asked for access.
    m_hDevice = qx::handle::kOpenedDevice;
    return true;
}

bool QXScsiHardDisk::Close() {
    m_strErrorMessage.clear();
    return true;
}

bool QXScsiHardDisk::isValid() {
    return m_hDevice != qx::handle::kInvalidDevice;
}

unsigned int QXScsiHardDisk::Err_Handler(unsigned int platformCode) {
    m_ulErrorCode = JWS2BaseError::ConvertToJWError(platformCode);
    return platformCode;
}
