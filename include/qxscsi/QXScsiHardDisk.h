// QXScsiHardDisk: the reservation handle. One shared device, named by its path, on which a host
// registers its reservation key, reads the registrations and the reservation, reserves, releases,
// clears and pre-empts. Each operation opens the device for its own duration only; the handle
// keeps the code and message of its last failure and logs through the host's callback.
//
// Codes, as the operations record and return them (getLastError reads the last one), named by
// QXScsiHardDisk::PR_RESULT:
//      0  PR_SUCCESS        success
//    994  PR_ERR_ACCESS     the handle is not valid (Open() not called); nothing was sent
//  45001  PR_ERR_PASSTHRU   the pass-through object could not be made usable, or a read of the
//                           keys or the reservation failed
//  45002  PR_ERR_CONFLICT   the device answered RESERVATION CONFLICT (register, reserve, clear,
//                           pre-empt, release)
//    764  PR_ERR_PROUT      any other failure of register, reserve, clear, pre-empt or release
//   1100  PR_ERR_EXCEPTION  an exception escaped from the operation's work (not logged)
// The reason behind 45001 and 764 (the device's sense data, an OS error, a transport failure) is
// not kept in the handle; QXNTSpti's m_nErrorCode and m_strErrorMsg show it to a caller that
// sends the command itself.
//
// A handle is used by one thread at a time; handles of other threads or processes may work on
// the same device.
#ifndef QXSCSI_QXSCSIHARDDISK_H
#define QXSCSI_QXSCSIHARDDISK_H

#include <string>
#include <vector>

#include "qxscsi/qxscsi_export.h"

// The host's log callback: level (1 failures and outcomes, 3 entry trace), the identifier of
// the handle that logs, and the text. Both references are valid for the call only. It is called
// on the thread of the operation that logs, while that operation runs.
typedef void (*LogMessageCallbackFunc)(int, const long long&, const std::string&);

class QXSCSI_API QXScsiHardDisk {
  public:
    // Operation of PR_clear; the value is the PERSISTENT RESERVE OUT service action.
    // The name is the host interface's own and stays, reserved spelling and all.
    // NOLINTNEXTLINE(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp)
    enum _PR_CLS_OP { PR_CLS_RELEASE = 2, PR_CLS_CLEAR = 3, PR_CLS_PREEMPT = 4 };

    // The codes the operations and workflows return and record (the table above).
    enum PR_RESULT : unsigned long {
        PR_SUCCESS = 0,
        PR_ERR_ACCESS = 994,
        PR_ERR_PASSTHRU = 45001,
        PR_ERR_CONFLICT = 45002,
        PR_ERR_PROUT = 764,
        PR_ERR_EXCEPTION = 1100,
    };

    // What a forced reserve that returned 0 did; PR_FORCE_NONE after a failure.
    enum PR_FORCE_OUTCOME {
        PR_FORCE_NONE = 0,
        PR_FORCE_RESERVED = 1,      // nobody held the device: this host reserved it
        PR_FORCE_ALREADY_HELD = 2,  // this host held it already; nothing was changed
        PR_FORCE_PREEMPTED = 3,     // another host held it: this host pre-empted that host
        PR_FORCE_TAKEN_OVER = 4,    // this host's key held it through another connection of
                                    // this host (an earlier process, a lost session): taken over
    };

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
    // Whether Open() made the handle valid; the reservation operations check it first.
    bool isValid();

    // The code of the last failure (0 after a success) and into message its text, which a
    // success leaves as it was.
    unsigned long getLastError(std::string& message) const {
        message = m_strErrorMessage;
        return m_ulErrorCode;
    }
    // Records a code and its message.
    void SetErrorCode(unsigned long code, const std::string& message) {
        m_ulErrorCode = code;
        m_strErrorMessage = message;
    }

    // Records the JWError of a platform error code; returns the code given.
    unsigned int Err_Handler(unsigned int platformCode);
    // Hands the text to the host's callback, if one is installed; never fails.
    void LogEventMessage(int level, const std::string& text);

    // ---- reservation operations: 0 or the code recorded ----
    // Each opens the device for its own duration through one pass-through object, sends one
    // command, records its code and logs (entry at level 3, failures at level 1).
    // The registered keys, appended to keys. 45001 on failure.
    unsigned long PR_queryRegKey(std::vector<std::string>& keys);
    // The holder's key ("" when nothing is reserved) and the scope and type byte (3: Exclusive
    // Access). 45001 on failure, both left as they were.
    unsigned long PR_queryRsrv(std::string& holderKey, unsigned long& type);
    // Registers key for this host (REGISTER AND IGNORE EXISTING KEY when ignoreExisting, else
    // REGISTER). 45002 or 764 on failure.
    unsigned long PR_register(const std::string& key, bool ignoreExisting);
    // Reserves the device, Exclusive Access, under the registered key. 45002 or 764 on failure.
    unsigned long PR_reserve(const std::string& key);
    // Release, clear or pre-empt (operation) under key; serviceActionKey is the holder a
    // pre-emption removes, "" otherwise. 45002 or 764 on failure.
    unsigned long PR_clear(const std::string& key, const std::string& serviceActionKey,
                           _PR_CLS_OP operation);

    // ---- reservation keys: "QX%.2d%.2d%.2d" and "SM%.3d%.3d"; always 0 ----
    unsigned long makeReservationKey(int first, int second, int third, std::string& key);
    unsigned long makeSnapReservationKey(int first, int second, std::string& key);

    // ---- workflows: 0 or the failing operation's code ----
    // The forced reserve: makes this host the holder whatever state the device is in. Builds the
    // host's key from the three integers into key (the snapshot form when
    // m_bSnapReservationKey), registers it when the device does not know it, then reserves a
    // free device, pre-empts another holder, or leaves this host's own reservation alone. A
    // failed read of the reservation is passed over: the workflow then tries to reserve. Each
    // step is logged at level 1.
    unsigned long doForcePR_Reserve(int first, int second, int third, std::string& key);
    // The same, telling into outcome which of the four ways it took the device (since 0.2).
    unsigned long doForcePR_Reserve(int first, int second, int third, std::string& key,
                                    PR_FORCE_OUTCOME& outcome);
    // The forced clear: registers this host's key, then clears the reservation and every
    // registration on the device, whoever made them.
    unsigned long doForcePR_Clear(int first, int second, int third);
    // Releases the reservation held under key (as a rule the key doForcePR_Reserve handed back);
    // the registrations stay.
    unsigned long doPR_Release(const std::string& key);

    // ---- volume mapping: no volume is mapped on this platform ----
    int getDiskNumberForVolume(char volume);
    bool getDiskPhysicalAccessPathForVolume(char volume, std::string& path);

    // The host's log callback for every handle, null (messages dropped) until the host installs
    // one. Install it before creating handles; it is read unguarded at every message.
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
