// SPACE to end of data and READ POSITION: where the tape stands.
#include "qxscsi/QXNTSpti.h"
#include "transport/ScsiBytes.h"

namespace {

constexpr unsigned char kSpace = 0x11;
constexpr unsigned char kSpaceEndOfData = 0x03;
constexpr unsigned char kReadPosition = 0x34;
// READ POSITION data, short form: block locations, big-endian.
constexpr int kFirstBlockLocation = 4;
constexpr int kLastBlockLocation = 8;
constexpr int kEodPositionLength = 32;
constexpr int kPositionLength = 128;

}  // namespace

bool QXNTSpti::SetPositionEOD(unsigned long& firstBlock, unsigned long& lastBlock) {
    unsigned char space[6] = {kSpace, kSpaceEndOfData, 0x00, 0x00, 0x00, 0x00};
    if (!SendSCSICmd(space, sizeof space, nullptr, 0, nullptr, nullptr, nullptr,
                     qx::kCommandTimeout, qx::kNoDataOrFromDevice)) {
        return false;
    }
    unsigned char readPosition[10] = {kReadPosition};
    unsigned char data[kEodPositionLength] = {};
    const bool sent =
        SendSCSICmd(readPosition, sizeof readPosition, data, kEodPositionLength, nullptr, nullptr,
                    nullptr, qx::kCommandTimeout, qx::kNoDataOrFromDevice);
    // The locations are reported only when the drive answered READ POSITION with GOOD status;
    // otherwise the caller's values stay as they were.
    if (sent && m_nScsiStatus == qx::kStatusGood) {
        firstBlock = qx::getBe32(data + kFirstBlockLocation);
        lastBlock = qx::getBe32(data + kLastBlockLocation);
    }
    return sent;
}

int QXNTSpti::readPosition(int& position) {
    position = -1;
    unsigned char cdb[10] = {kReadPosition};
    unsigned char data[kPositionLength] = {};
    if (!SendSCSICmd(cdb, sizeof cdb, data, kPositionLength, nullptr, nullptr, nullptr,
                     qx::kCommandTimeout, qx::kNoDataOrFromDevice)) {
        return -1;
    }
    position = decodeWord4(data + kFirstBlockLocation);
    return m_nScsiStatus;
}
