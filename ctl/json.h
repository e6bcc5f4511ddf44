// The little JSON camdeck-ctl writes: one object per line, built field by
// field in the order given. No Qt.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace camdeck::ctl {

// text as a JSON string, quotes included; UTF-8 passes through.
std::string jsonString(std::string_view text);

class JsonObject {
public:
    JsonObject &text(std::string_view key, std::string_view value);
    JsonObject &number(std::string_view key, int value);
    JsonObject &flag(std::string_view key, bool value);
    JsonObject &null(std::string_view key);
    JsonObject &texts(std::string_view key, const std::vector<std::string> &values);
    // A value already written as JSON: an object or a list of them.
    JsonObject &json(std::string_view key, const std::string &value);

    std::string str() const { return "{" + m_fields + "}"; }

private:
    JsonObject &field(std::string_view key, const std::string &value);

    std::string m_fields;
};

// Objects (or other JSON values) as a JSON list.
std::string jsonList(const std::vector<std::string> &values);

} // namespace camdeck::ctl
