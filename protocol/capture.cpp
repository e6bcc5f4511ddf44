#include "capture.h"
#include "decoder.h"

#include <cctype>
#include <cstring>

namespace camdeck::protocol {

namespace {

constexpr const char *directionWords[] = {"sent", "read"};
constexpr const char *separators = " \t\r,:;";

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool isDigits(std::string_view s, std::size_t at, std::size_t count)
{
    if (at + count > s.size())
        return false;
    for (std::size_t i = at; i < at + count; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(s[i])))
            return false;
    }
    return true;
}

std::string_view trimmed(std::string_view s)
{
    while (!s.empty() && std::strchr(" \t\r", s.front()))
        s.remove_prefix(1);
    while (!s.empty() && std::strchr(" \t\r", s.back()))
        s.remove_suffix(1);
    return s;
}

// What follows "09:41:07.250 ", or the line as it was.
std::string_view afterTime(std::string_view line)
{
    const bool time = isDigits(line, 0, 2) && line.substr(2, 1) == ":" && isDigits(line, 3, 2)
        && line.substr(5, 1) == ":" && isDigits(line, 6, 2) && line.substr(8, 1) == "."
        && isDigits(line, 9, 3) && line.substr(12, 1) == " ";
    return time ? trimmed(line.substr(13)) : line;
}

CapturedLine hexBytesOf(std::string_view line)
{
    CapturedLine result;
    std::size_t i = 0;
    while (i < line.size()) {
        if (std::strchr(separators, line[i])) {
            ++i;
            continue;
        }
        const std::size_t start = i;
        if (line.substr(i, 2) == "0x" || line.substr(i, 2) == "0X")
            i += 2;
        const std::size_t digits = i;
        while (i < line.size() && hexDigit(line[i]) >= 0)
            ++i;
        const bool separated = i == line.size() || std::strchr(separators, line[i]);
        if (i == digits || (i - digits) % 2 != 0 || !separated) {
            const std::size_t end = line.find_first_of(separators, start);
            result.error = "'" + std::string(line.substr(start, end - start)) + "' is not hex";
            return result;
        }
        for (std::size_t k = digits; k < i; k += 2)
            result.bytes.push_back(
                static_cast<std::uint8_t>(hexDigit(line[k]) << 4 | hexDigit(line[k + 1])));
    }
    return result;
}

} // namespace

std::string captureLine(std::string_view time, Direction direction, const Bytes &bytes,
                        std::string_view said)
{
    return std::string(time) + "  " + directionWords[static_cast<int>(direction)] + "  "
        + hexBytes(bytes) + "  " + std::string(said);
}

std::string replySize(const Bytes &bytes)
{
    return bytes.size() == 1 ? "reply, 1 byte"
                             : "reply, " + std::to_string(bytes.size()) + " bytes";
}

CapturedLine readCaptureLine(std::string_view line)
{
    line = trimmed(line.substr(0, line.find('#')));
    const std::string_view rest = afterTime(line);
    for (int d = 0; d < 2; ++d) {
        const std::string_view word = directionWords[d];
        if (rest.substr(0, word.size()) != word || rest.size() == word.size()
            || rest[word.size()] != ' ')
            continue;
        // The hex runs to the two spaces before what it said.
        const std::string_view after = trimmed(rest.substr(word.size()));
        CapturedLine captured = hexBytesOf(after.substr(0, after.find("  ")));
        captured.direction = static_cast<Direction>(d);
        return captured;
    }
    return hexBytesOf(line);
}

} // namespace camdeck::protocol
