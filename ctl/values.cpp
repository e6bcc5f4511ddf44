#include "values.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdlib>

namespace camdeck::ctl {

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

bool sameWord(std::string_view a, std::string_view b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x))
            == std::tolower(static_cast<unsigned char>(y));
    });
}

std::string lowerCase(std::string_view word)
{
    std::string lower(word);
    for (char &c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

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

ControlValue scriptValue(const protocol::Control &control, std::string_view word, bool raw)
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
    const std::optional<int> number = wholeNumber(word);
    const int low = control.min + control.byteOffset;
    const int high = control.max + control.byteOffset;
    if (number && (raw ? std::abs(*number) <= rawLimit : *number >= low && *number <= high))
        return {*number - control.byteOffset, {}};
    std::string error = std::string(control.key) + " takes " + std::to_string(low) + " to "
        + std::to_string(high);
    if (!names.empty())
        error += " or one of " + joined(names, ", ");
    error += given;
    if (number && !raw)
        error += " (--raw lets it through)";
    return {0, error};
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

std::optional<std::u16string> utf16(std::string_view utf8)
{
    std::u16string text;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const std::size_t length = lead < 0x80 ? 1
            : (lead & 0xE0) == 0xC0            ? 2
            : (lead & 0xF0) == 0xE0            ? 3
            : (lead & 0xF8) == 0xF0            ? 4
                                               : 0;
        if (length == 0 || i + length > utf8.size())
            return std::nullopt;
        char32_t code = length == 1 ? lead : lead & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(utf8[i + k]);
            if ((next & 0xC0) != 0x80)
                return std::nullopt;
            code = code << 6 | (next & 0x3F);
        }
        constexpr char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < smallest[length] || code > 0x10FFFF || (code >= 0xD800 && code < 0xE000))
            return std::nullopt;
        if (code >= 0x10000) {
            text += static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
            text += static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
            text += static_cast<char16_t>(code);
        }
        i += length;
    }
    return text;
}

} // namespace camdeck::ctl
