#include "setup.h"
#include "controlvalues.h"

#include "protocol/masks.h"
#include "protocol/names.h"

#include <QString>

#include <map>

namespace camdeck {

namespace {

std::string_view trimmed(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

// "LOT 42" with \" and \\ inside; nothing when it is not quoted whole.
std::optional<std::string> unquoted(std::string_view value)
{
    if (value.size() < 2 || value.front() != '"' || value.back() != '"')
        return std::nullopt;
    std::string text;
    for (std::size_t i = 1; i + 1 < value.size(); ++i) {
        if (value[i] == '\\' && i + 2 < value.size())
            ++i;
        else if (value[i] == '"')
            return std::nullopt;
        text += value[i];
    }
    return text;
}

std::string quoted(const std::u16string &text)
{
    std::string out = "\"";
    for (const char c : QString::fromStdU16String(text).toStdString()) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + '"';
}

class Reader {
public:
    SetupRead read(std::string_view text);

private:
    bool take(std::string_view key, std::string_view value);
    // Each control once, whatever name it goes by (xdr, xdr-mode).
    bool once(std::string_view name);
    bool fail(std::string why)
    {
        m_read.error = "line " + std::to_string(m_line) + ": " + why;
        return false;
    }

    SetupRead m_read;
    int m_line = 0;
    std::map<std::string, int> m_seen; // key, line
};

SetupRead Reader::read(std::string_view text)
{
    while (!text.empty()) {
        ++m_line;
        const std::size_t end = text.find('\n');
        const std::string_view line = trimmed(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.empty() || line.front() == '#')
            continue;
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            fail("'" + std::string(line.substr(0, 40)) + "' is no 'name = value'");
            break;
        }
        const std::string key = protocol::lowerCase(trimmed(line.substr(0, equals)));
        if (!take(key, trimmed(line.substr(equals + 1))))
            break;
    }
    if (!m_read.ok())
        m_read.setup = {}; // refused whole
    return m_read;
}

bool Reader::once(std::string_view name)
{
    const auto [first, fresh] = m_seen.try_emplace(std::string(name), m_line);
    return fresh
        || fail(std::string(name) + " given again (first on line " + std::to_string(first->second) + ")");
}

bool Reader::take(std::string_view key, std::string_view value)
{
    Setup &setup = m_read.setup;
    if (key == "text") {
        if (!once(key))
            return false;
        const std::optional<std::string> text = unquoted(value);
        if (!text)
            return fail("the text goes in quotes: text = \"LOT 42\"");
        const std::u16string units = QString::fromStdString(*text).toStdU16String();
        const std::string problem = protocol::textProblem(units);
        setup.text = units;
        return problem.empty() || fail(problem);
    }
    if (key == "mask") {
        if (!once(key))
            return false;
        const int pattern = findMaskPattern(value);
        setup.mask = pattern;
        return pattern >= 0 || fail("no mask '" + std::string(value) + "'");
    }
    if (const protocol::Switch *which = protocol::findSwitch(key)) {
        if (!once(which->key))
            return false;
        const std::optional<bool> on = onOff(value);
        setup.switches.emplace_back(which, on.value_or(false));
        return on || fail(std::string(key) + " takes on or off, not '" + std::string(value) + "'");
    }
    const protocol::Control *control = protocol::findControl(key);
    if (!control)
        return fail("no control '" + std::string(key.substr(0, 40)) + "'"
                    + didYouMean(key, controlKeys()));
    if (!once(control->key))
        return false;
    const ControlValue parsed = parseControlValue(*control, value, false);
    setup.controls.emplace_back(control, parsed.value);
    return parsed.ok() || fail(parsed.error);
}

} // namespace

SetupRead parseSetup(std::string_view text)
{
    return Reader().read(text);
}

std::string formatSetup(const Setup &setup)
{
    std::string text = "# camdeck setup: every control by the names camdeck-ctl --list prints\n";
    for (const auto &[control, value] : setup.controls)
        text += std::string(control->key) + " = " + controlValueWord(*control, value) + "\n";
    for (const auto &[which, on] : setup.switches)
        text += std::string(which->key) + " = " + (on ? "on" : "off") + "\n";
    if (setup.text)
        text += "text = " + quoted(*setup.text) + "\n";
    if (setup.mask)
        text += std::string("mask = ") + maskPatterns()[std::size_t(*setup.mask)].name + "\n";
    return text;
}

} // namespace camdeck
