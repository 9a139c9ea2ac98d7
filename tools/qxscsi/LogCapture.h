// The reservation handle's log lines during one invocation, shown on stderr with their level
// when -v asks for it.
#ifndef QXSCSI_TOOLS_LOGCAPTURE_H
#define QXSCSI_TOOLS_LOGCAPTURE_H

#include <cstdio>
#include <string>

namespace qxtool {

class LogCapture {
  public:
    // Installs the library's log callback for the lifetime of this object (one at a time).
    // verbosity 1 shows level 1 (failures and outcomes), 2 and more every level.
    LogCapture(int verbosity, std::FILE* stream);
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

  private:
    static void deliver(int level, const long long& id, const std::string& text);

    int m_verbosity;
    std::FILE* m_stream;
};

}  // namespace qxtool

#endif
