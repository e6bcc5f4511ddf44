#include "panelclient.h"

#include "protocol/capture.h"
#include "protocol/decoder.h"
#include "protocol/jog.h"
#include "util/programinfo.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusVariant>
#include <QTime>

#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace camdeck::ctl {

namespace {

const QString interfaceName = QStringLiteral("%1.Panel").arg(QLatin1String(camdeckAppId));

// Two names of one device: the same node, or the same character device.
bool sameDevice(const std::string &a, const QString &b)
{
    struct stat first { };
    struct stat second { };
    if (::stat(a.c_str(), &first) != 0 || ::stat(b.toLocal8Bit().constData(), &second) != 0)
        return false;
    if (S_ISCHR(first.st_mode) && S_ISCHR(second.st_mode))
        return first.st_rdev == second.st_rdev;
    return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

Bytes bytesOf(const QByteArray &data)
{
    return Bytes(data.begin(), data.end());
}

std::vector<std::string> stringsOf(const QStringList &list)
{
    std::vector<std::string> strings;
    for (const QString &s : list)
        strings.push_back(s.toStdString());
    return strings;
}

class PanelSession {
public:
    PanelSession(const Invocation &invocation, const OpenPanel &panel, Host &host, Output &output)
        : m_invocation(invocation)
        , m_panel(panel)
        , m_host(host)
        , m_output(output)
    {
    }

    int run();

private:
    bool carryOut(const Command &command);
    // The call's reply, or the error said and the exit status kept.
    bool answered(const QDBusMessage &reply);
    // The same, and the messages the call sent, after those before.
    bool sent(const QDBusMessage &reply);
    bool interrupted();
    QDBusMessage call(const QString &method, const QVariantList &arguments = {});

    const Invocation &m_invocation;
    const OpenPanel &m_panel;
    Host &m_host;
    Output &m_output;
    CommandResult m_result;
    int m_status = Done;
};

int PanelSession::run()
{
    if (m_invocation.verbose)
        m_output.error("through the open panel " + m_panel.service.toStdString() + ", which holds "
                       + m_panel.port.toStdString());
    if (m_invocation.raw) {
        m_output.error("the panel keeps every control within its range: --raw needs the port "
                       "itself (Disconnect it in the panel, then --direct)");
        return InUse;
    }
    for (const Command &command : m_invocation.commands) {
        if (interrupted()) {
            m_output.error("interrupted: what was queued went out, the rest is not sent");
            return 128 + m_status;
        }
        m_result = {};
        if (!carryOut(command))
            return m_status;
        for (const std::string &hex : m_result.sent) {
            const std::vector<protocol::Event> events
                = protocol::Decoder().feed(protocol::readCaptureLine(hex).bytes);
            for (const protocol::Event &message : events)
                m_output.sent(message);
        }
        m_output.result(command, m_result);
        const std::string missing = missingAnswer(command, m_result, m_panel.port.toStdString());
        if (!missing.empty()) {
            m_output.error(missing);
            m_status = NoAnswer;
        }
    }
    return m_status;
}

bool PanelSession::carryOut(const Command &command)
{
    const std::string word = command.words.empty() ? std::string() : command.words.front();
    const QString argument = QString::fromStdString(word);
    switch (command.kind) {
    case Command::Kind::Hello: {
        const QDBusMessage reply = call(QStringLiteral("Hello"));
        if (!answered(reply))
            return false;
        m_result.sent = {protocol::hexBytes(Bytes(portGreeting.begin(), portGreeting.end()))};
        m_result.reply = bytesOf(reply.arguments().value(0).toByteArray());
        return true;
    }
    case Command::Kind::Preset:
        return sent(call(QStringLiteral("Preset"), {command.number + 1}));
    case Command::Kind::Set:
        for (std::size_t i = 0; i + 1 < command.words.size(); i += 2) {
            if (!sent(call(QStringLiteral("Set"),
                           {QString::fromStdString(command.words[i]),
                            QString::fromStdString(command.words[i + 1])})))
                return false;
        }
        return true;
    case Command::Kind::Text:
        return sent(call(QStringLiteral("Text"), {QString::fromStdU16String(command.text)}));
    case Command::Kind::Mask:
        return sent(call(QStringLiteral("Mask"), {argument}));
    case Command::Kind::Switch:
        return sent(call(QStringLiteral("Switch"), {argument, command.on}));
    case Command::Kind::Jog: {
        const QDBusMessage reply = call(QStringLiteral("Jog"), {argument});
        if (!answered(reply))
            return false;
        if (command.direction == JogDirection::Stop) {
            m_result.reply = bytesOf(reply.arguments().value(2).toByteArray());
            m_result.travel = travelFromReply(*m_result.reply);
        }
        m_result.sent = stringsOf(reply.arguments().value(1).toStringList());
        return true;
    }
    case Command::Kind::Setup: {
        if (command.words.front() == "apply")
            return sent(
                call(QStringLiteral("ApplySetup"), {QString::fromStdString(command.setupText)}));
        const QDBusMessage reply = call(QStringLiteral("DumpSetup"));
        if (!answered(reply))
            return false;
        m_result.setup = reply.arguments().value(0).toString().toStdString();
        return true;
    }
    case Command::Kind::Get: {
        const QDBusMessage reply = call(QStringLiteral("Controls"));
        if (!answered(reply))
            return false;
        const auto values = qdbus_cast<QMap<QString, QString>>(reply.arguments().value(0));
        const auto add = [&](const char *key) {
            m_result.values.emplace_back(key, values.value(QLatin1String(key)).toStdString());
        };
        if (m_invocation.allControls)
            for (const protocol::Control &control : protocol::controls())
                add(control.key);
        for (const Setting &asked : command.settings)
            add(asked.control->key);
        return true;
    }
    }
    return true;
}

// A call replies once its bytes are out: a long recall queued before it can
// take seconds.
QDBusMessage PanelSession::call(const QString &method, const QVariantList &arguments)
{
    QDBusMessage message = QDBusMessage::createMethodCall(m_panel.service, QStringLiteral("/Panel"),
                                                          interfaceName, method);
    message.setArguments(arguments);
    return QDBusConnection::sessionBus().call(message, QDBus::Block, 120000);
}

bool PanelSession::sent(const QDBusMessage &reply)
{
    if (!answered(reply))
        return false;
    const std::vector<std::string> messages = stringsOf(reply.arguments().value(0).toStringList());
    m_result.sent.insert(m_result.sent.end(), messages.begin(), messages.end());
    return true;
}

bool PanelSession::answered(const QDBusMessage &reply)
{
    if (reply.type() != QDBusMessage::ErrorMessage)
        return true;
    const QString name = reply.errorName();
    m_output.error(reply.errorMessage().toStdString());
    m_status = name.endsWith(QLatin1String(".BadArguments")) ? BadArguments
        : name.endsWith(QLatin1String(".NoPort"))            ? CannotOpen
                                                             : LineFailed;
    return false;
}

// Ctrl+C between two commands: what the panel took goes out, nothing more is asked.
bool PanelSession::interrupted()
{
    pollfd signal{m_host.interruptFd, POLLIN, 0};
    unsigned char number = 0;
    if (m_host.interruptFd < 0 || ::poll(&signal, 1, 0) <= 0
        || ::read(m_host.interruptFd, &number, 1) != 1)
        return false;
    m_status = number;
    return true;
}

} // namespace

std::optional<OpenPanel> findOpenPanel(const std::string &device)
{
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return std::nullopt;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return std::nullopt;
    qDBusRegisterMetaType<QMap<QString, QString>>();
    const QString prefix = QStringLiteral("%1.instance").arg(QLatin1String(camdeckAppId));
    std::vector<OpenPanel> holding;
    const QStringList names = bus.interface()->registeredServiceNames().value();
    const auto property = [&bus](const QString &name, const char *which) {
        QDBusMessage get = QDBusMessage::createMethodCall(
            name, QStringLiteral("/Panel"), QStringLiteral("org.freedesktop.DBus.Properties"),
            QStringLiteral("Get"));
        get.setArguments({interfaceName, QLatin1String(which)});
        return qvariant_cast<QDBusVariant>(bus.call(get).arguments().value(0)).variant().toString();
    };
    for (const QString &name : names) {
        if (!name.startsWith(prefix))
            continue;
        const QString port = property(name, "Port");
        if (property(name, "State") != QLatin1String("open"))
            continue;
        if (device.empty() || sameDevice(device, port))
            holding.push_back({name, port});
    }
    if (holding.size() != 1)
        return std::nullopt;
    return holding.front();
}

int runThroughPanel(const Invocation &invocation, const OpenPanel &panel, Host &host,
                    Output &output)
{
    return PanelSession(invocation, panel, host, output).run();
}

} // namespace camdeck::ctl
