// Programs run as processes, the way an administrator or a script runs them: to the end, with
// the exit status, stdout and stderr collected (the tool, the demonstration). Every wait is
// bounded; a child that outlives its limit is killed and reaped.
#ifndef QX_TESTS_TOOLS_RUNTOOL_H
#define QX_TESTS_TOOLS_RUNTOOL_H

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
    int seconds = 60;           // killed (SIGKILL) after this
    int interruptAfterMs = -1;  // SIGINT once, this long after the start
};

// Runs program with args, as options say.
ToolRun runProgram(const std::string& program, const std::vector<std::string>& args,
                   const RunOptions& options);

// Runs the tool built in this tree.
ToolRun runTool(const std::vector<std::string>& args, int seconds = 60);

}  // namespace tooltest

#endif
