#include "output.h"

#include "protocol/capture.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTime>

#include <ostream>

namespace camdeck::ctl {

namespace {

QJsonArray texts(const std::vector<std::string> &values)
{
    QJsonArray list;
    for (const std::string &value : values)
        list.append(QString::fromStdString(value));
    return list;
}

std::string json(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString();
}

std::string now()
{
    return QTime::currentTime().toString(QStringLiteral("HH:mm:ss.zzz")).toStdString();
}

} // namespace

Output::Output(Host &host, bool json, bool verbose)
    : m_out(host.out)
    , m_err(host.err)
    , m_json(json)
    , m_verbose(verbose)
{
}

std::string missingAnswer(const Command &command, const CommandResult &result,
                          const std::string &device)
{
    if (command.kind == Command::Kind::Hello && (!result.reply || result.reply->empty()))
        return "no reply to the greeting from " + device;
    if (command.kind == Command::Kind::Jog && command.direction == JogDirection::Stop
        && !result.travel)
        return "the drive did not answer the travel query"
            + (result.reply && !result.reply->empty()
                   ? " (got " + protocol::hexBytes(*result.reply) + ")"
                   : std::string());
    return {};
}

// Scripts read results as they come: every line is flushed at once.
void Output::result(const Command &command, const CommandResult &result)
{
    const bool hello = command.kind == Command::Kind::Hello;
    if (result.setup) {
        m_out << (m_json ? json(QJsonObject{{"command", "setup"},
                                            {"setup", QString::fromStdString(*result.setup)}})
                          + "\n"
                         : *result.setup)
              << std::flush;
        return;
    }
    if (command.kind == Command::Kind::Get) {
        QJsonObject values;
        for (const auto &[name, value] : result.values) {
            if (!m_json)
                m_out << name << ' ' << value << '\n';
            values.insert(QString::fromStdString(name), QString::fromStdString(value));
        }
        if (m_json)
            m_out << json(QJsonObject{{"command", "get"}, {"values", values}}) << '\n';
        m_out.flush();
        return;
    }
    if (!m_json) {
        if (result.reply && !result.reply->empty() && hello)
            m_out << "reply " << protocol::describeReply(*result.reply) << std::endl;
        if (result.travel)
            m_out << "travel " << *result.travel << " mm" << std::endl;
        return;
    }
    QJsonObject object{
        {"command", command.name()}, {"args", texts(command.words)}, {"sent", texts(result.sent)}};
    if (result.reply) {
        object.insert("reply", QString::fromStdString(protocol::hexBytes(*result.reply)));
        const bool printable = std::all_of(result.reply->begin(), result.reply->end(),
                                           [](std::uint8_t b) { return b >= 0x20 && b < 0x7F; });
        if (hello)
            object.insert("reply_text",
                          printable ? QJsonValue(QString::fromLatin1(
                              reinterpret_cast<const char *>(result.reply->data()),
                              qsizetype(result.reply->size())))
                                    : QJsonValue());
    }
    if (result.travel)
        object.insert("travel_mm", *result.travel);
    else if (command.kind == Command::Kind::Jog && command.direction == JogDirection::Stop)
        object.insert("travel_mm", QJsonValue());
    if (!result.error.empty())
        object.insert("error", QString::fromStdString(result.error));
    m_out << json(object) << std::endl;
}

void Output::ports(const QList<PortInfo> &ports)
{
    if (!m_json) {
        for (const PortInfo &port : ports)
            m_out << port.path.toStdString() << '\t' << port.description.toStdString() << '\t'
                  << port.manufacturer.toStdString() << '\t' << port.serialNumber.toStdString()
                  << '\n';
        m_out.flush();
        return;
    }
    QJsonArray list;
    for (const PortInfo &port : ports)
        list.append(QJsonObject{{"path", port.path},
                                {"description", port.description},
                                {"maker", port.manufacturer},
                                {"serial_number", port.serialNumber}});
    m_out << json(QJsonObject{{"command", "ports"}, {"ports", list}}) << std::endl;
}

void Output::sent(const protocol::Event &message)
{
    if (m_verbose)
        m_err << protocol::captureLine(now(), protocol::Direction::Sent, message.bytes,
                                       protocol::describeMessage(message))
              << std::endl;
}

void Output::read(const Bytes &bytes)
{
    if (m_verbose)
        m_err << protocol::captureLine(now(), protocol::Direction::Read, bytes,
                                       protocol::replySize(bytes))
              << std::endl;
}

void Output::error(const std::string &message)
{
    m_err << "camdeck-ctl: " << message << std::endl;
}

} // namespace camdeck::ctl
