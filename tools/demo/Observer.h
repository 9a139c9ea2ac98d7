// The outside observer: the qxscsi tool, run as a process of its own between the steps of the
// story, its output (stdout and stderr, in order) collected and its run bounded in time.
#ifndef QX_TOOLS_DEMO_OBSERVER_H
#define QX_TOOLS_DEMO_OBSERVER_H

#include <string>
#include <vector>

namespace qxdemo {

struct ObservedRun {
    int exitStatus = -1;  // -1 when the tool did not exit by itself
    int signal = 0;       // the signal that ended it
    bool timedOut = false;
    std::string output;
    std::string failure;  // why the tool could not be run at all
};

class Observer {
  public:
    Observer(std::string toolPath, int seconds) : m_tool(std::move(toolPath)), m_seconds(seconds) {}

    // Runs the tool with args; kills it when it outlives the time limit.
    ObservedRun run(const std::vector<std::string>& args) const;

    int seconds() const { return m_seconds; }

  private:
    std::string m_tool;
    int m_seconds;
};

}  // namespace qxdemo

#endif
