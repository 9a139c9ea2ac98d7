// QXNTSpti: the pass-through object. One SCSI device opened by its path; every command of the
// library is built as a CDB and executed through SendSCSICmd.
//
// A tape-drive caller constructs one on the drive's path, calls isOK(), issues commands and
// destroys it. The object is not thread-safe: one thread uses it at a time.
//
// How results read. A bool command member returns what SendSCSICmd returned for its command: true
// when the device answered, whatever its SCSI status; then m_nScsiStatus holds that status (0
// GOOD, 2 CHECK CONDITION, 24 RESERVATION CONFLICT). false when the command did not reach the
// device or the platform failed: m_nErrorCode then holds the JWError of the failure (see
// platform/JWS2BaseError.h; 40043 for a platform failure without an error number, 0 for a call
// refused before sending) and m_strErrorMsg its text. The integer members of the persistent
// reservation commands return -1 for such a failure and m_nScsiStatus otherwise.
#ifndef QXSCSI_QXNTSPTI_H
#define QXSCSI_QXNTSPTI_H

#include <string>
#include <vector>

#include "qxscsi/QXScsiTapeDrive.h"
#include "qxscsi/qxscsi_export.h"

class OZScsi;
class OZScsiTarget;

// The platform SCSI layer object, created by the first pass-through object or reservation
// handle that finds it null; it is never freed.
extern QXSCSI_API OZScsi* scsi;

// Big-endian 32-bit field at p to a signed 32-bit integer.
QXSCSI_API int decodeWord4(unsigned char* p);

class QXSCSI_API QXNTSpti {
  public:
    // ---- the object (construction, isOK, destruction) ----
    // Opens the device at devicePath (a /dev SCSI node or an iscsi:// URL, see platform/OZScsi.h)
    // for shared access, creating the platform SCSI layer `scsi` when it is null (not
    // thread-safe: the first construction must not race another). The integer is accepted and
    // not used. A device that cannot be opened still gives an object: isOK() reports it. Platform
    // exceptions thrown here reach the caller.
    QXNTSpti(int deviceHandle, const std::string& devicePath);
    // Releases the device.
    ~QXNTSpti();
    QXNTSpti(const QXNTSpti&) = delete;
    QXNTSpti& operator=(const QXNTSpti&) = delete;

    // Whether the device is open and answers pass-through; sets m_bOpened. On failure
    // m_strErrorMsg says why ("Failed to populate scsi targets: Exception Msg = ..."); while the
    // device is not open every command fails with "Target has not been opened.". May be called
    // again.
    bool isOK();

    // ---- command execution ----
    // Executes one CDB of cdbLength bytes (1 to 16) with dataLength bytes of data (null and 0 for
    // none). direction: 0 for no data or data from the device, non-zero for data to the device.
    // timeout is the caller's time limit in seconds; the platform applies its own defaults (7200
    // s for ERASE, 1800 s for the rest). Returns true when the device answered, with the status
    // in m_nScsiStatus and, each pointer that is not null, the sense key (sense byte 2, flag bits
    // included), ASC and ASCQ written (all 0 for GOOD). Returns false for a null CDB, a device
    // that is not open or a platform failure, recording m_nErrorCode and m_strErrorMsg.
    bool SendSCSICmd(unsigned char* cdb, int cdbLength, unsigned char* data, int dataLength,
                     unsigned char* senseKey, unsigned char* asc, unsigned char* ascq, int timeout,
                     int direction);

    // ---- device identification ----
    // Standard INQUIRY (36 bytes): fills m_strVendorId and m_strProductId, trailing blanks
    // removed, whatever the status. false, fields unchanged, when the command failed.
    bool Inquiry();
    // Whether the device's vendor and product identification equal these exactly (case counts).
    // Sends INQUIRY only while either field is still empty; false when that INQUIRY fails.
    bool IsUnit(const std::string& vendor, const std::string& product);
    // Whether the device is any of the (vendor, product) pairs, ended by the first pair with a
    // null member; IsUnit for each.
    bool IsSet(const char* pairs[][2]);
    // The unit serial number (INQUIRY, VPD page 80h, up to 124 characters, trailing blanks
    // removed) into serial; false, serial unchanged, when the command failed.
    bool GetSerialNumber(std::string& serial);

    // ---- unit and position control ----
    // TEST UNIT READY; the sense key, ASC and ASCQ of a CHECK CONDITION through the pointers
    // that are not null (0 when ready).
    bool TestUnitReady(unsigned char* senseKey, unsigned char* asc, unsigned char* ascq);
    // PREVENT ALLOW MEDIUM REMOVAL: non-zero prevents removal, 0 allows it.
    bool PreventAllow(int prevent);
    // RESERVE(6) and RELEASE(6) of the whole unit (not persistent reservations).
    bool reserveUnit();
    bool releaseUnit();
    // ERASE from the current position; longErase erases to the end of the partition (time
    // limit 7200 s).
    bool EraseTape(bool longErase);
    // SPACE to the end of recorded data, then READ POSITION; with GOOD status the first and last
    // block locations are stored, otherwise both stay unchanged. false when a command failed
    // (no READ POSITION after a failed SPACE).
    bool SetPositionEOD(unsigned long& firstBlock, unsigned long& lastBlock);
    // READ POSITION (short form): position receives the first block location. Returns the SCSI
    // status, or -1 (position -1) when the command failed.
    int readPosition(int& position);

    // ---- page and attribute access ----
    // The device writes at most length bytes into buffer; the allocation lengths of the 6-byte
    // CDBs carry only the low byte of length.
    // MODE SENSE(6) of page pageCode (current values, block descriptors allowed).
    bool doModeSense(unsigned char* buffer, int length, int pageCode);
    // MODE SELECT(6), page format, of a MODE SENSE(6) reply edited in place: sends MODE DATA
    // LENGTH + 1 bytes after zeroing the mode data length, the medium type, the write-protect bit
    // and the first block descriptor's reserved byte. false, nothing sent, for a null buffer or a
    // list longer than 255 bytes.
    bool doModeSelect(unsigned char* buffer);
    // REQUEST SENSE into buffer.
    bool doRequestSense(unsigned char* buffer, int length);
    // LOG SENSE of page pageCode, current cumulative values.
    bool LogSense(unsigned char pageCode, unsigned char* buffer, int length);
    // READ ATTRIBUTE (attribute values) of the medium auxiliary memory from the attribute
    // identifier firstAttributeHigh:firstAttributeLow on.
    bool doReadAttribute(unsigned char* buffer, int length, int firstAttributeHigh,
                         int firstAttributeLow);
    // WRITE ATTRIBUTE of the length-byte parameter list in buffer.
    bool doWriteAttribute(unsigned char* buffer, int length);

    // ---- TapeAlert ----
    // Whether the drive lists the TapeAlert log page 2Eh among its log pages; false also when
    // LOG SENSE failed.
    bool TapeAlertSupported();
    // Called once support is found; does nothing and returns true.
    bool enableTapeAlert();
    // Reads the 64 TapeAlert flags into flags, which must hold exactly 64 elements (flag n at
    // index n-1). Reading the page may clear the flags in the drive. false, flags untouched, when
    // the command failed, the vector is not 64 long or the page is shorter than 64 flags.
    bool GetTapeAlertFlag(std::vector<bool>& flags);
    // Flag number flag (1 to 64) of a 64-element vector; false otherwise. Sends nothing.
    bool IsAlertSet(unsigned int flag, std::vector<bool>& flags);

    // ---- WORM cartridge detection ----
    // One test per drive family; choosing the one that fits the drive is the caller's business.
    // Each returns 1 for a write-once cartridge and 0 otherwise, also when its command failed (the
    // pass-through fields then say why). Only is3592WormCartridge stores a code: 104 or 106 for
    // the two 3592 WORM media; the others leave code untouched.
    int isAITWormCartridge(int& code);
    int isLTOWormCartridge(int& code);
    int is3592WormCartridge(int& code);
    int isSTKVolSafeWormCartridge(int& code);
    int isDLTWormCartridge(int& code);
    // Marks a DLT-family cartridge write-once through WRITE ATTRIBUTE (nothing is written to one
    // that already is). 1 when the cartridge reads as WORM afterwards, else 0. The integer is not
    // used.
    int convertToDLTWormCartridge(int unused);

    // ---- media type classification ----
    // For the LTO and DLT drives the library knows (exact vendor and product), the media type
    // code of the loaded cartridge from the medium type byte of MODE SENSE(6) into mediaType.
    // true also for another drive or an unknown medium, mediaType then untouched. false, untouched,
    // when MODE SENSE failed, or when a second-generation LTO drive holds an LTO3 cartridge
    // ("LTO2 cannot recognize the LTO3 media" in m_strErrorMsg).
    bool getMediaType(int& mediaType);

    // ---- persistent reservation commands ----
    // Keys are the 8-byte key fields as strings: written as the string's first up to 8 bytes,
    // zero-filled; read back without the zero bytes at the end. A key another initiator
    // registered as a number keeps its leading and inner zero bytes, so it compares and writes
    // back (to pre-empt it, say) as the same field; an all-zero field reads as "".
    //
    // The integer results are -1 when the command failed (m_nErrorCode, m_strErrorMsg) and the
    // SCSI status otherwise: 0 done, 24 RESERVATION CONFLICT.
    //
    // PERSISTENT RESERVE IN: READ KEYS (readKeys true; the keys are appended to keys) or READ
    // RESERVATION (the descriptors are appended to reservations); PRGENERATION into generation.
    // A list longer than the first 256-byte reply holds is read again at its full length (at
    // most what the 16-bit allocation length allows).
    int persistReserveIn(bool readKeys, long& generation, std::vector<std::string>& keys,
                         std::vector<QXScsiTapeDrive::reserveDesc>& reservations);
    // One PERSISTENT RESERVE OUT: key as RESERVATION KEY, serviceActionKey as SERVICE ACTION
    // RESERVATION KEY, the service action (0 REGISTER, 1 RESERVE, 2 RELEASE, 3 CLEAR, 4 PREEMPT,
    // 6 REGISTER AND IGNORE EXISTING KEY) and the scope and type byte (3: logical unit,
    // Exclusive Access).
    int persistentReserveOut(const std::string& key, const std::string& serviceActionKey,
                             unsigned char serviceAction, unsigned char scopeType);
    // The registered keys, appended to keys (the vector is not cleared); true when READ KEYS
    // returned status 0.
    bool QueryReg(std::vector<std::string>& keys);
    // The reservation's holder key and its scope and type byte (3 for Exclusive Access); "" and 0
    // when nothing is reserved. true when READ RESERVATION returned status 0.
    bool QueryReserve(std::string& key, unsigned long& type);
    // Registers key (REGISTER AND IGNORE EXISTING KEY when ignoreExisting, else REGISTER).
    int RegisterPR(const std::string& key, bool ignoreExisting);
    // Reserves, Exclusive Access, under key.
    int ReservePR(const std::string& key);
    // RELEASE (2), CLEAR (3) or PREEMPT (4) under key; serviceActionKey names the registrant a
    // pre-emption removes.
    int ClearPR(const std::string& key, const std::string& serviceActionKey,
                unsigned char serviceAction);

    // ---- fields ----
    int m_nScsiStatus;           // SCSI status of the last command the platform completed
    OZScsiTarget* m_pTarget;     // the device, owned
    std::string m_strErrorMsg;   // text of the last failure; never cleared by a success
    unsigned long m_nErrorCode;  // JWError of the last failed command; reset by each command
    std::string m_strProductId;  // PRODUCT IDENTIFICATION from INQUIRY, trailing blanks removed
    std::string m_strVendorId;   // VENDOR IDENTIFICATION from INQUIRY, trailing blanks removed
    bool m_bOpened;              // true once isOK found the device open
};

#endif
