#include "soakday.h"

#include "findchild.h"
#include "mainwindow.h"
#include "controlbinding.h"
#include "presetbuttons.h"
#include "setupmenu.h"

#include "panel/controlvalues.h"
#include "presets/durablefile.h"
#include "presets/presetfile.h"
#include "presets/setupstore.h"
#include "protocol/capture.h"
#include "protocol/decoder.h"
#include "protocol/masks.h"
#include "util/programinfo.h"
#include "util/ownprocess.h"
#include "util/windowdriver.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDBusPendingCall>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QTest>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <unistd.h>

using namespace camdeck;
using namespace std::chrono_literals;

namespace {

long long nanoseconds(std::chrono::steady_clock::time_point at)
{
    return at.time_since_epoch() / 1ns;
}

std::string hexList(const std::vector<Bytes> &messages)
{
    std::string list;
    for (const Bytes &message : messages)
        list += (list.empty() ? "" : "|") + protocol::hexBytes(message);
    return list;
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

SoakLog::SoakLog(const QString &path)
    : m_file(std::fopen(QFile::encodeName(path).constData(), "w"))
{
}

SoakLog::~SoakLog()
{
    if (m_file)
        std::fclose(m_file);
}

void SoakLog::write(const std::string &word, const std::string &rest)
{
    if (!m_file)
        return;
    std::fprintf(m_file, "%lld %s%s%s\n", nanoseconds(std::chrono::steady_clock::now()),
                 word.c_str(), rest.empty() ? "" : " ", rest.c_str());
    std::fflush(m_file);
}

SoakDay::SoakDay(MainWindow &window, QProcess &simulator, SoakLog &log, const Plan &plan)
    : m_window(window)
    , m_simulator(simulator)
    , m_log(log)
    , m_plan(plan)
    , m_random(plan.seed)
    , m_bus(QDBusConnection::connectToBus(QDBusConnection::SessionBus,
                                          QStringLiteral("camdeck-soak")))
    , m_service(QStringLiteral("%1.instance%2").arg(QLatin1String(camdeckAppId)).arg(::getpid()))
    , m_alerts(QStringList(10000, QStringLiteral("Cancel")))
{
    // The window's loading of the presets when a port opens is queued in one
    // go from the report of the open, which is where this is told: held in a
    // job of the day's until the event loop turns, it is claimed as one.
    connect(&m_window, &MainWindow::portStateChanged, this, [this](MainWindow::PortState state) {
        if (state != MainWindow::PortState::Open || m_inJob || m_opening)
            return;
        const int id = begin("opening", m_window.port().toStdString());
        m_opening.emplace(m_window.line(), std::string(),
                          [this, id](bool written, const std::vector<Bytes> &messages) {
                              claim(id, written, messages);
                          });
        QTimer::singleShot(0, this, [this] { m_opening.reset(); });
    });
    m_window.setups().setPathChooser([this](bool) { return m_chosenSetup; });
    const auto heard = [this](const QString &said) { m_said << said; };
    connect(&m_window.setups(), &SetupMenu::said, this, heard);
    connect(requireChild<PresetButtons>(&m_window, {}), &PresetButtons::saved, this, heard);
    connect(requireChild<ControlBinding>(&m_window, {}), &ControlBinding::refused, this, heard);
    m_ticks.setTimerType(Qt::PreciseTimer);
    m_ticks.setInterval(5);
    connect(&m_ticks, &QTimer::timeout, this, [this] {
        const Clock::time_point now = Clock::now();
        if (now - m_lastTick > m_longestStall) {
            m_longestStall = now - m_lastTick;
            m_longestStallAt = now;
        }
        m_lastTick = now;
    });
}

SoakDay::~SoakDay()
{
    setFileSystemCalls(systemFileCalls());
}

bool SoakDay::said(const QString &start) const
{
    return std::any_of(m_said.begin(), m_said.end(),
                       [&start](const QString &text) { return text.startsWith(start); });
}

int SoakDay::begin(const std::string &kind, const std::string &detail)
{
    const int id = m_nextAction++;
    m_log.write("action", std::to_string(id) + ' ' + kind + (detail.empty() ? "" : " ") + detail);
    return id;
}

void SoakDay::claim(int action, bool written, const std::vector<Bytes> &messages)
{
    if (!written)
        m_log.write("dropped", std::to_string(action));
    else if (!messages.empty())
        m_log.write("wrote", std::to_string(action) + ' ' + hexList(messages));
}

void SoakDay::violation(const std::string &what)
{
    m_log.write("violation", what);
}

template<class Act>
void SoakDay::asUser(const std::string &kind, const std::string &detail, Act act)
{
    const int id = begin(kind, detail);
    m_said.clear();
    m_inJob = true;
    {
        const SendQueue::Job job(m_window.line(), {},
                                 [this, id](bool written, const std::vector<Bytes> &messages) {
                                     claim(id, written, messages);
                                 });
        act();
    }
    m_inJob = false;
}

void SoakDay::idle(int ms)
{
    waitUntil([] { return false; }, ms);
}

bool SoakDay::settleOpening()
{
    return !m_opening || waitUntil([this] { return !m_opening; }, 5000);
}

bool SoakDay::run()
{
    // Three streams of the seed: the user's steps, the troubles around the
    // window, and what the user does while the port is out. Each step and
    // each trouble draws from a generator seeded afresh from its stream, so
    // what a step finds (no port open, say) changes nothing after it: the same
    // seed makes the same steps and the same troubles at the same times, and
    // only how they interleave is the clock's.
    std::mt19937_64 steps(m_plan.seed), troubles(m_plan.seed + 1), meanwhile(m_plan.seed + 2);
    const auto from = [this](std::mt19937_64 &stream) { m_random.seed(stream()); };
    const Clock::time_point start = Clock::now();
    const double length = double(m_plan.length.count());
    // How often the troubles come, on average: often enough that a short run
    // meets each of them.
    const auto every = [&](double fraction, double most) {
        return std::chrono::duration_cast<Clock::duration>(
            std::chrono::duration<double>(std::min(length * fraction, most)
                                          * std::uniform_real_distribution(0.5, 1.5)(m_random)));
    };
    from(troubles);
    Clock::time_point nextPull = start + every(0.2, 45);
    Clock::time_point nextDisk = start + every(0.3, 60);
    Clock::time_point nextAnswering = start + every(0.15, 20);
    Clock::time_point diskFreed{};
    bool warm = false;
    Clock::time_point nextSample{};
    m_lastTick = Clock::now();
    m_ticks.start();
    while (Clock::now() - start < m_plan.length) {
        if (!settleOpening())
            violation("the window's loading of the presets never ended");
        const Clock::time_point now = Clock::now();
        if (!warm && now - start >= m_plan.warmUp) {
            warm = true;
            sampleMemory(
                m_plan.warmUp >= 60s
                    ? "after-the-first-minute"
                    : ("after-" + std::to_string(m_plan.warmUp.count()) + "-s-of-warm-up").c_str());
            nextSample = now + 60s;
        } else if (warm && now >= nextSample) {
            // Once a minute, so that a long run shows whether it levels off.
            sampleMemory("a-minute-on");
            nextSample = now + 60s;
        }
        if (m_disk != Disk::Fine && now >= diskFreed)
            setDisk(Disk::Fine);
        if (now >= nextDisk) {
            from(troubles);
            setDisk(chance(0.5) ? Disk::Full : Disk::FullAfterAWrite);
            diskFreed = now + every(0.1, 15);
            nextDisk = now + every(0.3, 60);
        }
        if (now >= nextAnswering) {
            from(troubles);
            changeAnswering();
            nextAnswering = now + every(0.15, 20);
        }
        if (now >= nextPull && m_plugged) {
            from(troubles);
            // Mostly a second or a few; sometimes a cable wiggled back at once.
            const int out = chance(0.15) ? between(20, 150) : between(300, 6000);
            const Clock::time_point back = now + std::chrono::milliseconds(out);
            nextPull = back + every(0.2, 45);
            if (!pull())
                return false;
            // The user does not stop working meanwhile.
            while (Clock::now() < back) {
                from(meanwhile);
                if (chance(0.5))
                    changeControl();
                else if (chance(0.3))
                    callBus();
                idle(between(0, std::min(out, 800)));
            }
            if (!plugBack())
                return false;
            continue;
        }

        from(steps);
        // The queue takes the time the devices need; a user who runs far
        // ahead of it waits, as one would for the progress bar.
        if (m_window.line().pendingPauses() > 4s)
            waitUntil([this] { return m_window.line().pendingPauses() < 1s; }, 60000);
        noteAlerts();
        if (m_window.portState() == MainWindow::PortState::Closed && m_plugged && chance(0.3))
            pickPortAgain();
        else
            pickAction();
        // Now and then the user waits for the panel; mostly not.
        const int pause = pick(100);
        if (pause < 5)
            settle(m_window.line(), 60000);
        else
            idle(pause < 70 ? between(0, 300) : between(300, 2000));
    }
    return endWithSignal();
}

// What a day at the bench is made of, and how often: mostly controls and
// scripts, now and then the rest.
void SoakDay::pickAction()
{
    static constexpr struct {
        int weight;
        void (SoakDay::*act)();
    } day[] = {
        {30, &SoakDay::changeControl}, {6, &SoakDay::recallPreset},   {4, &SoakDay::savePreset},
        {5, &SoakDay::uploadText},     {5, &SoakDay::drawMask},       {10, &SoakDay::jog},
        {2, &SoakDay::centre},         {2, &SoakDay::sendAll},        {3, &SoakDay::saveSetup},
        {3, &SoakDay::openSetup},      {1, &SoakDay::disconnectPort}, {17, &SoakDay::callBus},
        {12, &SoakDay::runCtl},
    };
    int roll = pick(100);
    for (const auto &[weight, act] : day) {
        if ((roll -= weight) < 0)
            return (this->*act)();
    }
}

// ----- Around the window: the line, the device's answers, the disk -----

bool SoakDay::tellSimulator(const QString &command, const QString &answer)
{
    m_simulator.write((command + u'\n').toLocal8Bit());
    const bool said = waitUntil([this] { return m_simulator.canReadLine(); }, 5000);
    const QString line = QString::fromLocal8Bit(m_simulator.readLine()).trimmed();
    if (said && line.startsWith(answer))
        return true;
    violation("camdeck-sim answered '" + line.toStdString() + "' to '" + command.toStdString() + "'"
              + (m_simulator.state() == QProcess::Running ? "" : " (it is not running)"));
    return false;
}

bool SoakDay::pull()
{
    begin("unplug");
    m_plugged = !tellSimulator(QStringLiteral("unplug"), QStringLiteral("unplugged"));
    return !m_plugged;
}

bool SoakDay::plugBack()
{
    begin("plug");
    m_plugged = tellSimulator(QStringLiteral("plug"), QStringLiteral("plugged"));
    return m_plugged;
}

// Mostly the device answers as it should; otherwise late (in time for the
// panel's read, or not), garbled, or not at all.
void SoakDay::changeAnswering()
{
    const QString request = chance(0.5) ? QStringLiteral("greeting") : QStringLiteral("travel");
    const QString hows[] = {QStringLiteral("normal"), QStringLiteral("normal"),
                            QStringLiteral("late %1").arg(between(100, 900)),
                            QStringLiteral("garbled"), QStringLiteral("silent")};
    const QString command = request + u' ' + hows[pick(5)];
    begin("answering", command.toStdString());
    tellSimulator(command, QStringLiteral("ok"));
}

// The home's disk full: every write refused, or one that takes part of its
// bytes and then none.
void SoakDay::setDisk(Disk disk)
{
    m_disk = disk;
    m_shortened.clear();
    begin(disk == Disk::Fine ? "disk-freed" : "disk-full",
          disk == Disk::FullAfterAWrite ? "after-a-short-write" : "");
    FileSystemCalls calls = systemFileCalls();
    if (disk != Disk::Fine) {
        calls.write
            = [this, write = calls.write](int fd, const void *data, size_t size) -> ssize_t {
            if (m_disk == Disk::FullAfterAWrite && size > 1 && m_shortened.insert(fd).second)
                return write(fd, data, size / 2);
            errno = ENOSPC;
            return -1;
        };
    }
    setFileSystemCalls(calls);
}

// ----- The window's user -----

// A slider dragged, a box ticked or an item picked, by the table's controls
// and the switches' boxes.
void SoakDay::changeControl()
{
    const auto controls = protocol::controls();
    const auto switches = protocol::switches();
    const int which = pick(int(controls.size() + switches.size()));
    if (which >= int(controls.size())) {
        const protocol::Switch &s = switches[std::size_t(which) - controls.size()];
        auto *box = requireChild<QCheckBox>(&m_window, QLatin1String(s.outlet));
        return asUser("switch", s.key, [box] { tick(box); });
    }
    const protocol::Control &c = controls[std::size_t(which)];
    QWidget *widget = requireChild<QWidget>(&m_window, QLatin1String(c.outlet));
    const int value = between(c.min, c.max);
    const char *kind = c.kind == protocol::ControlKind::Slider ? "slider"
        : c.kind == protocol::ControlKind::Check               ? "check"
                                                               : "pop-up";
    asUser(kind, std::string(c.key) + ' ' + std::to_string(value),
           [widget, value] { actOn(widget, value); });
}

void SoakDay::recallPreset()
{
    const int n = between(1, presetCount);
    auto *button = requireChild<QPushButton>(&m_window, QStringLiteral("preset%1Button").arg(n));
    asUser("preset", std::to_string(n), [button] { QTest::mouseClick(button, Qt::LeftButton); });
}

void SoakDay::savePreset()
{
    const int n = between(1, presetCount);
    const QString path = QDir::homePath() + QStringLiteral("/preset%1.txt").arg(n);
    const QByteArray before = contents(path);
    const std::string expected = formatPresetFile(m_window.camera().exposure());
    auto *button = requireChild<QPushButton>(&m_window, QStringLiteral("save%1Button").arg(n));
    asUser("save", std::to_string(n), [button] { QTest::mouseClick(button, Qt::LeftButton); });
    checkSaved(path, before, expected, said(QStringLiteral("Preset %1 saved in ").arg(n)));
}

std::string SoakDay::randomText(bool camdeckCanShow)
{
    static const QString shown = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 -./:#ÄÖÜéñ°");
    QString text;
    for (int n = between(0, camdeckCanShow ? 24 : 23); n > 0; --n)
        text += shown[pick(int(shown.size()))];
    if (!camdeckCanShow)
        text.insert(pick(int(text.size()) + 1), chance(0.5) ? u'€' : u'—');
    return text.toStdString();
}

// Typed over what the entry held, then uploaded; now and then a character
// the camera cannot show, which refuses the upload.
void SoakDay::uploadText()
{
    const bool good = chance(0.85);
    const QString text = QString::fromStdString(randomText(good));
    auto *entry = requireChild<QLineEdit>(&m_window, QStringLiteral("textstringSelect"));
    QTest::keyClick(entry, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(entry, Qt::Key_Backspace);
    // Key by key, each with the character it types: QTest's own typing
    // knows only ASCII.
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, entry, Qt::Key_unknown, QString(c), Qt::NoModifier);
    auto *upload = requireChild<QPushButton>(&m_window, QStringLiteral("textupdateSelect"));
    asUser(good ? "text" : "text-refused", '"' + text.toStdString() + '"',
           [upload] { QTest::mouseClick(upload, Qt::LeftButton); });
    if (!good && !said(QStringLiteral("Text not sent: ")))
        violation("a text the camera cannot show was not refused in words: '"
                  + m_said.join(u'|').toStdString() + "'");
}

void SoakDay::drawMask()
{
    const int pattern = pick(int(maskPatterns().size()));
    auto *button
        = requireChild<QPushButton>(&m_window, QStringLiteral("maskbutton%1Select").arg(pattern));
    asUser("mask", std::to_string(pattern),
           [button] { QTest::mouseClick(button, Qt::LeftButton); });
}

// A move or the stop, by its button or by its key on the focused pad.
void SoakDay::jog()
{
    static const char *const buttons[]
        = {"buttonRight", "buttonLeft", "buttonBack", "buttonForward", "buttonStop"};
    static const Qt::Key keys[]
        = {Qt::Key_Right, Qt::Key_Left, Qt::Key_Down, Qt::Key_Up, Qt::Key_Space};
    const int direction = chance(0.35) ? 4 : pick(4);
    auto *button = requireChild<QPushButton>(&m_window, QLatin1String(buttons[direction]));
    const bool key = chance(0.3);
    asUser(direction == 4 ? "stop" : "jog",
           std::string(jogName(JogDirection(direction))) + (key ? " key" : " button"),
           [button, key, direction] {
               if (key)
                   QTest::keyClick(button, keys[direction]);
               else
                   QTest::mouseClick(button, Qt::LeftButton);
           });
}

void SoakDay::centre()
{
    auto *button = requireChild<QPushButton>(&m_window, QStringLiteral("centerSelect"));
    asUser("centre", {}, [button] { QTest::mouseClick(button, Qt::LeftButton); });
}

// From the File menu, or the status bar's offer when it shows.
void SoakDay::sendAll()
{
    auto *offer = requireChild<QPushButton>(&m_window, QStringLiteral("sendAllOffer"));
    if (offer->isVisible() && chance(0.5))
        return asUser("send-all", "offer", [offer] { QTest::mouseClick(offer, Qt::LeftButton); });
    auto *action = requireChild<QAction>(&m_window, QStringLiteral("sendAllAction"));
    asUser("send-all", "menu", [this, action] { pickMenuAction(&m_window, action); });
}

void SoakDay::saveSetup()
{
    m_chosenSetup = setupDirectory() + QStringLiteral("/bench%1.txt").arg(between(1, 3));
    const QByteArray before = contents(m_chosenSetup);
    const std::string expected = formatSetup(m_window.camera().setup());
    auto *action = requireChild<QAction>(&m_window, QStringLiteral("saveSetupAction"));
    asUser("setup-save", m_chosenSetup.toStdString(),
           [this, action] { pickMenuAction(&m_window, action); });
    checkSaved(m_chosenSetup, before, expected,
               said(QStringLiteral("Setup saved in ")));
    if (!m_setups.contains(m_chosenSetup) && contents(m_chosenSetup).size() > 0)
        m_setups << m_chosenSetup;
}

// A setup saved earlier, from the File menu or the menu's own open; now and
// then one a person got wrong, which is refused whole.
void SoakDay::openSetup()
{
    const bool bad = m_setups.isEmpty() || chance(0.15);
    if (bad) {
        static const char *const wrong[] = {"alc-levle = 3\n", "alc-level = 99\n",
                                            "gamma = 0.45\ngamma = 1.0\n", "text = \"€ 5\"\n"};
        m_chosenSetup = setupDirectory() + QStringLiteral("/wrong.txt");
        QDir().mkpath(setupDirectory());
        QFile file(m_chosenSetup);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(wrong[pick(4)]);
    } else {
        m_chosenSetup = m_setups[pick(int(m_setups.size()))];
    }
    auto *action = requireChild<QAction>(&m_window, QStringLiteral("openSetupAction"));
    const bool byMenu = chance(0.6);
    asUser(bad ? "setup-refused" : "setup-open", m_chosenSetup.toStdString(), [&] {
        if (byMenu)
            pickMenuAction(&m_window, action);
        else
            m_window.setups().open(m_chosenSetup);
    });
    if (bad && !said(QStringLiteral("Setup not opened: ")))
        violation("a wrong setup was not refused in words: '" + m_said.join(u'|').toStdString()
                  + "'");
}

// A port picked while it was out asks whether to try again: the user says
// no, and picks it again later.
void SoakDay::noteAlerts()
{
    for (; m_alertsNoted < m_alerts.seen.size(); ++m_alertsNoted)
        begin("alert", m_alerts.seen[m_alertsNoted].simplified().toStdString() + " / Cancel");
}

void SoakDay::disconnectPort()
{
    if (!m_window.isConnected())
        return;
    auto *button = requireChild<QPushButton>(&m_window, QStringLiteral("disconnectButton"));
    asUser("disconnect", {}, [button] { QTest::mouseClick(button, Qt::LeftButton); });
}

void SoakDay::pickPortAgain()
{
    auto *ports = requireChild<QComboBox>(&m_window, QStringLiteral("ttySelect"));
    asUser("pick-port", m_plan.link.toStdString(),
           [this, ports] { chooseItem(ports, m_plan.link); });
}

// What a save left: the new text when it said saved, else the old one, and
// nothing else beside it.
void SoakDay::checkSaved(const QString &path, const QByteArray &before, const std::string &expected,
                         bool saidSaved)
{
    const QByteArray after = contents(path);
    const QByteArray wanted = saidSaved ? QByteArray::fromStdString(expected) : before;
    const QFileInfo info(path);
    const QStringList beside
        = info.dir().entryList({info.fileName() + QStringLiteral(".*")}, QDir::Files);
    m_log.write("file", path.toStdString() + (saidSaved ? " saved" : " kept"));
    if (after != wanted)
        violation(path.toStdString() + (saidSaved ? " said saved" : " said not saved")
                  + " but reads back as \"" + after.left(60).toStdString() + "\" ("
                  + std::to_string(after.size()) + " bytes)");
    if (!beside.isEmpty())
        violation("left beside " + path.toStdString() + ": " + beside.join(u' ').toStdString());
}

// ----- Scripts -----

QDBusMessage SoakDay::call(const QString &method, const QVariantList &arguments)
{
    QDBusMessage message = QDBusMessage::createMethodCall(
        m_service, QStringLiteral("/Panel"), QLatin1String(camdeckAppId) + QStringLiteral(".Panel"),
        method);
    message.setArguments(arguments);
    QDBusPendingCall pending = m_bus.asyncCall(message, 120000);
    waitUntil([&pending] { return pending.isFinished(); }, 125000);
    return pending.reply();
}

// A script's call on the bus, as the window's user might make by hand; now
// and then a wrong one, refused with words and nothing sent.
void SoakDay::callBus()
{
    const auto controls = protocol::controls();
    const protocol::Control &c = controls[std::size_t(pick(int(controls.size())))];
    bool bad = chance(0.12);
    QString method;
    QVariantList arguments;
    switch (pick(10)) {
    case 0:
    case 1:
        method = QStringLiteral("Set");
        arguments = {QString::fromLatin1(c.key),
                     QString::fromStdString(controlValueWord(c, between(c.min, c.max)))};
        if (bad)
            arguments[pick(2)] = QStringLiteral("x9");
        break;
    case 2:
        method = QStringLiteral("Preset");
        arguments = {bad ? 7 : between(1, presetCount)};
        break;
    case 3:
        method = QStringLiteral("Save");
        arguments = {bad ? 0 : between(1, presetCount)};
        break;
    case 4:
        method = QStringLiteral("Text");
        arguments = {QString::fromStdString(randomText(!bad))};
        break;
    case 5: {
        const auto patterns = maskPatterns();
        method = QStringLiteral("Mask");
        arguments
            = {bad ? QStringLiteral("circle")
                   : QString::fromLatin1(patterns[std::size_t(pick(int(patterns.size())))].name)};
        break;
    }
    case 6:
        method = QStringLiteral("Switch");
        arguments = {bad ? QStringLiteral("blx")
                         : QString::fromLatin1(protocol::switches()[std::size_t(pick(3))].key),
                     chance(0.5)};
        break;
    case 7:
        method = QStringLiteral("Jog");
        arguments = {bad ? QStringLiteral("up")
                         : QString::fromLatin1(jogName(JogDirection(chance(0.4) ? 4 : pick(4))))};
        break;
    case 8: {
        method = QStringLiteral("ApplySetup");
        const QString word = bad
            ? QStringLiteral("??")
            : QString::fromStdString(controlValueWord(c, between(c.min, c.max)));
        arguments = {QStringLiteral("%1 = %2\n").arg(QLatin1String(c.key), word)};
        break;
    }
    default:
        // Takes nothing, so nothing to get wrong.
        method = QStringLiteral("SendAll");
        bad = false;
        break;
    }
    const int id = begin("bus-" + method.toStdString(),
                         bad ? "wrong " + arguments.value(0).toString().simplified().toStdString()
                             : arguments.value(0).toString().simplified().toStdString());
    const bool open = m_window.isConnected();
    const bool save = method == QLatin1String("Save");
    const QString path
        = QDir::homePath() + QStringLiteral("/preset%1.txt").arg(arguments.value(0).toInt());
    const QByteArray before = contents(path);
    const std::string expected = formatPresetFile(m_window.camera().exposure());
    const QDBusMessage reply = call(method, arguments);
    const QString error = reply.errorName().section(u'.', -1);
    if (save && !bad)
        checkSaved(path, before, expected, reply.type() == QDBusMessage::ReplyMessage);
    if (reply.type() == QDBusMessage::ReplyMessage) {
        std::vector<Bytes> messages;
        if (!save) {
            const QVariantList answer = reply.arguments();
            const bool jog = method == QLatin1String("Jog");
            for (const QString &hex : answer.value(jog ? 1 : 0).toStringList())
                messages.push_back(protocol::readCaptureLine(hex.toStdString()).bytes);
        }
        claim(id, true, messages);
        if (bad)
            violation("the bus took a wrong " + method.toStdString() + " call");
        return;
    }
    m_log.write(bad ? "refused" : "dropped", std::to_string(id) + ' ' + error.toStdString());
    const bool expectedError = bad
        ? error == QLatin1String("BadArguments") && !reply.errorMessage().isEmpty()
        : (error == QLatin1String("NoPort") && (!open || !m_plugged || !m_window.isConnected()))
            || error == QLatin1String("LineFailed") || (save && error == QLatin1String("NotSaved"));
    if (!expectedError)
        violation(method.toStdString() + " on the bus: " + reply.errorName().toStdString() + ": "
                  + reply.errorMessage().toStdString());
}

// camdeck-ctl as a script at the bench runs it, through the open panel: one
// to three commands, or now and then a command line it refuses whole.
void SoakDay::runCtl()
{
    if (!m_window.isConnected())
        return;
    const auto controls = protocol::controls();
    QStringList words;
    const bool bad = chance(0.1);
    for (int n = between(1, 3); n > 0; --n) {
        const protocol::Control &c = controls[std::size_t(pick(int(controls.size())))];
        switch (pick(7)) {
        case 0:
            words << QStringLiteral("set") << QString::fromLatin1(c.key)
                  << QString::fromStdString(controlValueWord(c, between(c.min, c.max)));
            break;
        case 1:
            words << QStringLiteral("preset") << QString::number(between(1, presetCount));
            break;
        case 2:
            words << QStringLiteral("text") << QString::fromStdString(randomText(true));
            break;
        case 3:
            words << QStringLiteral("mask") << QString::number(pick(int(maskPatterns().size())));
            break;
        case 4:
            words << QStringLiteral("switch")
                  << QString::fromLatin1(protocol::switches()[std::size_t(pick(3))].key)
                  << (chance(0.5) ? QStringLiteral("on") : QStringLiteral("off"));
            break;
        case 5:
            words << QStringLiteral("jog")
                  << QString::fromLatin1(jogName(JogDirection(chance(0.4) ? 4 : pick(4))));
            break;
        default:
            words << QStringLiteral("get") << QString::fromLatin1(c.key);
            break;
        }
    }
    if (bad)
        words << QStringLiteral("set") << QStringLiteral("alc-levle") << QStringLiteral("3");
    const int id = begin(bad ? "ctl-refused" : "ctl", words.join(u' ').toStdString());
    QProcess ctl;
    ctl.start(m_plan.ctl,
              QStringList{QStringLiteral("--json"), QStringLiteral("-d"), m_plan.link} + words);
    waitUntil([&ctl] { return ctl.state() == QProcess::NotRunning; }, 120000);
    const QList<QByteArray> lines = ctl.readAllStandardOutput().split('\n');
    for (const QByteArray &line : lines) {
        const QJsonArray sent = QJsonDocument::fromJson(line).object().value("sent").toArray();
        std::vector<Bytes> messages;
        for (const QJsonValue &hex : sent)
            messages.push_back(protocol::readCaptureLine(hex.toString().toStdString()).bytes);
        claim(id, true, messages);
    }
    // 5: a stop the drive did not answer, as it does when it is told to.
    const int status = ctl.exitStatus() == QProcess::NormalExit ? ctl.exitCode() : -1;
    const bool fine = bad ? status == 1
                          : status == 0 || (status == 5 && words.contains(QStringLiteral("stop")));
    if (bad)
        m_log.write("refused", std::to_string(id) + " exit " + std::to_string(status));
    if (!fine)
        violation("camdeck-ctl " + words.join(u' ').toStdString() + " ended with "
                  + std::to_string(status) + ": "
                  + ctl.readAllStandardError().simplified().right(300).toStdString());
}

// ----- The end -----

void SoakDay::sampleMemory(const char *when)
{
    m_log.write("memory", std::to_string(statusKilobytes("VmRSS:")) + ' ' + when + ' '
                              + std::to_string(statusKilobytes("RssAnon:")) + ' '
                              + std::to_string(statusKilobytes("RssFile:")));
}

// The port back and the panel idle, then a preset recall, and in the middle
// of it SIGTERM: the program's own handling of it must let the recall's
// frames go out, then the farewell, and only then close the window.
bool SoakDay::endWithSignal()
{
    m_random.seed(m_plan.seed + 3);
    if (m_disk != Disk::Fine)
        setDisk(Disk::Fine);
    if (!m_plugged && !plugBack())
        return false;
    if (m_window.portState() == MainWindow::PortState::Closed)
        pickPortAgain();
    if (!waitUntil([this] { return m_window.isConnected(); }, 20000)) {
        violation("the panel did not get its port back for the end");
        return false;
    }
    settleOpening();
    settle(m_window.line(), 120000);
    sampleMemory("at-the-end");
    m_ticks.stop();
    m_log.write("stall",
                std::to_string(m_longestStall / 1ns) + ' '
                    + std::to_string(nanoseconds(m_longestStallAt)));

    bool closed = false;
    const QMetaObject::Connection noted
        = connect(&m_window, &MainWindow::closed, this, [&closed] { closed = true; });
    const int n = between(1, presetCount);
    auto *button = requireChild<QPushButton>(&m_window, QStringLiteral("preset%1Button").arg(n));
    const int id = m_nextAction;
    asUser("preset", std::to_string(n) + " cut by SIGTERM",
           [button] { QTest::mouseClick(button, Qt::LeftButton); });
    auto *progress = requireChild<QProgressBar>(&m_window, QStringLiteral("jobProgress"));
    waitUntil([progress] { return progress->isVisible() && progress->value() >= 3; }, 5000);
    m_log.write("sigterm", std::to_string(id));
    ::kill(::getpid(), SIGTERM);
    const bool done = waitUntil([&closed] { return closed; }, 30000);
    disconnect(noted);
    if (!done)
        violation("the window did not close after SIGTERM");
    return done;
}
