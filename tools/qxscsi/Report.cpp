#include "tools/qxscsi/Report.h"

#include "platform/ShownPath.h"

namespace qxtool {

std::string oneLine(const std::string& text) {
    std::string line = text;
    for (char& c : line) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b == 0x7F) {
            c = ' ';
        }
    }
    return line;
}

Report::Report(const std::string& command, const std::string& device)
    : m_device(oz::shownPath(device)) {
    m_json.set("command", JsonValue::string(command));
    if (!device.empty()) {
        m_json.set("device", JsonValue::string(m_device));
    }
    m_json.set("schema", JsonValue::number(1));
}

void Report::line(const std::string& text) {
    m_lines.push_back(text);
}

void Report::set(const std::string& name, const JsonValue& value) {
    m_json.set(name, value);
}

void Report::fail(int status, const std::string& reason) {
    m_status = status;
    m_reason = reason;
}

std::string Report::output(bool json) const {
    if (json) {
        JsonObject object = m_json;
        if (m_status != 0) {
            object.set("error", JsonValue::string(m_reason));
            object.set("exit_status", JsonValue::number(m_status));
        }
        return object.text() + "\n";
    }
    std::string text;
    for (const std::string& l : m_lines) {
        text += l + "\n";
    }
    return text;
}

std::string Report::errorLine() const {
    if (m_status == 0) {
        return std::string();
    }
    return oneLine("qxscsi: " + (m_device.empty() ? std::string() : m_device + ": ") + m_reason) +
           "\n";
}

}  // namespace qxtool
