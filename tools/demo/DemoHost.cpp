#include "DemoHost.h"

#include <cstdio>

#include "qxscsi/QXNTSpti.h"

namespace qxdemo {

namespace {

constexpr int kBlockSize = 512;
constexpr int kReadSeconds = 30;

}  // namespace

std::string describe(const ReadAnswer& answer) {
    if (!answer.completed) {
        return "not completed: " + answer.error;
    }
    switch (answer.status) {
        case 0x00:
            return "GOOD";
        case 0x18:
            return "RESERVATION CONFLICT";
        case 0x02: {
            char sense[48];
            std::snprintf(sense, sizeof sense, "CHECK CONDITION, sense %X/%02X/%02X",
                          static_cast<unsigned>(answer.senseKey), static_cast<unsigned>(answer.asc),
                          static_cast<unsigned>(answer.ascq));
            return sense;
        }
        default: {
            char status[32];
            std::snprintf(status, sizeof status, "status %02Xh", answer.status & 0xFF);
            return status;
        }
    }
}

DemoHost::DemoHost(char name, long long id, const std::string& path)
    : m_name(name), m_path(path), m_disk(path, id) {
    m_disk.Open();
}

ReadAnswer DemoHost::read() const {
    ReadAnswer answer;
    QXNTSpti spti(0, m_path);
    if (!spti.isOK()) {
        answer.error = spti.m_strErrorMsg;
        return answer;
    }
    unsigned char cdb[10] = {0x28, 0, 0, 0, 0, 0, 0, 0, 1, 0};
    unsigned char block[kBlockSize] = {};
    answer.completed = spti.SendSCSICmd(cdb, sizeof cdb, block, kBlockSize, &answer.senseKey,
                                        &answer.asc, &answer.ascq, kReadSeconds, 0);
    answer.status = spti.m_nScsiStatus;
    if (!answer.completed) {
        answer.error = spti.m_strErrorMsg;
    }
    return answer;
}

}  // namespace qxdemo
