// How the story is told on stdout: a heading for each step, the library call or the tool's
// command line before it runs, then the outcome, the tool's output and the handles' log lines.
#ifndef QX_TOOLS_DEMO_NARRATOR_H
#define QX_TOOLS_DEMO_NARRATOR_H

#include <string>

namespace qxdemo {

class Narrator {
  public:
    // Installs the handles' log callback; the lines it receives are shown by showLog.
    Narrator();
    ~Narrator();
    Narrator(const Narrator&) = delete;
    Narrator& operator=(const Narrator&) = delete;

    void line(const std::string& text) const;
    void heading(int step, const std::string& title) const;
    // A library call host makes, before it runs.
    void call(char host, const std::string& text) const;
    // A qxscsi command line, before it runs.
    void command(const std::string& text) const;
    // What came of the last call or command.
    void outcome(const std::string& text) const;
    // The reason behind an outcome.
    void why(const std::string& text) const;
    // Text a program printed, each line indented.
    void output(const std::string& text) const;
    // The log lines the handles gave since the last showLog.
    void showLog() const;
};

}  // namespace qxdemo

#endif
