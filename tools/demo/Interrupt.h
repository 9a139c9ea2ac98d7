// Ctrl-C during the story: the observing tool, if one runs, is killed, the step that was
// interrupted is said, and the demonstration ends by the signal, at once. A library call in
// progress is not waited for; its sessions end with the process.
#ifndef QX_TOOLS_DEMO_INTERRUPT_H
#define QX_TOOLS_DEMO_INTERRUPT_H

#include <sys/types.h>

namespace qxdemo {

// Installs the SIGINT handler.
void installInterruptHandler();

// The step now being told, for the message of an interrupt.
void setInterruptedStep(int step);

// Starts the program at path with argv (null-terminated), its standard output and error on
// output, with SIGINT held off until its process id is known to the handler. The child runs
// with SIGINT unblocked and at its default action. Returns the child's process id, or -1 with
// error set to why it could not be started (the program cannot be run, say).
pid_t spawnWatchedChild(const char* path, char* const argv[], int output, int& error);

// The child has been reaped: the handler forgets it.
void forgetChild();

}  // namespace qxdemo

#endif
