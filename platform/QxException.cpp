#include "platform/QxException.h"

#include <cstring>

OZScsiSense::OZScsiSense() : m_aBytes(), m_nLength(0) {}

OZScsiSense::OZScsiSense(const unsigned char* data, int length) : m_aBytes(), m_nLength(0) {
    if (data == nullptr || length <= 0) {
        return;
    }
    m_nLength = length < kMaxLength ? length : kMaxLength;
    std::memcpy(m_aBytes, data, static_cast<std::size_t>(m_nLength));
}

unsigned char OZScsiSense::key() const {
    return m_nLength > 2 ? static_cast<unsigned char>(m_aBytes[2] & 0x0F) : 0;
}

unsigned char OZScsiSense::asc() const {
    return m_nLength > 12 ? m_aBytes[12] : 255;
}

unsigned char OZScsiSense::ascq() const {
    return m_nLength > 13 ? m_aBytes[13] : 255;
}

QxException::QxException(const char* message, int osErrno)
    : m_strMessage(message != nullptr ? message : ""),
      m_bHasMessage(message != nullptr),
      m_nErrno(osErrno) {}

// Out of line: the key function that places the type information in this library.
QxException::~QxException() = default;

QxScsiException::QxScsiException(const char* message, int scsiStatus, const OZScsiSense& sense,
                                 int osErrno)
    : QxException(message, osErrno), m_sense(sense), m_nScsiStatus(scsiStatus) {}

QxScsiException::~QxScsiException() = default;
