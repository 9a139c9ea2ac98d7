#include "Narrator.h"

#include <cstdio>
#include <vector>

#include "qxscsi/QXScsiHardDisk.h"

namespace qxdemo {

namespace {

struct LogLine {
    int level;
    long long id;
    std::string text;
};

// The handles' log lines, kept until shown. The story runs on one thread.
std::vector<LogLine> g_log;

void keep(int level, const long long& id, const std::string& text) {
    g_log.push_back(LogLine{level, id, text});
}

// Hosts A and B are the handles with identifiers 1 and 2.
char hostOf(long long id) {
    return id >= 1 && id <= 26 ? static_cast<char>('A' + id - 1) : '?';
}

}  // namespace

Narrator::Narrator() {
    g_log.clear();
    QXScsiHardDisk::m_gpLogMessageCallbackFunc = &keep;
}

Narrator::~Narrator() {
    QXScsiHardDisk::m_gpLogMessageCallbackFunc = nullptr;
}

void Narrator::line(const std::string& text) const {
    std::printf("%s\n", text.c_str());
    std::fflush(stdout);
}

void Narrator::heading(int step, const std::string& title) const {
    line("");
    line(std::to_string(step) + ". " + title);
}

void Narrator::call(char host, const std::string& text) const {
    line(std::string("host ") + host + "> " + text);
}

void Narrator::command(const std::string& text) const {
    line("$ " + text);
}

void Narrator::outcome(const std::string& text) const {
    line("    = " + text);
}

void Narrator::why(const std::string& text) const {
    line("    why: " + text);
}

void Narrator::output(const std::string& text) const {
    std::string::size_type start = 0;
    while (start < text.size()) {
        std::string::size_type end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        line("    | " + text.substr(start, end - start));
        start = end + 1;
    }
}

void Narrator::showLog() const {
    for (const LogLine& entry : g_log) {
        line(std::string("    log ") + hostOf(entry.id) + " (level " + std::to_string(entry.level) +
             "): " + entry.text);
    }
    g_log.clear();
}

}  // namespace qxdemo
