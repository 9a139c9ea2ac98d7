#include "Progress.h"

namespace qxtool {

void Progress::begin(const std::string& what) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_what = what;
    m_since = Clock::now();
    m_running = true;
}

void Progress::end() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_running = false;
}

bool Progress::current(std::string& what, Clock::time_point& since) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_running) {
        what = m_what;
        since = m_since;
    }
    return m_running;
}

std::string progressLine(const std::string& what, Progress::Clock::duration elapsed) {
    const long long seconds = std::chrono::duration_cast<std::chrono::seconds>(elapsed).count();
    const std::string time =
        seconds < 60 ? std::to_string(seconds) + " s"
                     : std::to_string(seconds / 60) + " min " + std::to_string(seconds % 60) + " s";
    return "qxscsi: " + what + ": " + time + " elapsed";
}

}  // namespace qxtool
