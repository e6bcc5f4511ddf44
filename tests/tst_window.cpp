// The window as a user meets it: its start, picking a port (with the retry
// alert), the greeting, the farewell when it closes, a pulled adapter, the
// line's pacing in real time while the click returns at once, and the traffic
// monitor with the status bar's last command.
#include "fixture.h"
#include "setupmenu.h"
#include "trafficmonitor.h"
#include "util/pacing.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QSerialPortInfo>
#include <QSignalSpy>
#include <QSlider>
#include <QTimer>

#include <atomic>
#include <thread>

using namespace camdeck;
using namespace std::chrono_literals;

namespace {

// Slow enough to keep the queue busy for a while, quick enough for a test.
void slowPause(std::chrono::milliseconds d)
{
    std::this_thread::sleep_for(d / 4);
}

QString status(Panel &panel)
{
    return panel.control<QLabel>("connectionStatus")->text();
}

// The kept lines without the time stamp each begins with ("09:41:07.250  ").
QStringList untimed(const QString &text)
{
    static const QRegularExpression stamp(R"(^\d\d:\d\d:\d\d\.\d\d\d  )");
    QStringList lines = text.split('\n', Qt::SkipEmptyParts);
    for (QString &line : lines)
        line = stamp.match(line).hasMatch() ? line.mid(14) : "no time stamp: " + line;
    return lines;
}

} // namespace

class TestWindow : public QObject {
    Q_OBJECT

private slots:
    void startUp();
    void opening_data();
    void opening();
    void portFromPickToClose();
    void pulledAndBack_data();
    void pulledAndBack();
    void pacedInRealTime_data();
    void pacedInRealTime();
    void trafficLines_data();
    void trafficLines();
    void monitorFromTheViewMenu();
    void refusedWrite();
    void comesBackAsLeft_data();
    void comesBackAsLeft();
    void sendAllWhenTheCameraMayLackIt_data();
    void sendAllWhenTheCameraMayLackIt();
};

// The ports, the controls as they are before any preset, what each control's
// tooltip says it sets; every section within a 1600 x 900 screen, and Tab
// walks them in the order shown.
void TestWindow::startUp()
{
    Home home;
    MainWindow::prepareApplication(); // as main() does
    MainWindow window({"/dev/extra0", "/dev/extra1"});
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QStringList expected{""};
    for (const QSerialPortInfo &port : QSerialPortInfo::availablePorts())
        expected << port.systemLocation();
    auto *tty = window.findChild<QComboBox *>("ttySelect");
    // The system's ports come once the window is up.
    QTRY_COMPARE(itemsOf(tty, Qt::UserRole), (expected + QStringList{"/dev/extra0", "/dev/extra1"}));
    // Every control as it starts, a pop-up by its item, then every value label.
    QStringList controls, labels;
    for (QWidget *w : window.findChildren<QWidget *>()) {
        const QString name = w->objectName() + "=";
        if (auto *box = qobject_cast<QCheckBox *>(w))
            controls << name + (box->isChecked() ? "on" : "off");
        else if (auto *slider = qobject_cast<QSlider *>(w))
            controls << name + QString::number(slider->value());
        else if (auto *popup = qobject_cast<QComboBox *>(w); popup && popup != tty)
            controls << name + popup->currentText();
        else if (auto *label = qobject_cast<QLabel *>(w); label && name.endsWith("value="))
            labels << name + label->text();
    }
    // clang-format off
    QCOMPARE(controls.join(' '), QString(
        "alcSelect=on alcsliderSelect=16 fixedshutterSelect=on fixedshuttersliderSelect=11 aesSelect=off aessliderSelect=16 "
        "slowshutterSelect=off slowshuttersliderSelect=0 priorityagcSelect=on priorityslowshutterSelect=off "
        "blcSelect=off agcSelect=off flcSelect=off autogainSelect=on autogainsliderSelect=12 manualSelect=off "
        "manualsliderSelect=0 peakcontrolSelect=on peakcontrolsliderSelect=8 atwSelect=off atwsliderSelect=8 awbSelect=on "
        "awbsliderSelect=8 colorsuppresssliderSelect=0 colorgainsliderSelect=16 colortonerysliderSelect=8 "
        "colortonebysliderSelect=8 uvmatrix_UR_sliderSelect=128 uvmatrix_UG_sliderSelect=128 uvmatrix_UB_sliderSelect=128 "
        "uvmatrix_VR_sliderSelect=128 uvmatrix_VG_sliderSelect=128 uvmatrix_VB_sliderSelect=128 sdvSelect=Mode 0 "
        "hdvSelect=Mode 0 xdrSelect=Off fogSelect=Off eclipseSelect=Off dnrSelect=Off gammaSelect=0.45 sharpnessSelect=Off "
        "magnificationSelect=Off colormodeSelect=Colour enhancerSelect=Off aspectSelect=off hflipSelect=off vflipSelect=off "
        "negativeSelect=off colorbarSelect=off freezeSelect=off crosshairSelect=off magnitudesliderSelect=0 "
        "xpositionsliderSelect=0 ypositionsliderSelect=0 autopanxsliderSelect=0 autopanysliderSelect=0 "
        "crosshairxpositionsliderSelect=320 crosshairypositionsliderSelect=360 SDV_H_sliderSelect=6 SDV_V_sliderSelect=6 "
        "HDV_H_sliderSelect=6 HDV_V_sliderSelect=6 textSelect=off textpositionSelect=Top speedSlide=45"));
    QCOMPARE(labels.join(' '), QString(
        "alcslidervalue=40% fixedshutterslidervalue=1/4000s aesslidervalue=40% slowshutterslidervalue=1/15s "
        "autogainslidervalue=24dB manualslidervalue=0dB peakcontrolslidervalue=90% atwslidervalue=0% awbslidervalue=0% "
        "colorsuppressslidervalue=0% colorgainslidervalue=0 colortoneryslidervalue=0% colortonebyslidervalue=0% "
        "uvmatrixURslidervalue=0 uvmatrixUGslidervalue=0 uvmatrixUBslidervalue=0 uvmatrixVRslidervalue=0 "
        "uvmatrixVGslidervalue=0 uvmatrixVBslidervalue=0 magnificationslidervalue=0 magxposslidervalue=0 "
        "magyposslidervalue=0 autopanxslidervalue=0 autopanyslidervalue=0 crossxposslidervalue=320 "
        "crossyposslidervalue=360 SDV_H_slidervalue=0 SDV_V_slidervalue=0 HDV_H_slidervalue=0 HDV_V_slidervalue=0"));
    // clang-format on
    QCOMPARE(window.findChild<QLineEdit *>("speedCur")->text(), QString("45"));
    const std::pair<const char *, const char *> tooltips[]
        = {{"alcsliderSelect", "ALC level: register 2/1, 0 to 16 (-40% to 40%)"},
           {"magnitudesliderSelect", "Magnification level: registers 5/1-5/2 (16 bits), 0 to 1023"},
           {"HDV_V_sliderSelect", "HDV V position: bits 4-7 of register 3/5, 0 to 15 (-60 to 90)"},
           {"colormodeSelect", "Colour mode: bits 2-7 of register 4/0, item index"},
           {"flcSelect", "Flicker compensation on or off: packet 80 8C"}};
    for (const auto &[name, tip] : tooltips)
        QCOMPARE(window.findChild<QWidget *>(name)->toolTip(), QString(tip));

    const QSize needed = window.findChild<QWidget *>("panelContents")->minimumSizeHint();
    QVERIFY2(needed.width() <= 1600 && needed.height() <= 900 - 40,
             qPrintable(QString("%1x%2").arg(needed.width()).arg(needed.height())));
    // On a smaller screen it takes the screen and scrolls.
    QCOMPARE(window.size().boundedTo(window.screen()->availableSize()), window.size());
    QStringList sections;
    QWidget *w = tty;
    do {
        QWidget *group = w->parentWidget();
        while (group && !qobject_cast<QGroupBox *>(group))
            group = group->parentWidget();
        if ((w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(&window) && group
            && (sections.isEmpty() || sections.last() != group->objectName()))
            sections << group->objectName(); // a section reached twice shows up twice
        w = w->nextInFocusChain();
    } while (w != tty);
    QCOMPARE(sections,
             QStringList({"connectionSection", "exposureSection", "presetsSection", "gainSection", "colourSection",
                          "uvmatrixSection", "pictureSection", "displaySection", "positionsSection", "textSection",
                          "masksSection", "jogSection"}));
}

// What opening a port ends in: the greeting's answer in the status bar,
// or an alert offering to try again, twice.
void TestWindow::opening_data()
{
    QTest::addColumn<QString>("path"); // or none: the peer's
    QTest::addColumn<int>("refused"); // the errno open() gives, or 0 for the real call
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("said"); // in the status bar, or in the alert
    const auto row = [](const char *name, const char *path, int refused, const QByteArray &reply, const QString &said) {
        QTest::newRow(name) << path << refused << reply << said;
    };
    const auto tryAgain = [](int e) { return "Try open again?\n" + QString::fromLocal8Bit(strerror(e)); };
    row("no reply", "", 0, {}, "Connected to %1 — no reply to the greeting");
    row("zero inside, 16 bytes: all shown", "", 0, QByteArray("AB\0CDEFGHIJKLMNO", 16),
        "Connected to %1 — device says 41 42 00 43 44 45 46 47 48 49 4A 4B 4C 4D 4E 4F");
    row("300 bytes: 256 read, 16 shown", "", 0, QByteArray(300, 'x'),
        "Connected to %1 — device says 78 78 78 78 78 78 78 78 78 78 78 78 78 78 78 78 … (256 bytes) "
        "\"xxxxxxxxxxxxxxxx…\"");
    row("not a terminal", "/dev/null", 0, {},
        tryAgain(ENOTTY) + ".\nIt is not a serial device; nothing was written to it.");
    // Root opens everything, so these refusals come from the seam.
    row("permission", "/dev/ttyUSB0", EACCES, {},
        tryAgain(EACCES)
            + ".\nA serial port belongs to a group, usually dialout: add yourself with "
              "'sudo usermod -aG dialout $USER' and log in again.");
    row("busy", "/dev/ttyUSB0", EBUSY, {},
        "Try open again?\nThe port is in use by another program (" + QString::fromLocal8Bit(strerror(EBUSY))
            + ").\nClose that program (a terminal, a logger, another camdeck) and try again; the port's settings "
              "were not touched.");
}

void TestWindow::opening()
{
    QFETCH(QString, path);
    QFETCH(int, refused);
    QFETCH(QByteArray, reply);
    QFETCH(QString, said);
    Panel panel(Panel::Closed);
    SystemCalls calls;
    if (refused)
        calls.open = [refused](const char *, int) { return errno = refused, -1; };
    panel.window.line().setSystemCalls(calls);
    panel.peer.answer({0x8E, 0x12}, Bytes(reply.begin(), reply.end()));
    MessageBoxAnswers alerts({"OK", "Cancel"});
    if (path.isEmpty()) {
        QCOMPARE(panel.open().value(0), QString("8E 12"));
        QCOMPARE(::status(panel), said.arg(QString::fromStdString(panel.peer.slavePath())));
    } else {
        panel.window.openDevice(path);
        QCOMPARE(panel.control<QProgressBar>("fileOpening")->maximum(), 0); // busy while it opens
        QTRY_COMPARE(alerts.seen, QStringList({said, said}));
        QVERIFY(!panel.window.isConnected());
        QCOMPARE(::status(panel), QString("No port"));
    }
    // The busy bar goes once preset 1 is on: its animation would go on for ever.
    QVERIFY(!panel.control<QProgressBar>("fileOpening")->isVisible());
    QCOMPARE(panel.control<QProgressBar>("fileOpening")->maximum(), 1);
}

// The placeholder names no device, and a list set from code fires no action.
// A port picked again is said goodbye to before it is opened again. A click
// during a recall goes out after it; closing then hides the window at once,
// what is queued goes out, then the farewell. No descriptor stays behind.
void TestWindow::portFromPickToClose()
{
    Panel panel(Panel::Closed);
    MessageBoxAnswers alerts({"Cancel"});
    auto *tty = panel.control<QComboBox>("ttySelect");
    chooseItem(tty, 0);
    tty->setCurrentIndex(tty->findText(QString::fromStdString(panel.peer.slavePath())));
    panel.settle();
    const int withWindow = openDescriptorCount(); // the port list is up and watching /dev by now
    QVERIFY(alerts.seen.isEmpty()); // nothing opened, so nothing failed
    QCOMPARE(panel.peer.takeAll().size(), std::size_t(0));

    panel.open();
    QTRY_COMPARE(openDescriptorCount(), withWindow + 1);
    const QStringList again = panel.open();
    QCOMPARE(again.mid(0, 2), QStringList({"80", "8E 12"}));
    QCOMPARE(again.size(), 2 + 16);
    QTRY_COMPARE(openDescriptorCount(), withWindow + 1);
    const QString path = QString::fromStdString(panel.peer.slavePath());
    QCOMPARE(panel.window.windowTitle(), path + " — camdeck");

    // Disconnect: the farewell, and the port free for another program; the
    // placeholder picked with a port open does the same.
    for (const bool placeholder : {false, true}) {
        if (placeholder)
            QVERIFY(chooseItem(tty, 0));
        else
            panel.act("disconnectButton");
        QCOMPARE(panel.sent(), QStringList{"80"});
        QTRY_COMPARE(status(panel), QString("No port"));
        QCOMPARE(panel.window.windowTitle(), QString("camdeck"));
        QTRY_COMPARE(openDescriptorCount(), withWindow);
        panel.open();
    }

    panel.window.line().setPause(slowPause);
    panel.act("preset1Button");
    panel.act("colorbarSelect"); // clicked during the recall: goes out after its 16th frame
    panel.window.close();
    QVERIFY(!panel.window.isVisible());
    const Bytes stream = panel.peer.take(17 * 11 + 1, 5s);
    QCOMPARE(stream.size(), std::size_t(17 * 11 + 1));
    QCOMPARE(hex(Bytes(stream.end() - 23, stream.end())),
             QString("01 00 28 05 02 04 00 01 01 18 AD 01 00 28 05 08 02 00 01 08 76 C0 80"));
    QTRY_COMPARE(status(panel), QString("No port"));
    QTRY_COMPARE(openDescriptorCount(), withWindow);
}

// An adapter pulled is told once, with no alert; what is queued for it stops at
// once, clicks meanwhile go nowhere. Plugged back, it comes under the same name:
// here a link, as /dev/serial/by-id/... is, pointed at a new pseudo-terminal.
void TestWindow::pulledAndBack_data()
{
    QTest::addColumn<QString>("pulled"); // while idle, during a recall, or only its link removed
    QTest::addColumn<bool>("pickAnother");
    QTest::newRow("pulled, back under the same name") << "idle" << false;
    QTest::newRow("pulled during a recall") << "recall" << false;
    QTest::newRow("its link removed, then made again") << "link" << false;
    QTest::newRow("another port picked meanwhile") << "idle" << true;
}

void TestWindow::pulledAndBack()
{
    QFETCH(QString, pulled);
    QFETCH(bool, pickAnother);
    Panel panel(Panel::Closed); // its peer is the other port
    // Two devices answer here: a tenth of each pause, not the peer's own.
    const auto tenth = [](std::chrono::milliseconds d) { std::this_thread::sleep_for(d / 10); };
    panel.window.line().setPause(tenth);
    const QString other = QString::fromStdString(panel.peer.slavePath());
    QTemporaryDir folder;
    const QString link = folder.filePath("camera-line");
    PtyPeer first;
    QVERIFY(QFile::link(QString::fromStdString(first.slavePath()), link));
    // Listed, then opened, as --simulate does; --open only opens, a link of the user's here.
    panel.window.listDevice(link, "Bench camera");
    panel.window.openDevice(link);
    QTRY_VERIFY(panel.window.isConnected());
    auto *tty = panel.control<QComboBox>("ttySelect");
    QCOMPARE(itemsOf(tty, Qt::UserRole).filter("camera-line"), QStringList{link});
    QCOMPARE(tty->currentText(), "Bench camera — " + link);
    panel.settle();
    first.takeAll();

    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Lost the serial line " + QRegularExpression::escape(link)));
    QTest::failOnWarning(QRegularExpression("serial line"));
    MessageBoxAnswers alerts({"Cancel"});
    if (pulled == "link") {
        QVERIFY(QFile::remove(link));
    } else if (pulled == "recall") {
        panel.realTime();
        panel.act("preset1Button");
        QCOMPARE(first.take(11).size(), std::size_t(11));
        const auto pulledAt = std::chrono::steady_clock::now();
        first.hangUp();
        QTRY_VERIFY(!panel.window.line().busy());
        QVERIFY(std::chrono::steady_clock::now() - pulledAt < 1s); // not the recall's 1.5 s
        panel.window.line().setPause(tenth);
    } else {
        first.hangUp();
    }
    QTRY_VERIFY2(::status(panel).startsWith("Port lost: " + link), qPrintable(::status(panel)));
    QVERIFY(!panel.window.isConnected());
    for (int i = 0; i < 3; ++i)
        panel.act("colorbarSelect");
    if (pickAnother) {
        QVERIFY(chooseItem(tty, other));
        QTRY_VERIFY(panel.window.isConnected());
        panel.settle();
    }

    // Back: the link made anew in one step, as udev makes a by-id link.
    PtyPeer second;
    PtyPeer &back = pulled == "link" ? first : second;
    const QString made = folder.filePath("made");
    QVERIFY(QFile::link(QString::fromStdString(back.slavePath()), made));
    QVERIFY(QFile::rename(made, link) || std::rename(qPrintable(made), qPrintable(link)) == 0);

    if (pickAnother) {
        QCOMPARE(back.takeAll(300ms).size(), std::size_t(0));
        QVERIFY2(::status(panel).startsWith("Connected to " + other), qPrintable(::status(panel)));
    } else {
        QTRY_VERIFY2(::status(panel).startsWith("Reconnected to " + link), qPrintable(::status(panel)));
        panel.settle();
        // The greeting and preset 1 (16 frames, the first 2/0 = 01), once each.
        const QStringList again = messages(back.takeAll());
        QCOMPARE(again.mid(0, 2), QStringList({"8E 12", "01 00 28 05 02 00 00 01 01 DC 61"}));
        QCOMPARE(again.size(), 1 + 16);
        QCOMPARE(tty->currentData().toString(), link);
    }
    QVERIFY(alerts.seen.isEmpty());
}

// The camera takes no frame within 0.1 s of the one before, nor a text frame
// or mask packet within 0.05 s; the click does not wait for them, and the
// window goes on meanwhile.
void TestWindow::pacedInRealTime_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("pieceSize");
    QTest::addColumn<int>("pieces");
    QTest::addColumn<int>("pauseMs");
    QTest::newRow("preset recall: 16 frames, 0.1 s after each") << "preset1Button" << 11 << 16 << 100;
    QTest::newRow("text upload: 24 frames, 0.05 s after each") << "textupdateSelect" << 11 << 24 << 50;
    QTest::newRow("mask pattern: 12 packets, 0.05 s after each") << "maskbutton2Select" << 8 << 12 << 50;
}

void TestWindow::pacedInRealTime()
{
    QFETCH(QString, button);
    QFETCH(int, pieceSize);
    QFETCH(int, pieces);
    QFETCH(int, pauseMs);
    const std::chrono::milliseconds pause(pauseMs);
    Panel panel;
    panel.realTime();
    int ticks = 0; // the window's own timer, ticking all along
    QTimer timer;
    connect(&timer, &QTimer::timeout, [&ticks] { ++ticks; });
    timer.start(5);
    const auto clicked = PtyPeer::Clock::now();
    QTest::mouseClick(panel.control<QPushButton>(button), Qt::LeftButton);
    const auto returned = PtyPeer::Clock::now();
    const auto total = std::size_t(pieceSize * pieces);
    QCOMPARE(panel.peer.take(total, 5s).size(), total);
    // The peer's thread may stamp a piece up to 5 ms late, never early.
    const auto starts = pieceStarts(panel.peer.arrivals(), std::size_t(pieceSize), clicked);
    const std::string fault = pacingFault(starts, std::size_t(pieces), pause, 5ms);
    QVERIFY2(fault.empty(), fault.c_str());
    QVERIFY(returned < starts.front() + pause); // the click did not wait for the line
    QVERIFY(starts.back() - starts.front() < pause * pieces * 11 / 10); // nor the line for long
    QVERIFY2(ticks >= pieces * pauseMs / 20, qPrintable(QString("%1 ticks").arg(ticks))); // a quarter of 5 ms ones
}

void TestWindow::trafficLines_data()
{
    QTest::addColumn<int>("keep"); // lines kept; 0: as many as the panel keeps
    QTest::addColumn<QStringList>("chunks"); // "> " written, "< " read
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QString>("lastSent"); // for the status bar
    const auto row = [](const char *name, int keep, QStringList chunks, QStringList lines, QString named) {
        QTest::newRow(name) << keep << chunks << lines << named;
    };
    row("a frame in two writes, a reply between: named by the write that ends it", 0,
        {"> 01 00 28 05", "< 00", "> 02 00 00 01 01 DC 61"},
        {"sent  01 00 28 05  ", "read  00  reply, 1 byte", "sent  02 00 00 01 01 DC 61  2/0 exposure mode ← 0x01"},
        "2/0 exposure mode ← 0x01");
    row("an adapter echoing the frame: nothing sent", 0, {"< 85 01 01 00 00 00 79 00"},
        {"read  85 01 01 00 00 00 79 00  reply, 8 bytes; jog left"}, "");
    row("three kept: the oldest goes; the last write is named", 3,
        {"> 85 01 01 00 00 00 79 00", "> 85 01 02 00 00 00 78 00", "> 85 01 04 00 00 00 76 00", "> 8E 13"},
        {"sent  85 01 02 00 00 00 78 00  jog back", "sent  85 01 04 00 00 00 76 00  stop", "sent  8E 13  travel query"},
        "travel query");
}

// Recorded while hidden; once shown, the view holds what is kept.
void TestWindow::trafficLines()
{
    QFETCH(int, keep);
    QFETCH(QStringList, chunks);
    QFETCH(QStringList, expected);
    QFETCH(QString, lastSent);
    TrafficMonitor monitor(nullptr, keep ? keep : 5000);
    QSignalSpy sent(&monitor, &TrafficMonitor::commandSent);
    for (const QString &chunk : chunks)
        monitor.record(chunk[0] == '<' ? SerialLine::Direction::Read : SerialLine::Direction::Written,
                       bytes(chunk.mid(2)));
    QCOMPARE(untimed(monitor.text()), expected);
    QCOMPARE(sent.isEmpty() ? QString() : sent.last().first().toString(), lastSent);
    monitor.show();
    QCOMPARE(monitor.findChild<QPlainTextEdit *>()->toPlainText() + '\n', monitor.text());
}

// Hidden at first, recording meanwhile; once shown, each write appears as it
// goes. Copy puts every kept line on the clipboard; Save writes them, or says
// why it could not.
void TestWindow::monitorFromTheViewMenu()
{
    Panel panel;
    auto *monitor = panel.control<TrafficMonitor>("trafficMonitor");
    QVERIFY(!monitor->isVisible());
    QVERIFY(pickMenuAction(&panel.window, panel.control<QAction>("showTrafficMonitor")));
    QVERIFY(monitor->isVisible());
    auto *view = panel.control<QPlainTextEdit>("trafficLines");
    QVERIFY(view->isReadOnly());
    QCOMPARE(untimed(view->toPlainText()).first(), QString("sent  8E 12  greeting"));
    panel.act("buttonBack");
    QTRY_COMPARE(untimed(view->toPlainText()).last(), QString("sent  85 01 02 00 00 00 78 00  jog back"));
    QCOMPARE(panel.sent(), QStringList{"85 01 02 00 00 00 78 00"});
    QCOMPARE(panel.control<QLabel>("lastCommandStatus")->text(), QString("Sent: jog back"));
    const QString all = monitor->text();
    QVERIFY(panel.control<QWidget>("copyTraffic")->isVisible());
    QApplication::clipboard()->clear();
    panel.act("copyTraffic");
    QCOMPARE(QApplication::clipboard()->text(), all);

    QTemporaryDir dir;
    const QString path = dir.filePath("traffic.txt");
    monitor->setPathChooser([&] { return path; });
    panel.act("saveTraffic");
    QFile saved(path);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(saved.readAll()), all);
    MessageBoxAnswers answers({"OK"});
    monitor->setPathChooser([&] { return path + "/under-a-file.txt"; });
    panel.act("saveTraffic");
    QCOMPARE(answers.seen.size(), 1);
    QVERIFY2(answers.seen[0].contains("not saved"), qPrintable(answers.seen[0]));
    QVERIFY(pickMenuAction(&panel.window, panel.control<QAction>("showTrafficMonitor")));
    QVERIFY(!monitor->isVisible());
}

// A write the driver refuses is said in the status bar, and the port stays
// open: it is not lost.
void TestWindow::refusedWrite()
{
    Panel panel(Panel::Closed);
    SystemCalls calls;
    static std::atomic<bool> refuse = false; // read on the queue's thread
    calls.write = [](int fd, const void *data, size_t size) {
        return refuse ? (errno = EINVAL, ssize_t(-1)) : ::write(fd, data, size);
    };
    panel.window.line().setSystemCalls(calls);
    panel.open();
    refuse = true;
    panel.act("colorbarSelect");
    panel.settle();
    refuse = false;
    QCOMPARE(panel.control<QLabel>("lastCommandStatus")->text(), "Not sent: " + QString(strerror(EINVAL)));
    QVERIFY(panel.window.isConnected());
}

void TestWindow::comesBackAsLeft_data()
{
    QTest::addColumn<QByteArray>("settings"); // written over the kept file before the start, or none
    QTest::addColumn<bool>("reset");
    QTest::addColumn<QStringList>("shown"); // name=value after the start
    QTest::addColumn<QString>("said"); // in the status bar; FILE: the settings file
    const QStringList builtIn{"colorgainsliderSelect=16", "colorgainslidervalue=0", "crosshairxpositionsliderSelect=320",
                              "crossxposslidervalue=320", "blcSelect=0", "textstringSelect=", "trafficMonitor=0",
                              "recentSetupsMenu="};
    QTest::newRow("as it was left, the port picked, nothing sent")
        << QByteArray() << false
        << QStringList{"colorgainsliderSelect=28", "colorgainslidervalue=12", "crosshairxpositionsliderSelect=500",
                       "crossxposslidervalue=500", "blcSelect=1", "textstringSelect=LOT 42", "trafficMonitor=1",
                       "ttySelect=PTY", "recentSetupsMenu=line3.txt"}
        << "";
    QTest::newRow("--reset: the built-in values, and it says so")
        << QByteArray() << true << builtIn << "Started with the built-in values";
    QTest::newRow("not a settings file: set aside")
        << QByteArray("[General\n") << false << builtIn
        << "FILE could not be read (not a settings file): set aside as FILE.damaged";
    QTest::newRow("controls out of range: set aside")
        << QByteArray("[General]\ncontrols=colour-gain = 33\n") << false << builtIn
        << "FILE could not be read (line 1: colour-gain takes 0 to 32, not '33'): set aside as FILE.damaged";
}

// The window closed with a few colours, the crosshair, a switch, the text,
// the monitor and a setup saved shows them again on the next start, the port picked and not
// opened; --reset and a damaged settings file start from the built-in values.
void TestWindow::comesBackAsLeft()
{
    QFETCH(QByteArray, settings);
    QFETCH(bool, reset);
    QFETCH(QStringList, shown);
    QFETCH(QString, said);
    Panel panel;
    panel.act("colorgainsliderSelect", 28);
    panel.act("crosshairxpositionsliderSelect", 500);
    panel.act("blcSelect");
    auto *field = panel.control<QLineEdit>("textstringSelect");
    field->setFocus();
    QTest::keyClicks(field, "LOT 42");
    panel.act("textupdateSelect");
    QVERIFY(pickMenuAction(&panel.window, panel.control<QAction>("showTrafficMonitor")));
    QVERIFY(panel.window.setups().save(panel.home.path() + "/line3.txt"));
    QCOMPARE(panel.control<QLabel>("lastCommandStatus")->text(), "Setup saved in " + panel.home.path() + "/line3.txt");
    panel.sent();
    panel.window.close();
    QCOMPARE(panel.sent(), QStringList{"80"});
    QTRY_VERIFY(!panel.window.isVisible());
    const QString file = panel.home.path() + "/.config/org.example.camdeck.conf";
    if (!settings.isEmpty()) {
        QFile kept(file);
        QVERIFY(kept.open(QIODevice::WriteOnly | QIODevice::Truncate) && kept.write(settings) == settings.size());
    }

    const QString path = QString::fromStdString(panel.peer.slavePath());
    MainWindow again({path}, reset);
    again.show();
    QVERIFY(QTest::qWaitForWindowExposed(&again));
    QVERIFY(settle(again.line()));
    QCOMPARE(panel.peer.takeAll().size(), std::size_t(0));
    QCOMPARE(again.findChild<QLabel *>("lastCommandStatus")->text(), QString(said).replace("FILE", file));
    QCOMPARE(QFile::exists(file + ".damaged"), said.contains(".damaged"));
    for (const QString &pair : shown) {
        QWidget *control = requireChild<QWidget>(&again, pair.section('=', 0, 0));
        const QString value = pair.section('=', 1).replace("PTY", path);
        if (auto *slider = qobject_cast<QSlider *>(control))
            QCOMPARE(slider->value(), value.toInt());
        else if (auto *box = qobject_cast<QCheckBox *>(control))
            QCOMPARE(int(box->isChecked()), value.toInt());
        else if (auto *popup = qobject_cast<QComboBox *>(control))
            QCOMPARE(popup->currentData().toString(), value);
        else if (auto *menu = qobject_cast<QMenu *>(control))
            QCOMPARE(menu->actions().isEmpty() ? QString() : menu->actions().first()->text(), value);
        else if (qobject_cast<QLabel *>(control) || qobject_cast<QLineEdit *>(control))
            QCOMPARE(control->property("text").toString(), value);
        else
            QCOMPARE(int(control->isVisible()), value.toInt());
    }
}

void TestWindow::sendAllWhenTheCameraMayLackIt_data()
{
    QTest::addColumn<bool>("changedWithNoPort");
    QTest::newRow("built-in values: nothing to offer") << false;
    QTest::newRow("a colour changed with no port: offered, sent on a click") << true;
}

// A change with no port open says it was not sent; once a port is open and
// preset 1 is on, Send all is offered, and sends every control, the switches,
// the text and the masks.
void TestWindow::sendAllWhenTheCameraMayLackIt()
{
    QFETCH(bool, changedWithNoPort);
    Panel panel(Panel::Closed);
    auto *status = panel.control<QLabel>("lastCommandStatus");
    if (changedWithNoPort) {
        panel.act("colorgainsliderSelect", 28);
        QTRY_COMPARE(status->text(), QString("No port open — not sent"));
    }
    panel.open();
    QCOMPARE(status->text(), QString("Preset 1 applied"));
    auto *offer = panel.control<QPushButton>("sendAllOffer");
    QCOMPARE(offer->isVisible(), changedWithNoPort);
    if (!changedWithNoPort)
        return;
    panel.act("sendAllOffer");
    const QStringList sent = panel.sent();
    QCOMPARE(sent.size(), 91);
    QVERIFY2(sent.contains("01 00 28 05 04 04 00 01 1C A5 1F"), qPrintable(sent.join(", ")));
    QVERIFY(!offer->isVisible());
    auto *progress = panel.control<QProgressBar>("jobProgress");
    QCOMPARE(progress->format(), QString("Sending all settings — %v of %m"));
    QCOMPARE(progress->maximum(), 91);
}

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
