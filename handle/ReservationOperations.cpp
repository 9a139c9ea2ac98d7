// The five reservation operations: each runs one persistent-reservation command on a
// pass-through object of its own and records the outcome in the handle.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "handle/HandleCodes.h"
#include "qxscsi/QXNTSpti.h"
#include "qxscsi/QXScsiHardDisk.h"
#include "reservation/KeyDisplay.h"
#include "transport/ScsiBytes.h"

namespace {

using namespace qx::handle;

// Success messages are composed in a fixed buffer; a longer key is cut, not overrun.
constexpr std::size_t kSuccessTextSize = 256;

// Records a failure and logs the recorded text.
void record(QXScsiHardDisk& disk, std::string& message, unsigned long code, const char* text) {
    message = text;
    disk.SetErrorCode(code, message);
    disk.LogEventMessage(kLogOutcome, disk.m_strErrorMessage);
}

// "QXScsiHardDisk::<name><tail>", for the trace and the failures; built only when a text is
// needed, so that an operation that succeeds and logs nothing allocates no text.
std::string qualifiedText(const char* prefix, const char* name, const char* tail) {
    static const char kClass[] = "QXScsiHardDisk::";
    std::string text;
    text.reserve(std::strlen(prefix) + sizeof kClass + std::strlen(name) + std::strlen(tail));
    text.append(prefix).append(kClass).append(name).append(tail);
    return text;
}

// The steps every operation shares: entry trace, validity, the pass-through object, the catch
// of every exception. work(spti, message) calls the pass-through operation and judges it.
template <typename Work>
unsigned long runOperation(QXScsiHardDisk& disk, const char* name, Work work) {
    try {
        if (hostLogs()) {
            disk.LogEventMessage(kLogTrace, qualifiedText("call ", name, "()."));
        }
        if (!disk.isValid()) {
            disk.SetErrorCode(PR_ERR_ACCESS,
                              qualifiedText("", name, "(): can't access the device."));
            disk.LogEventMessage(kLogOutcome, disk.m_strErrorMessage);
        } else {
            disk.m_ulErrorCode = kSuccess;
            QXNTSpti spti(disk.m_hDevice, disk.m_strDevicePath);
            std::string message;
            if (!spti.isOK()) {
                // Not fatal: the command below decides the outcome.
                record(disk, message, PR_ERR_PASSTHRU, "Scsi pass-thru instantiation failed");
            }
            work(spti, message);
        }
    } catch (...) {
        try {
            disk.SetErrorCode(PR_ERR_EXCEPTION,
                              qualifiedText("", name, "() caught the exception."));
        } catch (...) {
            // No memory for the text: the code alone tells the failure.
            disk.m_ulErrorCode = PR_ERR_EXCEPTION;
        }
    }
    return disk.m_ulErrorCode;
}

void judgeRead(QXScsiHardDisk& disk, std::string& message, bool done) {
    if (!done) {
        record(disk, message, PR_ERR_PASSTHRU,
               "Scsi pass-thru to Persistent registration key read failure.");
        return;
    }
    disk.m_ulErrorCode = kSuccess;
}

// True when the PERSISTENT RESERVE OUT was carried out; records the failure otherwise.
bool judgeChange(QXScsiHardDisk& disk, const QXNTSpti& spti, std::string& message, int result) {
    if (result == 0) {
        return true;
    }
    if (spti.m_nScsiStatus == qx::kStatusReservationConflict) {
        record(disk, message, PR_ERR_CONFLICT, "Reservation conflict occurred.");
    } else {
        record(disk, message, PR_ERR_PROUT, "Scsi pass-thru to registering a key failed.");
    }
    return false;
}

}  // namespace

unsigned long QXScsiHardDisk::PR_queryRegKey(std::vector<std::string>& keys) {
    return runOperation(*this, "PR_queryRegKey", [&](QXNTSpti& spti, std::string& message) {
        judgeRead(*this, message, spti.QueryReg(keys));
    });
}

unsigned long QXScsiHardDisk::PR_queryRsrv(std::string& holderKey, unsigned long& type) {
    return runOperation(*this, "PR_queryRsrv", [&](QXNTSpti& spti, std::string& message) {
        judgeRead(*this, message, spti.QueryReserve(holderKey, type));
    });
}

unsigned long QXScsiHardDisk::PR_register(const std::string& key, bool ignoreExisting) {
    return runOperation(*this, "PR_register", [&](QXNTSpti& spti, std::string& message) {
        if (judgeChange(*this, spti, message, spti.RegisterPR(key, ignoreExisting))) {
            m_ulErrorCode = kSuccess;
        }
    });
}

unsigned long QXScsiHardDisk::PR_reserve(const std::string& key) {
    return runOperation(*this, "PR_reserve", [&](QXNTSpti& spti, std::string& message) {
        if (judgeChange(*this, spti, message, spti.ReservePR(key))) {
            if (hostLogs()) {
                char text[kSuccessTextSize];
                // NOLINTNEXTLINE(cert-err33-c): a log line cut short is still logged
                std::snprintf(text, sizeof text, "Reservation for key %s succeeded.",
                              qx::pr::displayKey(key).c_str());
                LogEventMessage(kLogOutcome, text);
            }
            m_ulErrorCode = kSuccess;
        }
    });
}

unsigned long QXScsiHardDisk::PR_clear(const std::string& key, const std::string& serviceActionKey,
                                       _PR_CLS_OP operation) {
    return runOperation(*this, "PR_clear", [&](QXNTSpti& spti, std::string& message) {
        const unsigned char serviceAction = static_cast<unsigned char>(operation & 0xFF);
        if (judgeChange(*this, spti, message, spti.ClearPR(key, serviceActionKey, serviceAction))) {
            if (hostLogs()) {
                char text[kSuccessTextSize];
                // NOLINTNEXTLINE(cert-err33-c): a log line cut short is still logged
                std::snprintf(text, sizeof text, "Clearing the reservation the key %s succeeded.",
                              qx::pr::displayKey(key).c_str());
                LogEventMessage(kLogOutcome, text);
            }
            m_ulErrorCode = kSuccess;
        }
    });
}
