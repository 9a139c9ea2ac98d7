// The long operation a command is waiting for, shared between the thread that runs the command
// and the one that shows the elapsed time and takes Ctrl-C.
#ifndef QXSCSI_TOOLS_PROGRESS_H
#define QXSCSI_TOOLS_PROGRESS_H

#include <chrono>
#include <mutex>
#include <string>

namespace qxtool {

class Progress {
  public:
    using Clock = std::chrono::steady_clock;

    // A long operation (what names it: "SPACE to end of data") starts, or has ended.
    void begin(const std::string& what);
    void end();

    // The operation under way and when it began; false when none is.
    bool current(std::string& what, Clock::time_point& since) const;

  private:
    mutable std::mutex m_mutex;
    std::string m_what;
    Clock::time_point m_since;
    bool m_running = false;
};

// "qxscsi: SPACE to end of data: 1 min 15 s elapsed": the line the elapsed time is shown in.
std::string progressLine(const std::string& what, Progress::Clock::duration elapsed);

}  // namespace qxtool

#endif
