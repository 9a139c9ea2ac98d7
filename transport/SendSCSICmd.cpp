// The one path by which a pass-through object executes a CDB.
#include <cstdio>

#include "platform/JWS2BaseError.h"
#include "platform/OZScsi.h"
#include "qxscsi/QXNTSpti.h"

namespace {

constexpr int kSenseLength = 256;
// Fixed-format sense: key (with the FILEMARK, EOM and ILI flags) at byte 2, ASC 12, ASCQ 13.
constexpr int kSenseKeyByte = 2;
constexpr int kAscByte = 12;
constexpr int kAscqByte = 13;
// The platform applies its own per-command time limits.
constexpr int kPlatformDefaultTimeout = -1;
constexpr unsigned long kUnknownPlatformFailure = 40043;

}  // namespace

bool QXNTSpti::SendSCSICmd(unsigned char* cdb, int cdbLength, unsigned char* data, int dataLength,
                           unsigned char* senseKey, unsigned char* asc, unsigned char* ascq,
                           int /*timeout*/, int direction) {
    unsigned char sense[kSenseLength] = {};
    m_nErrorCode = 0;
    unsigned char key = 0;
    unsigned char code = 0;
    unsigned char qualifier = 0;

    if (cdb == nullptr) {
        m_strErrorMsg = "The in parameter for SendSCSICmd has not been initialized properly.";
        return false;
    }
    if (m_pTarget == nullptr || !m_pTarget->isOpen()) {
        m_strErrorMsg = "Target has not been opened.";
        return false;
    }

    char text[160];
    try {
        m_nScsiStatus = OZScsi::send(*m_pTarget, cdb, cdbLength, data, dataLength, direction != 0,
                                     false, sense, kSenseLength, kPlatformDefaultTimeout);
        if (m_nScsiStatus != 0) {
            key = sense[kSenseKeyByte];  // whole byte: the flag bits are part of the answer
            code = sense[kAscByte];
            qualifier = sense[kAscqByte];
        }
    } catch (const QxScsiException& e) {
        const int status = e.getScsiStatus();
        if (status != -1) {
            m_nErrorCode = JWS2BaseError::ConvertSCSIErrorToJWError(e.key(), e.asc(), e.ascq());
            // NOLINTNEXTLINE(cert-err33-c): the message buffer holds the longest text
            std::snprintf(text, sizeof text,
                          "SCSI Command failed with Sense Key[0x%02x], ASC[0x%02x], ASCQ[0x%02x]. "
                          "JWError = %lu",
                          static_cast<unsigned>(e.key()), static_cast<unsigned>(e.asc()),
                          static_cast<unsigned>(e.ascq()), m_nErrorCode);
        } else {
            m_nErrorCode = JWS2BaseError::ConvertSCSIStatusToJWError(status);
            // NOLINTNEXTLINE(cert-err33-c): the message buffer holds the longest text
            std::snprintf(text, sizeof text,
                          "SCSI Command failed with Scsi status [%d]. SCSI Device "
                          "Failure.JWError = %lu",
                          status, m_nErrorCode);
        }
        m_strErrorMsg = text;
        return false;
    } catch (const QxException& e) {
        const int osErrno = e.getErrno();
        if (osErrno > 0) {
            m_nErrorCode = JWS2BaseError::ConvertToJWError(static_cast<unsigned>(osErrno));
            // NOLINTNEXTLINE(cert-err33-c): the message buffer holds the longest text
            std::snprintf(text, sizeof text, "Failed to send SCSI command. OS Error code = %d",
                          osErrno);
            m_strErrorMsg = text;
        } else {
            m_nErrorCode = kUnknownPlatformFailure;
            m_strErrorMsg = "Failed to send SCSI command. Unknown Platform Failure.";
        }
        return false;
    }

    if (senseKey != nullptr) {
        *senseKey = key;
    }
    if (asc != nullptr) {
        *asc = code;
    }
    if (ascq != nullptr) {
        *ascq = qualifier;
    }
    return true;
}
