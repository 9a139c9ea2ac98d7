// qxscsi-demo: two hosts fence each other on a shared disk of an iSCSI target, through the
// library's public interface, while the qxscsi tool looks on from outside.
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include "DemoOptions.h"
#include "Interrupt.h"
#include "Narrator.h"
#include "Story.h"
#include "qxscsi/version.h"

namespace {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

}  // namespace

int main(int argc, char** argv) {
    qxdemo::DemoOptions options;
    std::string error;
    if (!qxdemo::parseDemoOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "qxscsi-demo: %s\n%s", error.c_str(), qxdemo::demoUsage());
        return kExitUsage;
    }
    if (options.help) {
        std::printf("%s", qxdemo::demoUsage());
        return 0;
    }
    if (access(options.tool.c_str(), X_OK) != 0) {
        std::fprintf(stderr, "qxscsi-demo: cannot run the tool %s: %s\n", options.tool.c_str(),
                     std::strerror(errno));
        return kExitUsage;
    }
    qxdemo::installInterruptHandler();
    const auto start = std::chrono::steady_clock::now();

    qxdemo::Narrator narrator;
    narrator.line(std::string("qxscsi ") + QXSCSI_VERSION_STRING +
                  ": two hosts fence each other on a shared disk; the qxscsi tool looks on");
    int step = 0;
    try {
        qxdemo::Story story(options, narrator);
        story.introduce();
        for (step = 1; step <= qxdemo::Story::steps(); ++step) {
            qxdemo::setInterruptedStep(step);
            narrator.heading(step, qxdemo::Story::title(step));
            story.tell(step);
        }
    } catch (const std::exception& failure) {
        std::fflush(stdout);
        if (step == 0) {
            std::fprintf(stderr, "qxscsi-demo: cannot begin: %s\n", failure.what());
        } else {
            std::fprintf(stderr, "qxscsi-demo: step %d (%s) failed: %s\n", step,
                         qxdemo::Story::title(step), failure.what());
        }
        return kExitFailed;
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    char done[96];
    std::snprintf(done, sizeof done, "The story is told: %d steps in %.1f s.",
                  qxdemo::Story::steps(), seconds);
    narrator.line("");
    narrator.line(done);
    return 0;
}
