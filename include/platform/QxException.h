// Exceptions thrown by the platform SCSI layer (libOZScsi.so).
//
// QxException reports an operating-system or platform failure: a message (possibly null) and
// an OS error number (0 or less when there is none). QxScsiException reports a device failure:
// it carries the device's sense data and the SCSI status, or -1 when the failure happened below
// the SCSI layer (transport, host adapter, timeout, aborted command).
#ifndef QX_PLATFORM_QXEXCEPTION_H
#define QX_PLATFORM_QXEXCEPTION_H

#include <string>

#include "platform/platform_export.h"

// Sense bytes as reported by a device. Holds its own copy of up to 256 bytes; data() is null
// when the device returned none. Accessors read fixed-format sense.
class OZ_API OZScsiSense {
  public:
    static const int kMaxLength = 256;

    OZScsiSense();
    // Copies min(length, 256) bytes; a null pointer or a length of 0 or less gives no sense.
    OZScsiSense(const unsigned char* data, int length);

    const unsigned char* data() const { return m_nLength > 0 ? m_aBytes : nullptr; }
    int length() const { return m_nLength; }

    // Low four bits of byte 2, or 0 without sense.
    unsigned char key() const;
    // Byte 12, or 255 without sense (or when the device sent fewer bytes).
    unsigned char asc() const;
    // Byte 13, or 255 without sense (or when the device sent fewer bytes).
    unsigned char ascq() const;

  private:
    unsigned char m_aBytes[kMaxLength];
    int m_nLength;
};

class OZ_API QxException {
  public:
    // message may be null: getMessage() then returns null.
    explicit QxException(const char* message = nullptr, int osErrno = 0);
    QxException(const QxException&) = default;
    QxException& operator=(const QxException&) = default;
    virtual ~QxException();

    const char* getMessage() const { return m_bHasMessage ? m_strMessage.c_str() : nullptr; }
    int getErrno() const { return m_nErrno; }

  private:
    std::string m_strMessage;
    bool m_bHasMessage;
    int m_nErrno;
};

class OZ_API QxScsiException : public QxException {
  public:
    QxScsiException(const char* message, int scsiStatus, const OZScsiSense& sense, int osErrno = 0);
    QxScsiException(const QxScsiException&) = default;
    QxScsiException& operator=(const QxScsiException&) = default;
    ~QxScsiException() override;

    unsigned char key() const { return m_sense.key(); }
    unsigned char asc() const { return m_sense.asc(); }
    unsigned char ascq() const { return m_sense.ascq(); }
    const OZScsiSense& sense() const { return m_sense; }
    // The SCSI status of the failed command, or -1 for a failure below the SCSI layer.
    int getScsiStatus() const { return m_nScsiStatus; }

  private:
    OZScsiSense m_sense;
    int m_nScsiStatus;
};

#endif
