// QXScsiHardDisk: the reservation handle. One shared device, named by its path, on which a host
// registers its reservation key, reads the registrations and the reservation, reserves, releases,
// clears and pre-empts. Each operation opens the device for its own duration only; the handle
// keeps the code and message of its last failure and logs through the host's callback.
#ifndef QXSCSI_QXSCSIHARDDISK_H
#define QXSCSI_QXSCSIHARDDISK_H

#include <string>
#include <vector>

#include "qxscsi/qxscsi_export.h"

// The host's log callback: level (1 failures and outcomes, 3 entry trace), the identifier of
// the handle that logs, and the text. Both references are valid for the call only.
typedef void (*LogMessageCallbackFunc)(int, const long long&, const std::string&);

class QXSCSI_API QXScsiHardDisk {
  public:
    // Operation of PR_clear; the value is the PERSISTENT RESERVE OUT service action.
    enum _PR_CLS_OP { PR_CLS_RELEASE = 2, PR_CLS_CLEAR = 3, PR_CLS_PREEMPT = 4 };

    // ---- the handle, its error state and its logging ----
    // A handle for the device at devicePath; creates the platform SCSI layer when it does not
    // exist yet.
    QXScsiHardDisk(const std::string& devicePath, const long long& id);
    // A handle without a device, for building reservation keys.
    QXScsiHardDisk(const long long& id);
    ~QXScsiHardDisk();

    // Makes the handle valid for the reservation operations; true.
    bool Open();
    // Empties the error message (the code stays); true.
    bool Close();
    bool isValid();

    unsigned long getLastError(std::string& message) const {
        message = m_strErrorMessage;
        return m_ulErrorCode;
    }
    void SetErrorCode(unsigned long code, const std::string& message) {
        m_ulErrorCode = code;
        m_strErrorMessage = message;
    }

    // Records the JWError of a platform error code; returns the code given.
    unsigned int Err_Handler(unsigned int platformCode);
    // Hands the text to the host's callback, if one is installed; never fails.
    void LogEventMessage(int level, const std::string& text);

    // ---- reservation operations: 0 or the code recorded ----
    unsigned long PR_queryRegKey(std::vector<std::string>& keys);
    unsigned long PR_queryRsrv(std::string& holderKey, unsigned long& type);
    unsigned long PR_register(const std::string& key, bool ignoreExisting);
    unsigned long PR_reserve(const std::string& key);
    unsigned long PR_clear(const std::string& key, const std::string& serviceActionKey,
                           _PR_CLS_OP operation);

    // ---- reservation keys: "QX%.2d%.2d%.2d" and "SM%.3d%.3d"; always 0 ----
    unsigned long makeReservationKey(int first, int second, int third, std::string& key);
    unsigned long makeSnapReservationKey(int first, int second, std::string& key);

    // ---- workflows: 0 or the failing operation's code ----
    unsigned long doForcePR_Reserve(int first, int second, int third, std::string& key);
    unsigned long doForcePR_Clear(int first, int second, int third);
    unsigned long doPR_Release(const std::string& key);

    // ---- volume mapping: no volume is mapped on this platform ----
    int getDiskNumberForVolume(char volume);
    bool getDiskPhysicalAccessPathForVolume(char volume, std::string& path);

    static LogMessageCallbackFunc m_gpLogMessageCallbackFunc;

    // ---- fields ----
    std::string m_strDevicePath;    // the device each reservation operation opens
    int m_hDevice;                  // -1: not open (isValid false)
    char m_szBuffer[2048];          // not used by any operation
    unsigned long m_ulErrorCode;    // code of the last failure, 0 after a success
    std::string m_strErrorMessage;  // message of the last failure; kept by a success
    long long m_llId;               // the host's identifier, handed to the log callback
    bool m_bSnapReservationKey;     // forced workflows use the snapshot key form
};

#endif
