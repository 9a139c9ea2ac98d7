#include "Report.h"

#include "HexDump.h"
#include "qxscsi/QXScsiText.h"

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
    : m_device(maskedDevicePath(device)) {
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

void Report::reply(const std::string& what, const std::vector<unsigned char>& cdb,
                   const std::vector<unsigned char>& data) {
    m_replies.push_back({what, cdb, data});
}

void Report::fail(int status, const std::string& reason) {
    m_status = status;
    m_reason = reason;
}

std::string Report::output(bool json) const {
    if (json) {
        JsonObject object = m_json;
        if (m_status != 0) {
            if (!m_reason.empty()) {
                object.set("error", JsonValue::string(m_reason));
            }
            object.set("exit_status", JsonValue::number(m_status));
        }
        if (m_showReplies) {
            std::vector<JsonValue> replies;
            for (const Reply& r : m_replies) {
                JsonObject reply;
                reply.set("command", JsonValue::string(r.what));
                reply.set("cdb", JsonValue::string(hexBytes(r.cdb.data(), r.cdb.size())));
                reply.set("data", JsonValue::string(hexBytes(r.data.data(), r.data.size())));
                replies.push_back(JsonValue::object(reply));
            }
            object.set("replies", JsonValue::array(replies));
        }
        return object.text() + "\n";
    }
    std::string text;
    for (const std::string& l : m_lines) {
        text += l + "\n";
    }
    if (!m_showReplies) {
        return text;
    }
    for (const Reply& r : m_replies) {
        text += r.what + " cdb: " + hexBytes(r.cdb.data(), r.cdb.size()) + "\n";
        if (!r.data.empty()) {
            text += "Received " + std::to_string(r.data.size()) + " bytes of data:\n" +
                    hexDump(r.data.data(), r.data.size());
        }
    }
    return text;
}

std::string Report::errorLine() const {
    if (m_status == 0 || m_reason.empty()) {
        return std::string();
    }
    return oneLine("qxscsi: " + (m_device.empty() ? std::string() : m_device + ": ") + m_reason) +
           "\n";
}

}  // namespace qxtool
