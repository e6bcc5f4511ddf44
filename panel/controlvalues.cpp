#include "controlvalues.h"

#include "protocol/names.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdlib>

namespace camdeck {

using protocol::lowerCase;
using protocol::sameWord;

namespace {

// Under --raw a value may be anything a register word holds.
constexpr int rawLimit = 0xFFFF;

constexpr struct {
    const char *word;
    bool on;
} onOffWords[]
    = {{"on", true}, {"off", false}, {"true", true}, {"false", false}, {"1", true}, {"0", false}};

std::string joined(std::span<const char *const> names, const char *separator)
{
    std::string text;
    for (const char *name : names)
        text += (text.empty() ? "" : separator) + std::string(name);
    return text;
}

} // namespace

std::optional<bool> onOff(std::string_view word)
{
    for (const auto &w : onOffWords) {
        if (sameWord(word, w.word))
            return w.on;
    }
    return std::nullopt;
}

std::optional<int> wholeNumber(std::string_view word)
{
    // from_chars takes a minus but no plus; "+-5" is no number.
    if (word.size() > 1 && word[0] == '+' && word[1] != '-')
        word.remove_prefix(1);
    int value = 0;
    const char *end = word.data() + word.size();
    const auto [stop, error] = std::from_chars(word.data(), end, value);
    if (word.empty() || error != std::errc() || stop != end)
        return std::nullopt;
    return value;
}

namespace {

// A pop-up item's name that reads as a number ("1.0"), as that number.
std::optional<double> numberIn(const char *name)
{
    char *end = nullptr;
    const double number = std::strtod(name, &end);
    return end != name && *end == '\0' ? std::optional<double>(number) : std::nullopt;
}

} // namespace

ControlValue parseControlValue(const protocol::Control &control, std::string_view word, bool raw)
{
    const std::string given = ", not '" + std::string(word) + "'";
    if (control.kind == protocol::ControlKind::Check) {
        if (const std::optional<bool> on = onOff(word))
            return {*on ? 1 : 0, {}};
        return {0, std::string(control.key) + " takes on or off" + given};
    }
    const auto names = control.display.names;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (sameWord(word, names[i]))
            return {static_cast<int>(i), {}};
    }
    const bool asIndex = !names.empty() && word.starts_with('#');
    const std::optional<int> number = wholeNumber(asIndex ? word.substr(1) : word);
    const int low = control.min + control.byteOffset;
    const int high = control.max + control.byteOffset;
    if (number && !asIndex && *number >= low && *number <= high) {
        for (std::size_t i = 0; i < names.size(); ++i) {
            const std::optional<double> named = numberIn(names[i]);
            if (named && *named == *number && static_cast<int>(i) != *number)
                return {0,
                        std::string(control.key) + " " + std::string(word) + " is ambiguous: item "
                            + std::to_string(*number) + " is "
                            + names[static_cast<std::size_t>(*number)] + ", but "
                            + std::string(word) + " reads as " + names[i] + " (item "
                            + std::to_string(i) + "); write " + names[i] + " or #"
                            + std::to_string(*number)};
        }
    }
    if (number && (raw ? std::abs(*number) <= rawLimit : *number >= low && *number <= high))
        return {*number - control.byteOffset, {}};
    std::string error = std::string(control.key) + " takes " + std::to_string(low) + " to "
        + std::to_string(high);
    if (!names.empty())
        error += " or one of " + joined(names, ", ");
    error += given;
    return {0, error, number.has_value()};
}

std::string controlValueWord(const protocol::Control &control, int value)
{
    if (control.kind == protocol::ControlKind::Check)
        return value != 0 ? "on" : "off";
    if (const char *name = protocol::itemName(control, value))
        return name;
    return std::to_string(value + control.byteOffset);
}

std::string scriptRange(const protocol::Control &control)
{
    if (control.kind == protocol::ControlKind::Check)
        return "on|off";
    return std::to_string(control.min + control.byteOffset) + ".."
        + std::to_string(control.max + control.byteOffset);
}

std::string valueNames(const protocol::Control &control)
{
    return joined(control.display.names, "|");
}

namespace {

// Optimal string alignment: insertions, deletions, substitutions and swaps of
// two neighbours ("alc-levle") each cost one.
std::size_t editDistance(std::string_view a, std::string_view b)
{
    std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
    for (std::size_t i = 0; i <= a.size(); ++i)
        d[i][0] = i;
    for (std::size_t j = 0; j <= b.size(); ++j)
        d[0][j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t cost = a[i - 1] == b[j - 1] ? 0 : 1;
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + cost});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    }
    return d[a.size()][b.size()];
}

} // namespace

std::string didYouMean(std::string_view word, const std::vector<std::string> &candidates)
{
    const std::string near = nearest(word, candidates);
    return near.empty() ? std::string() : "; did you mean " + near + "?";
}

std::vector<std::string> controlKeys()
{
    std::vector<std::string> keys;
    for (const protocol::Control &c : protocol::controls())
        keys.emplace_back(c.key);
    for (const protocol::Switch &s : protocol::switches())
        keys.emplace_back(s.key);
    return keys;
}

std::string nearest(std::string_view word, const std::vector<std::string> &candidates)
{
    const std::string lower = lowerCase(word);
    // Two edits, or a third of a long word: further off it is a guess.
    std::size_t best = std::max<std::size_t>(2, lower.size() / 3) + 1;
    std::string found;
    for (const std::string &candidate : candidates) {
        const std::size_t distance = editDistance(lower, candidate);
        if (distance < best) {
            best = distance;
            found = candidate;
        }
    }
    return found;
}

} // namespace camdeck
