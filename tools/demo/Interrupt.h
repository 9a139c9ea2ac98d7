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

// Starts a child process with SIGINT held off until its process id is known to the handler;
// returns what fork returns. The child runs with SIGINT unblocked and at its default action.
pid_t forkWatchedChild();

// The child has been reaped: the handler forgets it.
void forgetChild();

}  // namespace qxdemo

#endif
