#include "json.h"

#include <cstdio>

namespace camdeck::ctl {

std::string jsonString(std::string_view text)
{
    std::string quoted = "\"";
    for (const char c : text) {
        switch (c) {
        case '"':
            quoted += "\\\"";
            break;
        case '\\':
            quoted += "\\\\";
            break;
        case '\n':
            quoted += "\\n";
            break;
        case '\t':
            quoted += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                quoted += escaped;
            } else {
                quoted += c;
            }
        }
    }
    return quoted + "\"";
}

std::string jsonList(const std::vector<std::string> &values)
{
    std::string list;
    for (const std::string &value : values)
        list += (list.empty() ? "" : ",") + value;
    return "[" + list + "]";
}

JsonObject &JsonObject::field(std::string_view key, const std::string &value)
{
    m_fields += (m_fields.empty() ? "" : ",") + jsonString(key) + ":" + value;
    return *this;
}

JsonObject &JsonObject::text(std::string_view key, std::string_view value)
{
    return field(key, jsonString(value));
}

JsonObject &JsonObject::number(std::string_view key, int value)
{
    return field(key, std::to_string(value));
}

JsonObject &JsonObject::flag(std::string_view key, bool value)
{
    return field(key, value ? "true" : "false");
}

JsonObject &JsonObject::null(std::string_view key)
{
    return field(key, "null");
}

JsonObject &JsonObject::texts(std::string_view key, const std::vector<std::string> &values)
{
    std::vector<std::string> quoted;
    for (const std::string &value : values)
        quoted.push_back(jsonString(value));
    return field(key, jsonList(quoted));
}

JsonObject &JsonObject::json(std::string_view key, const std::string &value)
{
    return field(key, value);
}

} // namespace camdeck::ctl
