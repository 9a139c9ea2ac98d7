// qxscsi: the command-line tool over the library's public interface.
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "Arguments.h"
#include "Commands.h"
#include "ExitStatus.h"
#include "Help.h"
#include "LogCapture.h"
#include "Progress.h"
#include "Report.h"
#include "Watch.h"

int main(int argc, char** argv) {
    using namespace qxtool;
    const std::vector<std::string> args(argv + 1, argv + argc);
    const ParsedArguments parsed = parseArguments(args);
    const Invocation& invocation = parsed.invocation;
    if (!parsed.error.empty()) {
        if (invocation.json) {
            // A script that asked for JSON gets its object, with the command if one was named.
            Report report(invocation.command != nullptr ? invocation.command->name : "",
                          invocation.device);
            if (invocation.command == nullptr) {
                report.set("command", JsonValue::null());
            }
            report.fail(kExitSyntax, parsed.error);
            std::fputs(report.output(true).c_str(), stdout);
            std::fflush(stdout);
        }
        std::fprintf(stderr, "qxscsi: %s\n%s\n", oneLine(parsed.error).c_str(),
                     usageLine(invocation.command).c_str());
        return kExitSyntax;
    }
    if (invocation.help) {
        const std::string text =
            invocation.command != nullptr ? commandHelp(*invocation.command) : generalHelp();
        std::fputs(text.c_str(), stdout);
        return kExitSuccess;
    }
    if (invocation.version) {
        std::fputs(versionText().c_str(), stdout);
        return kExitSuccess;
    }

    Report report(invocation.command->name, invocation.device);
    report.showReplies(invocation.hex);
    const LogCapture log(invocation.verbosity, stderr);  // -v shows the library's log
    Progress progress;
    const WatchOutcome outcome = runWatched([&] { runCommand(invocation, report, &progress); },
                                            progress, isatty(STDERR_FILENO) ? stderr : nullptr);
    if (outcome == WatchOutcome::Interrupted) {
        // The command's own report belongs to its thread, which may still be writing it.
        Report interrupted(invocation.command->name, invocation.device);
        std::string what;
        Progress::Clock::time_point since;
        interrupted.fail(kExitInterrupted, progress.current(what, since)
                                               ? "interrupted during " + what +
                                                     "; the device may still be carrying it out"
                                               : std::string("interrupted"));
        std::fputs(interrupted.output(invocation.json).c_str(), stdout);
        std::fflush(stdout);
        std::fputs(interrupted.errorLine().c_str(), stderr);
        std::fflush(stderr);
        endByInterrupt();
    }
    std::fputs(report.output(invocation.json).c_str(), stdout);
    std::fflush(stdout);
    std::fputs(report.errorLine().c_str(), stderr);
    return report.status();
}
