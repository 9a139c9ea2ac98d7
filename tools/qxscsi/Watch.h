// Runs a command on a thread of its own while the calling thread waits for it: it shows the
// elapsed time of a long operation on a terminal, and it takes SIGINT, so that Ctrl-C ends the
// tool at once even while a command waits for a device that may take hours to answer.
#ifndef QXSCSI_TOOLS_WATCH_H
#define QXSCSI_TOOLS_WATCH_H

#include <cstdio>
#include <functional>

#include "Progress.h"

namespace qxtool {

enum class WatchOutcome { Finished, Interrupted };

// Runs work with SIGINT blocked in every thread and waits for it or for SIGINT (where SIGINT
// cannot be waited for, the work runs on this thread and SIGINT keeps its default action).
// terminal, when not null, receives a line with the elapsed time of the operation progress names,
// once it has run a second, redrawn each second and wiped when it ends. On Interrupted the work is
// still running (its thread is detached) and SIGINT stays blocked: the caller reports and ends the
// process with endByInterrupt.
WatchOutcome runWatched(const std::function<void()>& work, const Progress& progress,
                        std::FILE* terminal);

// Ends the process by SIGINT, as an interrupted program should, so that the shell that ran it
// sees the signal; exit status 130 where the signal cannot be raised.
[[noreturn]] void endByInterrupt();

}  // namespace qxtool

#endif
