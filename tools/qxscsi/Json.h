// The little JSON the tool writes: one object of named values, in the order they were set.
#ifndef QXSCSI_TOOLS_JSON_H
#define QXSCSI_TOOLS_JSON_H

#include <string>
#include <utility>
#include <vector>

namespace qxtool {

// text as a JSON string literal. Control characters are escaped; a byte that does not belong
// to a well-formed UTF-8 sequence becomes U+FFFD, so the output is always valid JSON.
std::string jsonString(const std::string& text);

class JsonValue {
  public:
    static JsonValue null();
    static JsonValue boolean(bool value);
    static JsonValue number(long long value);
    static JsonValue string(const std::string& value);
    static JsonValue strings(const std::vector<std::string>& values);
    static JsonValue array(const std::vector<JsonValue>& values);
    static JsonValue object(const class JsonObject& value);

    const std::string& text() const { return m_text; }

  private:
    explicit JsonValue(std::string text) : m_text(std::move(text)) {}
    std::string m_text;  // the value already written as JSON
};

class JsonObject {
  public:
    // Sets name to value; a name set before keeps its place and takes the new value.
    void set(const std::string& name, const JsonValue& value);
    std::string text() const;

  private:
    std::vector<std::pair<std::string, JsonValue>> m_members;
};

}  // namespace qxtool

#endif
