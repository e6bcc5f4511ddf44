#include "decode.h"

#include "protocol/capture.h"
#include "protocol/decoder.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <ostream>

namespace camdeck::ctl {

namespace {

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
            m_damaged = m_damaged || message.isRejected()
                || message.kind == protocol::Event::Kind::Skipped;
            line(message.bytes, protocol::describeMessage(message), !message.isRejected());
        }
    }

    // What the device answered, as the capture has it.
    void reply(const Bytes &bytes) { line(bytes, protocol::replySize(bytes), true); }

    void finish()
    {
        if (m_json)
            m_out << QJsonDocument(QJsonObject{{"command", "decode"}, {"messages", m_objects}})
                         .toJson(QJsonDocument::Compact)
                         .toStdString()
                  << '\n';
        m_out.flush();
    }

    bool damaged() const { return m_damaged; }

private:
    void line(const Bytes &bytes, const std::string &said, bool ok)
    {
        const std::string hex = protocol::hexBytes(bytes);
        if (m_json)
            m_objects.append(QJsonObject{{"bytes", QString::fromStdString(hex)},
                                         {"message", QString::fromStdString(said)},
                                         {"ok", ok}});
        else // a rejected message's description carries its bytes already
            m_out << (ok ? hex + "  " + said : said) << '\n';
    }

    std::ostream &m_out;
    bool m_json;
    QJsonArray m_objects;
    bool m_damaged = false;
};

} // namespace

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
    bool allText = true;
    if (invocation.hexInput) {
        std::string line;
        for (int number = 1; std::getline(*in, line); ++number) {
            const protocol::CapturedLine captured = protocol::readCaptureLine(line);
            if (!captured.error.empty()) {
                printer.finish();
                host.err << "camdeck-ctl: " << name << ", line " << number << ": " << captured.error
                         << std::endl;
                return BadArguments;
            }
            if (captured.direction == protocol::Direction::Read)
                printer.reply(captured.bytes);
            else
                printer.print(decoder.feed(captured.bytes));
        }
    } else {
        char chunk[4096];
        while (in->read(chunk, sizeof chunk) || in->gcount() > 0) {
            const auto size = static_cast<std::size_t>(in->gcount());
            allText = allText && std::all_of(chunk, chunk + size, [](char c) {
                          return (c >= 0x20 && c < 0x7F) || c == '\n' || c == '\t' || c == '\r';
                      });
            printer.print(decoder.feed(reinterpret_cast<const std::uint8_t *>(chunk), size));
        }
    }
    if (in->bad()) {
        host.err << "camdeck-ctl: cannot read " << name << ": " << std::strerror(errno)
                 << std::endl;
        return CannotOpen;
    }
    printer.print(decoder.flush());
    printer.finish();
    if (!printer.damaged())
        return Done;
    host.err << "camdeck-ctl: " << name << " holds bytes that are no sound message"
             << (allText && !invocation.hexInput ? " (it is text: --hex reads hex and captures)"
                                                 : "")
             << std::endl;
    return Damaged;
}

} // namespace camdeck::ctl
