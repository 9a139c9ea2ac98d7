#include "SgUtils.h"

#include <sys/wait.h>

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace device {

namespace {

ToolRun runOnce(const std::string& commandLine) {
    ToolRun run;
    if (FILE* pipe = popen((commandLine + " 2>&1").c_str(), "r")) {
        char buffer[512];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
            run.output.append(buffer, n);
        }
        const int status = pclose(pipe);
        run.exitStatus = status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    return run;
}

const int kUnitAttentionExit = 6;

// The text after prefix on the first line that holds it, up to the end of that line.
bool after(const std::string& output, const std::string& prefix, std::string& rest) {
    const size_t at = output.find(prefix);
    if (at == std::string::npos) {
        return false;
    }
    const size_t start = at + prefix.size();
    rest = output.substr(start, output.find('\n', start) - start);
    return true;
}

bool hexNumber(const std::string& text, uint64_t& value) {
    if (text.size() < 3 || text.compare(0, 2, "0x") != 0 || text.size() > 18) {
        return false;
    }
    char* end = nullptr;
    value = std::strtoull(text.c_str() + 2, &end, 16);
    return end != nullptr && *end == '\0';
}

}  // namespace

ToolRun runTool(const std::string& commandLine, bool retryOnUnitAttention) {
    ToolRun run = runOnce(commandLine);
    if (retryOnUnitAttention && run.exitStatus == kUnitAttentionExit) {
        run = runOnce(commandLine);
        run.retried = true;
    }
    return run;
}

std::string sgPersistState(const std::string& dev) {
    const ToolRun keys = runTool("sg_persist --no-inquiry --in --read-keys " + dev, true);
    const ToolRun held = runTool("sg_persist --no-inquiry --in --read-reservation " + dev, true);
    std::string rest;
    if (keys.exitStatus != 0 || held.exitStatus != 0 ||
        !after(keys.output, "PR generation=", rest)) {
        return "unreadable: exit " + std::to_string(keys.exitStatus) + " and " +
               std::to_string(held.exitStatus) + ": " + keys.output + held.output;
    }
    // The keys, one a line after the generation's, unless there are none.
    std::vector<uint64_t> numbers;
    if (rest.find("there are NO registered reservation keys") == std::string::npos) {
        std::istringstream lines(keys.output.substr(keys.output.find("PR generation=")));
        std::string line;
        std::getline(lines, line);
        while (std::getline(lines, line)) {
            const size_t first = line.find_first_not_of(' ');
            uint64_t key = 0;
            if (first == std::string::npos || !hexNumber(line.substr(first), key)) {
                return "unreadable: key line '" + line + "' in: " + keys.output;
            }
            numbers.push_back(key);
        }
    }
    if (held.output.find("there is NO reservation held") != std::string::npos) {
        return stateText(numbers, "");
    }
    std::string key, scope, type;
    uint64_t holder = 0;
    if (!after(held.output, "Key=", key) || !hexNumber(key, holder) ||
        !after(held.output, "type: ", type) || !after(held.output, "scope: ", scope)) {
        return "unreadable: no holder key and type in: " + held.output;
    }
    return stateText(
        numbers, showKey(holder) + " " + scope.substr(0, scope.find_first_of(", ")) + "/" + type);
}

std::string stateText(std::vector<uint64_t> keys, const std::string& holder) {
    std::sort(keys.begin(), keys.end());
    std::string shown = "keys [";
    for (size_t i = 0; i < keys.size(); ++i) {
        shown += (i == 0 ? "" : " ") + showKey(keys[i]);
    }
    return shown + "], " + (holder.empty() ? "no reservation" : "holder " + holder);
}

uint64_t keyNumber(const std::string& key) {
    uint64_t value = 0;
    for (const char c : key) {
        value = value << 8 | static_cast<unsigned char>(c);
    }
    return value;
}

std::string scopeAndType(unsigned long scopeType) {
    // The only type the checks reserve with; any other shows as its number.
    const unsigned long type = scopeType & 0x0F;
    const unsigned long scope = (scopeType >> 4) & 0x0F;
    return (scope == 0 ? std::string("LU_SCOPE") : std::to_string(scope)) + "/" +
           (type == 3 ? std::string("Exclusive Access") : "type " + std::to_string(type));
}

std::string showKey(uint64_t key) {
    char text[24];
    // NOLINTNEXTLINE(cert-err33-c): 0x and 16 digits fit
    std::snprintf(text, sizeof text, "0x%" PRIx64, key);
    return text;
}

}  // namespace device
