// The platform's error codes (libJWError.so).
//
// A JWError is an unsigned 64-bit number. Each conversion owns a range of its own, so codes from
// different sources never meet, and none of them meets the system's own codes (0, 103, 764, 994,
// 1100, 40043, 45001, 45002), which all lie below 2^32:
//
//   source                                        code
//   ------------------------------------------    ----------------------------------------------
//   ConvertToJWError(e)                           0x1'0000'0000 + e            (e: 0 .. 2^32-1)
//   ConvertSCSIErrorToJWError(key, asc, ascq)     0x2'0000'0000 + key<<16 | asc<<8 | ascq
//   ConvertSCSIStatusToJWError(s)                 0x3'0000'0000 + (s as an unsigned 32-bit value)
//
// The code of an OS error therefore shows the errno in its low 32 bits, the code of a sense
// triple shows key, ASC and ASCQ as the low three bytes (0x2000B4700 is key 0x0B, ASC 0x47,
// ASCQ 0x00), and the code of a status shows the status (-1 gives 0x3FFFFFFFF).
#ifndef QX_PLATFORM_JWS2BASEERROR_H
#define QX_PLATFORM_JWS2BASEERROR_H

#include "platform/platform_export.h"

typedef unsigned long JWError;

class JW_API JWS2BaseError {
  public:
    static const JWError kOsErrorBase = 0x100000000UL;
    static const JWError kSenseErrorBase = 0x200000000UL;
    static const JWError kStatusErrorBase = 0x300000000UL;

    static JWError ConvertToJWError(unsigned int osErrno);
    static JWError ConvertSCSIErrorToJWError(unsigned char senseKey, unsigned char asc,
                                             unsigned char ascq);
    static JWError ConvertSCSIStatusToJWError(int scsiStatus);
};

#endif
