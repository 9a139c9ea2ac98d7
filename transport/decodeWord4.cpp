#include "qxscsi/QXNTSpti.h"
#include "transport/ScsiBytes.h"

int decodeWord4(unsigned char* p) {
    // Two's complement: a field whose top bit is set comes back negative.
    return static_cast<std::int32_t>(qx::getBe32(p));
}
