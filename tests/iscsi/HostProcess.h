// A host of its own: a program run as a child process that the test talks to line by line
// over its standard input and output. Every wait is bounded; the destructor kills and reaps a
// child that is still there, whether the test passed or not.
#ifndef QX_TESTS_ISCSI_HOSTPROCESS_H
#define QX_TESTS_ISCSI_HOSTPROCESS_H

#include <sys/types.h>

#include <string>
#include <vector>

namespace tgt {

class HostProcess {
  public:
    HostProcess(const std::string& program, const std::vector<std::string>& args);
    ~HostProcess();
    HostProcess(const HostProcess&) = delete;
    HostProcess& operator=(const HostProcess&) = delete;

    bool started() const { return m_pid > 0; }
    // Sends one line; false when the child no longer reads.
    bool say(const std::string& line);
    // The next line the child writes, waiting until deadlineMs (steady clock, see nowMs); false
    // when none came by then or the child closed its output.
    bool hear(std::string& line, long long deadlineMs);
    // Closes the child's input and waits until deadlineMs for it to exit; its exit status, or
    // -1 when it had to be killed or was ended by a signal.
    int finish(long long deadlineMs);

    static long long nowMs();

  private:
    pid_t m_pid = -1;
    int m_in = -1;   // the child's standard input, our end
    int m_out = -1;  // the child's standard output, our end
    std::string m_pending;
};

}  // namespace tgt

#endif
