#include "platform/JWS2BaseError.h"

#include <cstdint>

JWError JWS2BaseError::ConvertToJWError(unsigned int osErrno) {
    return kOsErrorBase + static_cast<JWError>(osErrno);
}

JWError JWS2BaseError::ConvertSCSIErrorToJWError(unsigned char senseKey, unsigned char asc,
                                                 unsigned char ascq) {
    return kSenseErrorBase + (static_cast<JWError>(senseKey) << 16) +
           (static_cast<JWError>(asc) << 8) + static_cast<JWError>(ascq);
}

JWError JWS2BaseError::ConvertSCSIStatusToJWError(int scsiStatus) {
    return kStatusErrorBase + static_cast<JWError>(static_cast<std::uint32_t>(scsiStatus));
}
