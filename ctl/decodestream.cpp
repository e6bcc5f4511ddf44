#include "decodestream.h"
#include "json.h"

#include "protocol/decoder.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <ostream>
#include <vector>

namespace camdeck::ctl {

namespace {

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

// Lines as they decode, or with --json one object at the end.
class Printer {
public:
    Printer(std::ostream &out, bool json)
        : m_out(out)
        , m_json(json)
    {
    }

    void print(const std::vector<protocol::Event> &messages)
    {
        for (const protocol::Event &message : messages) {
            const std::string hex = protocol::hexBytes(message.bytes);
            const std::string text = protocol::describeMessage(message);
            if (m_json)
                m_objects.push_back(JsonObject()
                                        .text("bytes", hex)
                                        .text("message", text)
                                        .flag("ok", !message.isRejected())
                                        .str());
            else // a rejected message's description carries its bytes already
                m_out << (message.isRejected() ? text : hex + "  " + text) << '\n';
        }
    }

    void finish()
    {
        if (m_json)
            m_out << JsonObject()
                         .text("command", "decode")
                         .json("messages", jsonList(m_objects))
                         .str()
                  << '\n';
        m_out.flush();
    }

private:
    std::ostream &m_out;
    bool m_json;
    std::vector<std::string> m_objects;
};

} // namespace

HexLine hexLine(std::string_view line)
{
    HexLine result;
    line = line.substr(0, line.find('#'));
    std::size_t i = 0;
    while (i < line.size()) {
        if (std::strchr(" \t\r,:;", line[i])) {
            ++i;
            continue;
        }
        const std::size_t start = i;
        if (line.substr(i, 2) == "0x" || line.substr(i, 2) == "0X")
            i += 2;
        const std::size_t digits = i;
        while (i < line.size() && hexDigit(line[i]) >= 0)
            ++i;
        const bool separated = i == line.size() || std::strchr(" \t\r,:;", line[i]);
        if (i == digits || (i - digits) % 2 != 0 || !separated) {
            const std::size_t end = line.find_first_of(" \t\r,:;", start);
            result.error = "'" + std::string(line.substr(start, end - start)) + "' is not hex";
            return result;
        }
        for (std::size_t k = digits; k < i; k += 2)
            result.bytes.push_back(
                static_cast<std::uint8_t>(hexDigit(line[k]) << 4 | hexDigit(line[k + 1])));
    }
    return result;
}

int decodeStream(const Invocation &invocation, Host &host)
{
    const std::string name = invocation.input == "-" ? "standard input" : invocation.input;
    std::ifstream file;
    std::istream *in = &host.in;
    if (invocation.input != "-") {
        file.open(invocation.input, std::ios::binary);
        if (!file) {
            host.err << "camdeck-ctl: cannot open " << name << ": " << std::strerror(errno)
                     << std::endl;
            return CannotOpen;
        }
        in = &file;
    }
    Printer printer(host.out, invocation.json);
    protocol::Decoder decoder;
    if (invocation.hexInput) {
        std::string line;
        for (int number = 1; std::getline(*in, line); ++number) {
            const HexLine hex = hexLine(line);
            if (!hex.error.empty()) {
                printer.finish();
                host.err << "camdeck-ctl: " << name << ", line " << number << ": " << hex.error
                         << std::endl;
                return BadArguments;
            }
            printer.print(decoder.feed(hex.bytes));
        }
    } else {
        char chunk[4096];
        while (in->read(chunk, sizeof chunk) || in->gcount() > 0)
            printer.print(decoder.feed(reinterpret_cast<const std::uint8_t *>(chunk),
                                       static_cast<std::size_t>(in->gcount())));
    }
    if (in->bad()) {
        host.err << "camdeck-ctl: cannot read " << name << ": " << std::strerror(errno)
                 << std::endl;
        return CannotOpen;
    }
    printer.print(decoder.flush());
    printer.finish();
    return Done;
}

} // namespace camdeck::ctl
