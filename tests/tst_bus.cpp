// The open panel on a private session bus, driven by a client of its own
// connection as a script would: what each call puts on the wire and moves in
// the window, what it refuses, the signals, and camdeck-ctl going through the
// panel that holds its port.
#include "fixture.h"
#include "util/programinfo.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QSlider>

#include <atomic>

#include <unistd.h>

using namespace camdeck;

namespace {

// A script's own connection to the bus, as another process has.
class Script {
public:
    Script()
        : m_bus(QDBusConnection::connectToBus(QDBusConnection::SessionBus, "script"))
    {
    }

    // Waits for the reply, the event loop turning meanwhile (the panel is in
    // this process): its arguments, or the error's name and message.
    QVariantList call(const QString &method, const QVariantList &arguments)
    {
        QDBusMessage call
            = QDBusMessage::createMethodCall(QStringLiteral("%1.instance%2").arg(camdeckAppId).arg(::getpid()),
                                             "/Panel", QStringLiteral("%1.Panel").arg(camdeckAppId), method);
        call.setArguments(arguments);
        QDBusPendingCallWatcher watcher(m_bus.asyncCall(call));
        if (!QTest::qWaitFor([&] { return watcher.isFinished(); }, 10000))
            return {"no reply"};
        const QDBusMessage reply = watcher.reply();
        if (reply.type() == QDBusMessage::ErrorMessage)
            return {reply.errorName().section('.', -1), reply.errorMessage()};
        return reply.arguments();
    }

    QDBusConnection m_bus;
};

// What the panel says changed, as a script hears it.
class Listener : public QObject {
    Q_OBJECT
public slots:
    void changed(const QString &name, const QString &value) { heard << name + ' ' + value; }

public:
    QStringList heard;
};

// The messages a reply says were sent: its first list of strings.
QStringList sentIn(const QVariantList &reply)
{
    for (const QVariant &argument : reply) {
        if (argument.userType() == QMetaType::QStringList)
            return argument.toStringList();
    }
    return {};
}

// Waits until the panel is on the bus, which it joins once it is shown.
bool onBus()
{
    return QTest::qWaitFor([] {
        return QDBusConnection::sessionBus().interface()->isServiceRegistered(
            QStringLiteral("%1.instance%2").arg(camdeckAppId).arg(::getpid()));
    });
}

} // namespace

class TestBus : public QObject {
    Q_OBJECT

private slots:
    void calls_data();
    void calls();
    void changesAndClicksInTheirOrder();
    void scriptThroughTheOpenPanel();
};

void TestBus::calls_data()
{
    QTest::addColumn<QString>("method");
    QTest::addColumn<QVariantList>("arguments");
    QTest::addColumn<QVariantList>("reply"); // the sent messages, or an error's name and message
    QTest::addColumn<QString>("shown"); // "name=value" of a control or label, or ""
    const auto row = [](const char *name, const char *method, QVariantList arguments, QVariantList reply,
                        const char *shown = "") { QTest::newRow(name) << method << arguments << reply << shown; };
    // clang-format off
    row("Set moves the slider, writes the label", "Set", {"alc-level", "12"}, {QStringList{"01 00 28 05 02 01 00 01 0C E0 52"}}, "alcslidervalue=20%");
    row("Set a pop-up by its item's name", "Set", {"gamma", "1.0"}, {QStringList{"01 00 28 05 03 06 00 01 04 4F FC"}}, "gammaSelect=4");
    row("Set a box: its partners follow", "Set", {"aes", "on"}, {QStringList{"01 00 28 05 02 00 00 01 02 DF 61"}}, "fixedshutterSelect=0");
    row("Switch ticks its box", "Switch", {"blc", true}, {QStringList{"80 86 01 01 00 00 F8 00"}}, "blcSelect=1");
    row("Mask", "Mask", {"plus"}, {QStringList{"81 87 00 01 00 00 F7 00", "81 88 00 01 00 00 F6 00", "81 89 00 01 00 00 F5 00", "81 8A 00 01 00 00 F4 00", "A5 5E 36 60 4C 00 1B 00", "A6 54 40 6A 42 00 1A 00", "81 87 01 01 00 00 F6 00", "81 88 01 01 00 00 F5 00"}});
    row("Jog stop: the travel read", "Jog", {"stop"}, {-200, QStringList{"85 01 04 00 00 00 76 00", "8E 13"}, QByteArray::fromHex("FF38")}, "mmDistance=-200");
    row("Jog right: no travel, the packet, no reply", "Jog", {"right"}, {0, QStringList{"85 01 00 00 00 00 7A 00"}, QByteArray()});
    row("Hello: what the device said at the open", "Hello", {}, {QByteArray("SIM1")});
    // Refused before anything is sent.
    row("a misspelt name", "Set", {"alc-levle", "12"}, {"BadArguments", "no control 'alc-levle'; did you mean alc-level?"});
    row("out of range", "Set", {"alc-level", "17"}, {"BadArguments", "alc-level takes 0 to 16, not '17'"});
    row("a number where a name goes", "Set", {"alc-level", 12}, {"UnknownMethod"});
    row("10 kB of text", "Text", {QString(10240, 'x')}, {"BadArguments", "the on-screen text takes at most 24 characters, not 10240"});
    row("no such mask", "Mask", {"star"}, {"BadArguments", "no mask 'star'"});
    row("preset 0", "Preset", {0}, {"BadArguments", "preset takes 1 to 5, not '0'"});
    row("a setup with one bad line", "ApplySetup", {"colour-gain = 28\nalc-levle = 3\n"}, {"BadArguments", "line 2: no control 'alc-levle'; did you mean alc-level?"});
    // clang-format on
}

void TestBus::calls()
{
    QFETCH(QString, method);
    QFETCH(QVariantList, arguments);
    QFETCH(QVariantList, reply);
    QFETCH(QString, shown);
    Panel panel(Panel::Closed);
    panel.peer.answer(bytes("8E 12"), bytes("53 49 4D 31"));
    panel.peer.answer(bytes("85 01 04 00 00 00 76 00 8E 13"), bytes("FF 38"));
    QVERIFY(onBus());
    Script script;
    QCOMPARE(script.call("Set", {"alc-level", "12"}), (QVariantList{"NoPort", "no port open"}));
    panel.open();
    QCOMPARE(script.call(method, arguments).mid(0, reply.size()), reply);
    QCOMPARE(panel.sent(), sentIn(reply));
    if (shown.isEmpty())
        return;
    QWidget *control = panel.control<QWidget>(shown.section('=', 0, 0));
    const QString value = shown.section('=', 1);
    if (auto *slider = qobject_cast<QSlider *>(control))
        QCOMPARE(slider->value(), value.toInt());
    else if (auto *box = qobject_cast<QCheckBox *>(control))
        QCOMPARE(int(box->isChecked()), value.toInt());
    else if (auto *popup = qobject_cast<QComboBox *>(control))
        QCOMPARE(popup->currentIndex(), value.toInt());
    else
        QCOMPARE(control->property("text").toString(), value);
}

// A click and a call go out in the order they came, and each is told as a
// change, whoever made it.
void TestBus::changesAndClicksInTheirOrder()
{
    Panel panel;
    QVERIFY(onBus());
    Script script;
    Listener listener;
    QVERIFY(script.m_bus.connect({}, "/Panel", QStringLiteral("%1.Panel").arg(camdeckAppId), "ControlChanged",
                                 &listener, SLOT(changed(QString, QString))));
    panel.act("colorbarSelect");
    QCOMPARE(script.call("Set", {"negative", "on"}).size(), 1);
    panel.act("crosshairSelect");
    QCOMPARE(panel.sent(),
             (QStringList{"01 00 28 05 08 02 00 01 08 76 C0", "01 00 28 05 08 01 00 01 80 AD 95",
                          "01 00 28 05 08 02 00 01 0C 72 C0"}));
    QTRY_COMPARE(listener.heard, (QStringList{"colour-bar on", "negative on", "crosshair on"}));

    // A recall from the bus: its 16 frames, each with the camera's 0.1 s.
    std::atomic<int> paused = 0; // counted on the queue's thread
    panel.window.line().setPause([&paused, fast = panel.peer.fastPause()](std::chrono::milliseconds d) {
        paused += d == std::chrono::milliseconds(100);
        fast(d);
    });
    const QStringList recalled = sentIn(script.call("Preset", {2}));
    QCOMPARE(recalled.size(), 16);
    QCOMPARE(panel.sent(), recalled);
    QCOMPARE(paused.load(), 16);
}

// camdeck-ctl while the window holds its port: through the panel, the output
// a script gets from the port itself; forced onto the port, it is in use.
void TestBus::scriptThroughTheOpenPanel()
{
    Panel panel(Panel::Closed);
    panel.peer.answer(bytes("8E 12"), bytes("53 49 4D 31"));
    panel.peer.answer(bytes("85 01 04 00 00 00 76 00 8E 13"), bytes("FF 38"));
    panel.open();
    QVERIFY(onBus());
    const QString path = QString::fromStdString(panel.peer.slavePath());
    const auto ctl = [&](const QStringList &arguments) {
        QProcess process;
        process.start(CAMDECK_CTL, arguments);
        // The panel answers on this thread: the loop turns while the script runs.
        [[maybe_unused]] const bool ended
            = QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, 20000);
        return QStringList{QString::number(process.exitCode()), process.readAllStandardOutput(),
                           process.readAllStandardError()};
    };
    QCOMPARE(ctl({"--json", "-d", path, "hello", "set", "alc-level", "12", "jog", "stop"}),
             QStringList({"0",
                          "{\"args\":[],\"command\":\"hello\",\"reply\":\"53 49 4D 31\",\"reply_text\":\"SIM1\","
                          "\"sent\":[\"8E 12\"]}\n"
                          "{\"args\":[\"alc-level\",\"12\"],\"command\":\"set\",\"sent\":[\"01 00 28 05 02 01 00 01 "
                          "0C E0 52\"]}\n"
                          "{\"args\":[\"stop\"],\"command\":\"jog\",\"reply\":\"FF 38\",\"sent\":[\"85 01 04 00 00 00 "
                          "76 00\",\"8E 13\"],\"travel_mm\":-200}\n",
                          ""}));
    QCOMPARE(panel.sent(), (QStringList{"01 00 28 05 02 01 00 01 0C E0 52", "85 01 04 00 00 00 76 00", "8E 13"}));
    QCOMPARE(panel.control<QSlider>("alcsliderSelect")->value(), 12);
    QCOMPARE(ctl({"get", "alc-level"}), (QStringList{"0", "alc-level 12\n", ""}));
    QCOMPARE(ctl({"--direct", "-d", path, "hello"}).first(), "3");
    QCOMPARE(panel.sent(), QStringList());
}

QTEST_MAIN(TestBus)
#include "tst_bus.moc"
