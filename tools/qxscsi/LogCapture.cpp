#include "LogCapture.h"

#include "qxscsi/QXScsiHardDisk.h"

namespace qxtool {

namespace {

LogCapture* g_capture = nullptr;

}  // namespace

LogCapture::LogCapture(int verbosity, std::FILE* stream)
    : m_verbosity(verbosity), m_stream(stream) {
    g_capture = this;
    QXScsiHardDisk::m_gpLogMessageCallbackFunc = &LogCapture::deliver;
}

LogCapture::~LogCapture() {
    QXScsiHardDisk::m_gpLogMessageCallbackFunc = nullptr;
    g_capture = nullptr;
}

void LogCapture::deliver(int level, const long long& /*id*/, const std::string& text) {
    LogCapture* self = g_capture;
    if (self == nullptr) {
        return;
    }
    if (self->m_verbosity >= 2 || (self->m_verbosity == 1 && level <= 1)) {
        std::fprintf(self->m_stream, "qxscsi: [%d] %s\n", level, text.c_str());
        std::fflush(self->m_stream);
    }
}

}  // namespace qxtool
