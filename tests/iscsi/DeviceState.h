// What a disk of the shared target holds, read by a host that never registers.
#ifndef QX_TESTS_ISCSI_DEVICESTATE_H
#define QX_TESTS_ISCSI_DEVICESTATE_H

#include <string>
#include <vector>

#include "TgtTarget.h"
#include "gtest/gtest.h"
#include "qxscsi/QXNTSpti.h"

namespace tgt {

struct DeviceState {
    long generation = -1;
    std::vector<std::string> keys;
    std::string holder;
    unsigned long type = 0;
};

inline DeviceState readState(int lun, const std::string& host = "observer") {
    DeviceState s;
    QXNTSpti observer(0, path(lun, host));
    EXPECT_TRUE(observer.isOK()) << observer.m_strErrorMsg;
    std::vector<QXScsiTapeDrive::reserveDesc> unused;
    EXPECT_EQ(observer.persistReserveIn(true, s.generation, s.keys, unused), 0)
        << observer.m_strErrorMsg;
    EXPECT_TRUE(observer.QueryReserve(s.holder, s.type)) << observer.m_strErrorMsg;
    return s;
}

}  // namespace tgt

#endif
