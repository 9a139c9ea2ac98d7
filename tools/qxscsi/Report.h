// What one invocation has to say: text lines for a person, or one JSON object for a script,
// and on failure the exit status and a one-line reason naming the device.
#ifndef QXSCSI_TOOLS_REPORT_H
#define QXSCSI_TOOLS_REPORT_H

#include <string>
#include <vector>

#include "Json.h"

namespace qxtool {

// text on one line: line breaks and other control characters become spaces.
std::string oneLine(const std::string& text);

class Report {
  public:
    // device: as the user gave it (a password in it is masked); empty for commands without one.
    Report(const std::string& command, const std::string& device);

    // A line of the text output.
    void line(const std::string& text);
    // A member of the JSON output.
    void set(const std::string& name, const JsonValue& value);
    // A command's raw reply: what (the command's name), its CDB and the data the device
    // returned (empty for a command without data). Shown only when showReplies was asked for.
    void reply(const std::string& what, const std::vector<unsigned char>& cdb,
               const std::vector<unsigned char>& data);
    void showReplies(bool show) { m_showReplies = show; }
    // The command failed with this exit status for this reason.
    void fail(int status, const std::string& reason);
    // The command answered its yes/no question with no: the exit status, and nothing on stderr.
    void answerNo(int status) { m_status = status; }

    int status() const { return m_status; }
    // What goes to stdout: the text lines, or the JSON object and a newline.
    std::string output(bool json) const;
    // What goes to stderr: "qxscsi: DEVICE: reason" and a newline, or nothing without a
    // failure.
    std::string errorLine() const;

  private:
    std::string m_device;
    std::vector<std::string> m_lines;
    JsonObject m_json;
    int m_status = 0;
    std::string m_reason;
    struct Reply {
        std::string what;
        std::vector<unsigned char> cdb, data;
    };
    std::vector<Reply> m_replies;
    bool m_showReplies = false;
};

}  // namespace qxtool

#endif
