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
    const std::string line = commandLine + " 2>&1";
    FILE* pipe = popen(line.c_str(), "r");
    if (pipe == nullptr) {
        run.output = "cannot run: " + commandLine;
        return run;
    }
    char buffer[512];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        run.output.append(buffer, n);
    }
    const int status = pclose(pipe);
    run.exitStatus = status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
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

bool parseReadKeys(const std::string& output, PrReading& reading) {
    std::string rest;
    if (!after(output, "PR generation=", rest)) {
        reading.failure = "no PR generation in: " + output;
        return false;
    }
    reading.keys.clear();
    if (rest.find("there are NO registered reservation keys") == std::string::npos) {
        std::istringstream lines(output.substr(output.find("PR generation=")));
        std::string line;
        std::getline(lines, line);
        while (std::getline(lines, line)) {
            const size_t first = line.find_first_not_of(' ');
            uint64_t key = 0;
            if (first == std::string::npos || !hexNumber(line.substr(first), key)) {
                reading.failure = "unexpected key line '" + line + "' in: " + output;
                return false;
            }
            reading.keys.push_back(key);
        }
        if (reading.keys.empty()) {
            reading.failure = "no keys follow in: " + output;
            return false;
        }
    }
    std::sort(reading.keys.begin(), reading.keys.end());
    return true;
}

bool parseReadReservation(const std::string& output, PrReading& reading) {
    std::string rest;
    if (!after(output, "PR generation=", rest)) {
        reading.failure = "no PR generation in: " + output;
        return false;
    }
    reading.reserved = false;
    reading.holder = 0;
    reading.type.clear();
    if (rest.find("there is NO reservation held") != std::string::npos) {
        return true;
    }
    std::string key, type;
    if (!after(output, "Key=", key) || !hexNumber(key, reading.holder) ||
        !after(output, "type: ", type)) {
        reading.failure = "no holder key and type in: " + output;
        return false;
    }
    std::string scope;
    after(output, "scope: ", scope);
    scope = scope.substr(0, scope.find_first_of(", "));
    reading.reserved = true;
    reading.type = scope + "/" + type;
    return true;
}

PrReading sgPersistReading(const std::string& dev) {
    PrReading reading;
    const ToolRun keys = runTool("sg_persist --no-inquiry --in --read-keys " + dev, true);
    if (keys.exitStatus != 0) {
        reading.failure =
            "sg_persist --read-keys exit " + std::to_string(keys.exitStatus) + ": " + keys.output;
        return reading;
    }
    const ToolRun holder = runTool("sg_persist --no-inquiry --in --read-reservation " + dev, true);
    if (holder.exitStatus != 0) {
        reading.failure = "sg_persist --read-reservation exit " +
                          std::to_string(holder.exitStatus) + ": " + holder.output;
        return reading;
    }
    reading.valid =
        parseReadKeys(keys.output, reading) && parseReadReservation(holder.output, reading);
    return reading;
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

std::string PrReading::text() const {
    if (!valid) {
        return "unreadable: " + failure;
    }
    std::string shown = "keys [";
    for (size_t i = 0; i < keys.size(); ++i) {
        shown += (i == 0 ? "" : " ") + showKey(keys[i]);
    }
    shown += "], ";
    shown += reserved ? "holder " + showKey(holder) + " " + type : "no reservation";
    return shown;
}

bool PrReading::operator==(const PrReading& other) const {
    return valid && other.valid && keys == other.keys && reserved == other.reserved &&
           holder == other.holder && type == other.type;
}

}  // namespace device
