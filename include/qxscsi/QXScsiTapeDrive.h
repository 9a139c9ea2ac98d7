// The reservation descriptor record read by PERSISTENT RESERVE IN, READ RESERVATION.
#ifndef QXSCSI_QXSCSITAPEDRIVE_H
#define QXSCSI_QXSCSITAPEDRIVE_H

class QXScsiTapeDrive {
  public:
    // One reservation descriptor, 16 bytes copied byte for byte from the device's reply. Every
    // field is a byte array, so the record reads the same on any byte order.
    struct reserveDesc {
        char key[8];                    // RESERVATION KEY of the holder, as characters
        unsigned char scopeAddress[4];  // SCOPE-SPECIFIC ADDRESS, as returned
        unsigned char reserved;         // as returned
        unsigned char scopeType;        // SCOPE in bits 7-4, TYPE in bits 3-0
        unsigned char extentLength[2];  // EXTENT LENGTH, as returned
    };
};

static_assert(sizeof(QXScsiTapeDrive::reserveDesc) == 16, "a reservation descriptor is 16 bytes");

#endif
