// The story the demonstration tells: hosts A and B fence each other on the shared disk while
// the qxscsi tool looks on. Each step checks that things turned out as they should and throws
// StepFailed with the reason when they did not.
#ifndef QX_TOOLS_DEMO_STORY_H
#define QX_TOOLS_DEMO_STORY_H

#include <array>
#include <stdexcept>
#include <string>

#include "DemoHost.h"
#include "DemoOptions.h"
#include "Narrator.h"
#include "Observer.h"

namespace qxdemo {

struct StepFailed : std::runtime_error {
    explicit StepFailed(const std::string& reason) : std::runtime_error(reason) {}
};

class Story {
  public:
    Story(const DemoOptions& options, const Narrator& narrator);

    // What the story runs on, before the first step.
    void introduce() const;

    static int steps();
    static const char* title(int step);
    // Tells step (1 to steps()); throws StepFailed.
    void tell(int step);

  private:
    void tapeDrive();
    void hostAReserves();
    void readsUnderA();
    void hostBPreempts();
    void hostBClears();

    // Runs `qxscsi command "$VARIABLE"`, shows its output, and requires exit status 0; returns
    // the output.
    std::string observe(const std::string& command, const std::string& variable);
    // host's doForcePR_Reserve(id), shown; requires 0 and expectedKey.
    void forcedReserve(DemoHost& host, const std::array<int, 3>& id,
                       const std::string& expectedKey);
    // A's or B's read, shown; returns the answer.
    ReadAnswer read(const DemoHost& host);

    std::string pathFor(const std::string& who, int lun) const;

    const DemoOptions& m_options;
    const Narrator& m_narrator;
    Observer m_observer;
    std::string m_disk;  // the observer's paths
    std::string m_tape;
    DemoHost m_a;
    DemoHost m_b;
};

}  // namespace qxdemo

#endif
