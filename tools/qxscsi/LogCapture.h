// The reservation handle's log lines during one invocation: kept for the commands that read
// their outcome from them, and shown on stderr with their level when -v asks for it.
#ifndef QXSCSI_TOOLS_LOGCAPTURE_H
#define QXSCSI_TOOLS_LOGCAPTURE_H

#include <cstdio>
#include <string>
#include <vector>

namespace qxtool {

class LogCapture {
  public:
    // Installs the library's log callback for the lifetime of this object (one at a time).
    // verbosity 1 shows level 1 (failures and outcomes), 2 and more every level.
    LogCapture(int verbosity, std::FILE* stream);
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    // True when a line at level with exactly this text was logged.
    bool saw(int level, const std::string& text) const;

  private:
    static void deliver(int level, const long long& id, const std::string& text);

    struct Line {
        int level;
        std::string text;
    };
    int m_verbosity;
    std::FILE* m_stream;
    std::vector<Line> m_lines;
};

}  // namespace qxtool

#endif
