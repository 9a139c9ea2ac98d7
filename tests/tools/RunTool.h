// Programs run as processes, the way an administrator, a script or another host runs them: to
// the end, with the exit status, stdout and stderr collected (the tool, the demonstration), or
// talked to line by line (a host of its own). Every wait is bounded; a child that outlives its
// limit, or its test, is killed and reaped.
#ifndef QX_TESTS_TOOLS_RUNTOOL_H
#define QX_TESTS_TOOLS_RUNTOOL_H

#include <sys/types.h>

#include <string>
#include <vector>

namespace tooltest {

// Milliseconds of the steady clock.
long long nowMs();

struct ToolRun {
    int status = -1;  // the exit status; -1 when the tool did not exit by itself
    int signal = 0;   // the signal that ended it, 0 when none did (or the run was killed)
    long long milliseconds = 0;  // from start to end
    std::string out;
    std::string err;
};

struct RunOptions {
    int seconds = 60;             // killed (SIGKILL) after this
    int interruptAfterMs = -1;    // SIGINT once, this long after the start
    bool stderrTerminal = false;  // stderr is a terminal (a pseudo-terminal) instead of a pipe
    std::vector<std::string> environment;  // NAME=VALUE added to the tool's environment
};

ToolRun runProgram(const std::string& program, const std::vector<std::string>& args,
                   const RunOptions& options);

// Runs program with args; kills it after seconds.
ToolRun runProgram(const std::string& program, const std::vector<std::string>& args,
                   int seconds = 60);

// Runs the tool built in this tree.
ToolRun runTool(const std::vector<std::string>& args, int seconds = 60);

// A host of its own: a program the test talks to over its standard input and output.
class HostProcess {
  public:
    HostProcess(const std::string& program, const std::vector<std::string>& args);
    ~HostProcess();
    HostProcess(const HostProcess&) = delete;
    HostProcess& operator=(const HostProcess&) = delete;

    bool started() const { return m_pid > 0; }
    // Sends one line; false when the child no longer reads.
    bool say(const std::string& line);
    // The next line the child writes, waiting until deadlineMs (see nowMs); false when none
    // came by then or the child closed its output.
    bool hear(std::string& line, long long deadlineMs);
    // Closes the child's input and waits until deadlineMs for it to exit; its exit status, or
    // -1 when it had to be killed or was ended by a signal.
    int finish(long long deadlineMs);

  private:
    pid_t m_pid = -1;
    int m_in = -1;   // the child's standard input, our end
    int m_out = -1;  // the child's standard output, our end
    std::string m_pending;
};

}  // namespace tooltest

#endif
