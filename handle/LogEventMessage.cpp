// Logging through the host's callback.
#include "qxscsi/QXScsiHardDisk.h"

LogMessageCallbackFunc QXScsiHardDisk::m_gpLogMessageCallbackFunc = nullptr;

void QXScsiHardDisk::LogEventMessage(int level, const std::string& text) {
    const LogMessageCallbackFunc callback = m_gpLogMessageCallbackFunc;
    if (callback == nullptr) {
        return;
    }
    try {
        callback(level, m_llId, text);
    } catch (...) {
        // A failing log never fails or changes the operation that logs.
    }
}
