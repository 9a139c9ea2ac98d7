// Runs the qxscsi tool as a process, the way an administrator or a script does, and collects
// its exit status, stdout and stderr. A run that outlives its time limit is killed.
#ifndef QX_TESTS_TOOLS_RUNTOOL_H
#define QX_TESTS_TOOLS_RUNTOOL_H

#include <string>
#include <vector>

namespace tooltest {

struct ToolRun {
    int status = -1;  // the exit status; -1 when the tool did not exit by itself
    std::string out;
    std::string err;
};

// Runs program with args; kills it after seconds.
ToolRun runProgram(const std::string& program, const std::vector<std::string>& args,
                   int seconds = 60);

// Runs the tool built in this tree.
ToolRun runTool(const std::vector<std::string>& args, int seconds = 60);

}  // namespace tooltest

#endif
