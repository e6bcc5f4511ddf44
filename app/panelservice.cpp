#include "panelservice.h"
#include "panelserviceadaptor.h"

#include "controlbinding.h"
#include "findchild.h"
#include "jogpad.h"
#include "presetbuttons.h"
#include "setupmenu.h"

#include "panel/controlvalues.h"
#include "presets/setupstore.h"
#include "protocol/decoder.h"
#include "protocol/masks.h"
#include "util/programinfo.h"

#include <QCheckBox>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMetaType>
#include <QLineEdit>
#include <QSignalBlocker>

#include <unistd.h>

namespace protocol = camdeck::protocol;

namespace {

QString errorName(const char *error)
{
    return QStringLiteral("%1.Error.%2").arg(QLatin1String(camdeckAppId), QLatin1String(error));
}

QStringList hexOf(const std::vector<camdeck::Bytes> &messages)
{
    QStringList hex;
    for (const camdeck::Bytes &message : messages)
        hex << QString::fromStdString(protocol::hexBytes(message));
    return hex;
}

const char *stateName(MainWindow::PortState state)
{
    switch (state) {
    case MainWindow::PortState::Opening:
        return "opening";
    case MainWindow::PortState::Open:
        return "open";
    case MainWindow::PortState::Lost:
        return "lost";
    case MainWindow::PortState::Closed:
        break;
    }
    return "closed";
}

} // namespace

PanelService::PanelService(MainWindow &window, ControlBinding &controls,
                           camdeck::PresetBank &presets, PresetButtons &saves, JogPad &jog,
                           QLineEdit *text)
    : QObject(&window)
    , m_window(window)
    , m_controls(controls)
    , m_presets(presets)
    , m_saves(saves)
    , m_jog(jog)
    , m_text(text)
{
    qDBusRegisterMetaType<QMap<QString, QString>>();
    new PanelAdaptor(this);
    connect(&controls, &ControlBinding::changed, this,
            [this](const protocol::Control &control, int value) {
                emit ControlChanged(
                    QString::fromLatin1(control.key),
                    QString::fromStdString(camdeck::controlValueWord(control, value)));
            });
    connect(&window, &MainWindow::portStateChanged, this,
            [this](MainWindow::PortState state, const QString &port) {
                emit PortStateChanged(QLatin1String(stateName(state)), port);
            });
}

PanelService::~PanelService()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    for (const QString &name : std::as_const(m_names))
        bus.unregisterService(name);
    if (!m_names.isEmpty())
        bus.unregisterObject(QStringLiteral("/Panel"));
}

bool PanelService::registerOnBus()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.registerObject(QStringLiteral("/Panel"), this))
        return false;
    const QString id = QLatin1String(camdeckAppId);
    // The application's name goes to the first panel; every one has its own.
    for (const QString &name : {id, QStringLiteral("%1.instance%2").arg(id).arg(::getpid())}) {
        if (bus.registerService(name))
            m_names << name;
    }
    return m_names.size() == 2 || m_names.value(0) != id;
}

QString PanelService::port() const
{
    return m_window.port();
}

QString PanelService::state() const
{
    return QLatin1String(stateName(m_window.portState()));
}

template<class T> T PanelService::refuse(const char *error, const std::string &why)
{
    sendErrorReply(errorName(error), QString::fromStdString(why));
    return T();
}

bool PanelService::portOpen()
{
    return m_window.isConnected() || (refuse("NoPort", "no port open"), false);
}

void PanelService::replyWhenWritten(const std::function<void()> &send,
                                    const ReplyArguments &arguments)
{
    setDelayedReply(true);
    const camdeck::SendQueue::Job job(
        m_window.line(), {},
        [call = message(), bus = connection(),
         arguments](bool written, const std::vector<camdeck::Bytes> &messages) {
            const QStringList sent = hexOf(messages);
            QDBusConnection(bus).send(
                written ? call.createReply(arguments ? arguments(sent) : QVariantList{sent})
                        : call.createErrorReply(errorName("LineFailed"),
                                                QStringLiteral("the port was lost or refused the "
                                                               "write before it was all out")));
        });
    send();
}

QByteArray PanelService::Hello()
{
    if (!portOpen())
        return {};
    const camdeck::Bytes &reply = m_window.greetingReply();
    return QByteArray(reinterpret_cast<const char *>(reply.data()), qsizetype(reply.size()));
}

QStringList PanelService::Set(const QString &name, const QString &value)
{
    const protocol::Control *control = protocol::findControl(name.toStdString());
    if (!control)
        return refuse("BadArguments",
                      "no control '" + name.toStdString() + "'"
                          + camdeck::didYouMean(name.toStdString(), camdeck::controlKeys()));
    const camdeck::ControlValue parsed
        = camdeck::parseControlValue(*control, value.toStdString(), false);
    if (!parsed.ok())
        return refuse("BadArguments", parsed.error);
    if (!portOpen())
        return {};
    replyWhenWritten([&] {
        m_controls.set(*control, parsed.value);
        m_controls.panel().changed(*control);
    });
    return {};
}

QMap<QString, QString> PanelService::Controls()
{
    QMap<QString, QString> values;
    for (const protocol::Control &c : protocol::controls())
        values.insert(QString::fromLatin1(c.key),
                      QString::fromStdString(camdeck::controlValueWord(c, m_controls.value(c))));
    return values;
}

QStringList PanelService::Preset(int number)
{
    if (!camdeck::isPresetSlot(number - 1))
        return refuse("BadArguments", "preset takes 1 to 5, not '" + std::to_string(number) + "'");
    if (!portOpen())
        return {};
    replyWhenWritten([&] { m_presets.recall(number - 1); });
    return {};
}

QString PanelService::Save(int number)
{
    if (!camdeck::isPresetSlot(number - 1))
        return refuse<QString>("BadArguments",
                               "preset takes 1 to 5, not '" + std::to_string(number) + "'");
    const camdeck::PresetSave saved = m_saves.save(number - 1);
    if (!saved.ok())
        return refuse<QString>("NotSaved", saved.error.toStdString());
    return saved.path;
}

QStringList PanelService::Text(const QString &text)
{
    const std::string problem = protocol::textProblem(text.toStdU16String());
    if (!problem.empty())
        return refuse("BadArguments", problem);
    if (!portOpen())
        return {};
    replyWhenWritten([&] {
        m_text->setText(text);
        m_controls.panel().uploadText(text.toStdU16String());
    });
    return {};
}

QStringList PanelService::Mask(const QString &name)
{
    const int pattern = camdeck::findMaskPattern(name.toStdString());
    if (pattern < 0)
        return refuse("BadArguments", "no mask '" + name.toStdString() + "'");
    if (!portOpen())
        return {};
    replyWhenWritten([&] { m_controls.panel().drawMask(pattern); });
    return {};
}

QStringList PanelService::Switch(const QString &name, bool on)
{
    const protocol::Switch *which = protocol::findSwitch(name.toStdString());
    if (!which)
        return refuse("BadArguments", "no switch '" + name.toStdString() + "'");
    if (!portOpen())
        return {};
    auto *box = requireChild<QCheckBox>(&m_window, QLatin1String(which->outlet));
    replyWhenWritten([&] {
        const QSignalBlocker quiet(box);
        box->setChecked(on);
        m_controls.panel().setSwitch(*which, on);
    });
    return {};
}

// A move replies once its packet is out; a stop once the travel was read, with
// what the drive said.
int PanelService::Jog(const QString &direction, QStringList &, QByteArray &)
{
    const std::optional<camdeck::JogDirection> jog
        = camdeck::findJogDirection(direction.toStdString());
    if (!jog)
        return refuse<int>("BadArguments", "no direction '" + direction.toStdString() + "'");
    if (!portOpen())
        return 0;
    // A move reads no travel and no answer, but its reply has their places.
    if (*jog != camdeck::JogDirection::Stop) {
        replyWhenWritten([&] { m_controls.panel().jog(*jog); },
                         [](const QStringList &sent) {
                             return QVariantList{0, sent, QByteArray()};
                         });
        return 0;
    }
    setDelayedReply(true);
    auto sent = std::make_shared<QStringList>();
    const camdeck::SendQueue::Job job(
        m_window.line(), {},
        [sent](bool, const std::vector<camdeck::Bytes> &messages) { *sent = hexOf(messages); });
    m_jog.stop([this, call = message(), bus = connection(), sent](std::optional<int> travel,
                                                                  const camdeck::Bytes &reply) {
        if (!m_window.isConnected())
            return void(QDBusConnection(bus).send(call.createErrorReply(
                errorName("LineFailed"), QStringLiteral("the port was lost during the stop"))));
        QDBusMessage answer = call.createReply();
        answer << travel.value_or(0) << *sent
               << QByteArray(reinterpret_cast<const char *>(reply.data()), qsizetype(reply.size()));
        QDBusConnection(bus).send(answer);
    });
    return 0;
}

QStringList PanelService::ApplySetup(const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    if (utf8.size() > camdeck::setupSizeLimit)
        return refuse("BadArguments",
                      "the setup is " + std::to_string(utf8.size() / 1024)
                          + " kB, more than a setup's "
                          + std::to_string(camdeck::setupSizeLimit / 1024) + " kB");
    const camdeck::SetupRead read = camdeck::parseSetup(utf8.toStdString());
    if (!read.ok())
        return refuse("BadArguments", read.error);
    if (!portOpen())
        return {};
    replyWhenWritten([&] { m_window.setups().take(read.setup); });
    return {};
}

QString PanelService::DumpSetup()
{
    return QString::fromStdString(camdeck::formatSetup(m_controls.panel().setup()));
}

QStringList PanelService::SendAll()
{
    if (!portOpen())
        return {};
    replyWhenWritten([&] { m_window.sendAll(); });
    return {};
}

void PanelService::Disconnect()
{
    m_window.disconnectPort();
}
