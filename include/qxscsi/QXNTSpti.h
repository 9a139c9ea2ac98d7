// QXNTSpti: the pass-through object. One SCSI device opened by its path; every command of the
// library is built as a CDB and executed through SendSCSICmd.
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
    // The integer is accepted and not used.
    QXNTSpti(int deviceHandle, const std::string& devicePath);
    ~QXNTSpti();
    QXNTSpti(const QXNTSpti&) = delete;
    QXNTSpti& operator=(const QXNTSpti&) = delete;

    bool isOK();

    // ---- command execution ----
    // direction: 0 for no data or data from the device, non-zero for data to the device.
    // timeout is the caller's time limit in seconds; the platform applies its own defaults.
    bool SendSCSICmd(unsigned char* cdb, int cdbLength, unsigned char* data, int dataLength,
                     unsigned char* senseKey, unsigned char* asc, unsigned char* ascq, int timeout,
                     int direction);

    // ---- device identification ----
    bool Inquiry();
    bool IsUnit(const std::string& vendor, const std::string& product);
    // pairs: (vendor, product) pairs, ended by the first pair with a null member.
    bool IsSet(const char* pairs[][2]);
    bool GetSerialNumber(std::string& serial);

    // ---- unit and position control ----
    bool TestUnitReady(unsigned char* senseKey, unsigned char* asc, unsigned char* ascq);
    bool PreventAllow(int prevent);
    bool reserveUnit();
    bool releaseUnit();
    bool EraseTape(bool longErase);
    bool SetPositionEOD(unsigned long& firstBlock, unsigned long& lastBlock);
    int readPosition(int& position);

    // ---- page and attribute access ----
    bool doModeSense(unsigned char* buffer, int length, int pageCode);
    bool doModeSelect(unsigned char* buffer);
    bool doRequestSense(unsigned char* buffer, int length);
    bool LogSense(unsigned char pageCode, unsigned char* buffer, int length);
    bool doReadAttribute(unsigned char* buffer, int length, int firstAttributeHigh,
                         int firstAttributeLow);
    bool doWriteAttribute(unsigned char* buffer, int length);

    // ---- TapeAlert ----
    bool TapeAlertSupported();
    bool enableTapeAlert();
    bool GetTapeAlertFlag(std::vector<bool>& flags);
    bool IsAlertSet(unsigned int flag, std::vector<bool>& flags);

    // ---- WORM cartridge detection ----
    int isAITWormCartridge(int& code);
    int isLTOWormCartridge(int& code);
    int is3592WormCartridge(int& code);
    int isSTKVolSafeWormCartridge(int& code);
    int isDLTWormCartridge(int& code);
    int convertToDLTWormCartridge(int unused);

    // ---- media type classification ----
    bool getMediaType(int& mediaType);

    // ---- persistent reservation commands ----
    // Keys are the 8-byte key fields as strings: written as the string's first up to 8 bytes,
    // zero-filled; read back without the zero bytes at the end. A key another initiator
    // registered as a number keeps its leading and inner zero bytes, so it compares and writes
    // back (to pre-empt it, say) as the same field; an all-zero field reads as "".
    int persistReserveIn(bool readKeys, long& generation, std::vector<std::string>& keys,
                         std::vector<QXScsiTapeDrive::reserveDesc>& reservations);
    int persistentReserveOut(const std::string& key, const std::string& serviceActionKey,
                             unsigned char serviceAction, unsigned char scopeType);
    bool QueryReg(std::vector<std::string>& keys);
    bool QueryReserve(std::string& key, unsigned long& type);
    int RegisterPR(const std::string& key, bool ignoreExisting);
    int ReservePR(const std::string& key);
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
