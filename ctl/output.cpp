#include "output.h"
#include "json.h"

#include <ostream>

namespace camdeck::ctl {

Output::Output(Host &host, bool json, bool verbose)
    : m_out(host.out)
    , m_err(host.err)
    , m_json(json)
    , m_verbose(verbose)
{
}

std::optional<std::string> printable(const Bytes &bytes)
{
    for (const std::uint8_t b : bytes) {
        if (b < 0x20 || b > 0x7E)
            return std::nullopt;
    }
    return std::string(bytes.begin(), bytes.end());
}

// Scripts read results as they come: every line is flushed at once.
void Output::result(const Command &command, const CommandResult &result)
{
    const std::optional<std::string> text = result.reply ? printable(*result.reply) : std::nullopt;
    if (!m_json) {
        if (result.reply && !result.reply->empty() && command.kind == Command::Kind::Hello)
            m_out << "reply " << protocol::hexBytes(*result.reply)
                  << (text ? " \"" + *text + "\"" : "") << std::endl;
        if (result.travel)
            m_out << "travel " << *result.travel << " mm" << std::endl;
        return;
    }
    JsonObject object;
    object.text("command", command.name()).texts("args", command.words).texts("sent", result.sent);
    if (result.reply) {
        object.text("reply", protocol::hexBytes(*result.reply));
        if (command.kind == Command::Kind::Hello && text)
            object.text("reply_text", *text);
        else if (command.kind == Command::Kind::Hello)
            object.null("reply_text");
    }
    if (result.travel)
        object.number("travel_mm", *result.travel);
    else if (command.kind == Command::Kind::Jog && command.direction == JogDirection::Stop)
        object.null("travel_mm");
    if (!result.error.empty())
        object.text("error", result.error);
    m_out << object.str() << std::endl;
}

void Output::ports(const std::vector<PortInfo> &ports)
{
    if (!m_json) {
        for (const PortInfo &port : ports)
            m_out << port.path << '\t' << port.description << '\t' << port.maker << '\t'
                  << port.serialNumber << '\n';
        m_out.flush();
        return;
    }
    std::vector<std::string> objects;
    for (const PortInfo &port : ports)
        objects.push_back(JsonObject()
                              .text("path", port.path)
                              .text("description", port.description)
                              .text("maker", port.maker)
                              .text("serial_number", port.serialNumber)
                              .str());
    m_out << JsonObject().text("command", "ports").json("ports", jsonList(objects)).str()
          << std::endl;
}

void Output::sent(const protocol::Event &message)
{
    if (!m_verbose)
        return;
    // A rejected message's description carries its bytes already.
    m_err << "sent " << (message.isRejected() ? "" : protocol::hexBytes(message.bytes) + "  ")
          << protocol::describeMessage(message) << std::endl;
}

void Output::read(const Bytes &bytes)
{
    if (m_verbose)
        m_err << "read " << protocol::hexBytes(bytes) << std::endl;
}

void Output::error(const std::string &message)
{
    m_err << "camdeck-ctl: " << message << std::endl;
}

} // namespace camdeck::ctl
