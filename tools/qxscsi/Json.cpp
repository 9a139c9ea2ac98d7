#include "Json.h"

#include <cstdio>

namespace qxtool {

namespace {

// Length of the well-formed UTF-8 sequence at text[i], or 0.
std::size_t utf8Length(const std::string& text, std::size_t i) {
    const auto b = static_cast<unsigned char>(text[i]);
    std::size_t length = 0;
    unsigned long lowest = 0;
    unsigned long value = 0;
    if (b >= 0xC2 && b <= 0xDF) {
        length = 2;
        lowest = 0x80;
        value = b & 0x1FU;
    } else if (b >= 0xE0 && b <= 0xEF) {
        length = 3;
        lowest = 0x800;
        value = b & 0x0FU;
    } else if (b >= 0xF0 && b <= 0xF4) {
        length = 4;
        lowest = 0x10000;
        value = b & 0x07U;
    } else {
        return 0;
    }
    if (i + length > text.size()) {
        return 0;
    }
    for (std::size_t k = 1; k < length; ++k) {
        const auto c = static_cast<unsigned char>(text[i + k]);
        if ((c & 0xC0U) != 0x80U) {
            return 0;
        }
        value = (value << 6) | (c & 0x3FU);
    }
    const bool surrogate = value >= 0xD800 && value <= 0xDFFF;
    return value < lowest || value > 0x10FFFF || surrogate ? 0 : length;
}

}  // namespace

std::string jsonString(const std::string& text) {
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        if (b == '"' || b == '\\') {
            out += '\\';
            out += static_cast<char>(b);
        } else if (b == '\n') {
            out += "\\n";
        } else if (b == '\t') {
            out += "\\t";
        } else if (b == '\r') {
            out += "\\r";
        } else if (b < 0x20 || b == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", b);
            out += escaped;
        } else if (b < 0x80) {
            out += static_cast<char>(b);
        } else {
            const std::size_t length = utf8Length(text, i);
            if (length == 0) {
                out += "\\ufffd";
                ++i;
                continue;
            }
            out += text.substr(i, length);
            i += length;
            continue;
        }
        ++i;
    }
    out += '"';
    return out;
}

JsonValue JsonValue::null() {
    return JsonValue("null");
}

JsonValue JsonValue::boolean(bool value) {
    return JsonValue(value ? "true" : "false");
}

JsonValue JsonValue::number(long long value) {
    return JsonValue(std::to_string(value));
}

JsonValue JsonValue::string(const std::string& value) {
    return JsonValue(jsonString(value));
}

JsonValue JsonValue::strings(const std::vector<std::string>& values) {
    std::string text = "[";
    for (std::size_t i = 0; i < values.size(); ++i) {
        text += (i == 0 ? "" : ", ") + jsonString(values[i]);
    }
    return JsonValue(text + "]");
}

JsonValue JsonValue::array(const std::vector<JsonValue>& values) {
    std::string text = "[";
    for (std::size_t i = 0; i < values.size(); ++i) {
        text += (i == 0 ? "" : ", ") + values[i].text();
    }
    return JsonValue(text + "]");
}

JsonValue JsonValue::object(const JsonObject& value) {
    return JsonValue(value.text());
}

void JsonObject::set(const std::string& name, const JsonValue& value) {
    for (auto& member : m_members) {
        if (member.first == name) {
            member.second = value;
            return;
        }
    }
    m_members.emplace_back(name, value);
}

std::string JsonObject::text() const {
    std::string text = "{";
    for (std::size_t i = 0; i < m_members.size(); ++i) {
        text += (i == 0 ? "" : ", ") + jsonString(m_members[i].first) + ": " +
                m_members[i].second.text();
    }
    return text + "}";
}

}  // namespace qxtool
