#include "Exchange.h"

#include "ExitStatus.h"
#include "Progress.h"
#include "Report.h"
#include "SenseText.h"
#include "qxscsi/QXNTSpti.h"

namespace qxtool {

namespace {

constexpr int kStatusCheckCondition = 0x02;
constexpr int kStatusReservationConflict = 0x18;
// Carried for the record: the platform gives each operation code its own time limit.
constexpr int kTimeoutSeconds = 1800;

constexpr unsigned char kInquiry = 0x12;
constexpr unsigned char kModeSense6 = 0x1A;
constexpr unsigned char kReadCapacity10 = 0x25;
constexpr unsigned char kReadPosition = 0x34;
constexpr unsigned char kLogSense = 0x4D;
constexpr std::size_t kShortPositionLength = 20;

std::size_t word2(const std::vector<unsigned char>& d, std::size_t at) {
    return (static_cast<std::size_t>(d[at]) << 8) | d[at + 1];
}

}  // namespace

std::size_t replyLength(unsigned char opcode, const std::vector<unsigned char>& cdb,
                        const std::vector<unsigned char>& data) {
    std::size_t length = data.size();
    switch (opcode) {
        case kInquiry:
            if (cdb.size() > 1 && (cdb[1] & 0x01) != 0) {
                length = data.size() >= 4 ? word2(data, 2) + 4 : length;  // VPD page length
            } else {
                length = data.size() >= 5 ? data[4] + 5U : length;  // additional length
            }
            break;
        case kModeSense6:
            length = data.empty() ? 0 : data[0] + 1U;  // mode data length
            break;
        case kLogSense:
            length = data.size() >= 4 ? word2(data, 2) + 4 : length;  // page length
            break;
        case kReadCapacity10:
            length = 8;
            break;
        case kReadPosition:
            length = kShortPositionLength;
            break;
        default:
            break;
    }
    return length < data.size() ? length : data.size();
}

Answer Exchange::send(const std::string& what, std::vector<unsigned char> cdb, int dataLength) {
    Answer answer;
    std::vector<unsigned char> data(static_cast<std::size_t>(dataLength > 0 ? dataLength : 0), 0);
    if (!m_spti.SendSCSICmd(cdb.data(), static_cast<int>(cdb.size()),
                            data.empty() ? nullptr : data.data(), static_cast<int>(data.size()),
                            &answer.senseKey, &answer.asc, &answer.ascq, kTimeoutSeconds, 0)) {
        answer.status = kExitOther;
        answer.reason = what + " could not be sent: " + m_spti.m_strErrorMsg;
        m_report.reply(what, cdb, {});
        return answer;
    }
    answer.scsiStatus = m_spti.m_nScsiStatus;
    switch (answer.scsiStatus) {
        case 0:
            data.resize(replyLength(cdb[0], cdb, data));
            answer.data = data;
            break;
        case kStatusReservationConflict:
            answer.status = kExitReservationConflict;
            answer.reason = what + ": reservation conflict";
            break;
        case kStatusCheckCondition:
            answer.status = statusForSense(answer.senseKey, answer.asc);
            answer.reason = what + ": " + senseText(answer.senseKey, answer.asc, answer.ascq);
            break;
        default:
            answer.status = kExitOther;
            answer.reason = what + ": SCSI status " + std::to_string(answer.scsiStatus);
            break;
    }
    m_report.reply(what, cdb, answer.data);
    return answer;
}

Answer Exchange::sendLong(const std::string& what, std::vector<unsigned char> cdb, int dataLength) {
    if (m_progress != nullptr) {
        m_progress->begin(what);
    }
    Answer answer = send(what, std::move(cdb), dataLength);
    if (m_progress != nullptr) {
        m_progress->end();
    }
    return answer;
}

}  // namespace qxtool
