// The window as a user meets it: its start, picking a port (with the retry
// alert), the greeting, the farewell when it closes, a pulled adapter, and the
// window staying live while the line is busy.
#include "fixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSerialPortInfo>
#include <QSlider>
#include <QStatusBar>
#include <QTimer>

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

} // namespace

class TestWindow : public QObject {
    Q_OBJECT

private slots:
    void startUp();
    void tooltipsSayWhatIsSet_data();
    void tooltipsSayWhatIsSet();
    void layoutFitsABenchScreen();
    void placeholderOpensNothing();
    void failedOpenAsksAgain_data();
    void failedOpenAsksAgain();
    void greeting_data();
    void greeting();
    void openedAtStart_data();
    void openedAtStart();
    void textEntryKeepsWhatGoesOut_data();
    void textEntryKeepsWhatGoesOut();
    void repickingLeaksNothing();
    void sameDeviceBackIsReopened_data();
    void sameDeviceBackIsReopened();
    void windowAnswersWhileTheLineIsBusy();
    void closingDuringARecallSendsTheRestFirst();
    void pacedInRealTime_data();
    void pacedInRealTime();
};

void TestWindow::startUp()
{
    Home home;
    WindowController window({"/dev/extra0", "/dev/extra1"});
    window.show();
    QStringList expected{""};
    for (const QSerialPortInfo &port : QSerialPortInfo::availablePorts())
        expected << port.systemLocation();
    expected << "/dev/extra0"
             << "/dev/extra1";
    auto *tty = window.findChild<QComboBox *>("ttySelect");
    const auto paths = [tty] {
        QStringList items;
        for (int i = 0; i < tty->count(); ++i)
            items << tty->itemData(i).toString();
        return items;
    };
    // The system's ports come once the window is up.
    QTRY_COMPARE(paths(), expected);
    QCOMPARE(tty->itemText(0), QString("Select Serial Device"));
    QCOMPARE(window.findChild<QLineEdit *>("speedCur")->text(), QString("45"));
    QVERIFY(!window.isConnected());
    // The controls start as the window shows them before any preset.
    const std::pair<const char *, const char *> labels[]
        = {{"alcslidervalue", "40%"},         {"fixedshutterslidervalue", "1/4000s"}, {"autogainslidervalue", "24dB"},
           {"peakcontrolslidervalue", "90%"}, {"uvmatrixURslidervalue", "0"},         {"crossxposslidervalue", "320"},
           {"SDV_H_slidervalue", "0"},        {"colorgainslidervalue", "0"}};
    for (const auto &[name, text] : labels)
        QCOMPARE(window.findChild<QLabel *>(name)->text(), QString(text));
    QVERIFY(window.findChild<QCheckBox *>("awbSelect")->isChecked());
    QCOMPARE(window.findChild<QComboBox *>("gammaSelect")->currentText(), QString("0.45"));
}

void TestWindow::tooltipsSayWhatIsSet_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("tooltip");
    QTest::newRow("level") << "alcsliderSelect"
                           << "ALC level: register 2/1, 0 to 16 (-40% to 40%)";
    QTest::newRow("speed") << "slowshuttersliderSelect"
                           << "Slow shutter speed: register 2/8, 0 to 7 (1/15s to 8s)";
    QTest::newRow("word") << "magnitudesliderSelect"
                          << "Magnitude: registers 5/1-5/2 (16 bits), 0 to 1023";
    QTest::newRow("signed byte") << "uvmatrix_UR_sliderSelect"
                                 << "UV matrix UR: register 4/19, 0 to 255 (-128 to 127)";
    QTest::newRow("nibble") << "HDV_V_sliderSelect"
                            << "HDV V position: bits 4-7 of register 3/5, 0 to 15 (-60 to 90)";
    QTest::newRow("bit") << "negativeSelect"
                         << "Negative picture: bit 7 of register 8/1";
    QTest::newRow("item index") << "colormodeSelect"
                                << "Colour mode: bits 2-7 of register 4/0, item index";
    QTest::newRow("no field of its own") << "manualSelect"
                                         << "Manual gain on (automatic gain off): register 2/4";
    QTest::newRow("packet") << "flcSelect"
                            << "Flicker compensation on or off: packet 80 8C";
}

void TestWindow::tooltipsSayWhatIsSet()
{
    QFETCH(QString, control);
    QFETCH(QString, tooltip);
    WindowController window;
    QCOMPARE(window.findChild<QWidget *>(control)->toolTip(), tooltip);
}

// Every section within a 1600 x 900 screen, and Tab walks them in the order shown.
void TestWindow::layoutFitsABenchScreen()
{
    WindowController window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QSize needed = window.findChild<QWidget *>("panelContents")->minimumSizeHint();
    QVERIFY2(needed.width() <= 1600 && needed.height() <= 900 - 40,
             qPrintable(QString("%1x%2").arg(needed.width()).arg(needed.height())));
    // On a smaller screen it takes the screen and scrolls.
    const QSize screen = window.screen()->availableSize();
    QVERIFY(window.width() <= screen.width() && window.height() <= screen.height());
    QStringList sections;
    QWidget *start = window.findChild<QWidget *>("ttySelect");
    QWidget *w = start;
    do {
        QWidget *group = w->parentWidget();
        while (group && !qobject_cast<QGroupBox *>(group))
            group = group->parentWidget();
        if ((w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(&window) && group
            && (sections.isEmpty() || sections.last() != group->objectName())) {
            QVERIFY2(!sections.contains(group->objectName()), qPrintable(group->objectName()));
            sections << group->objectName();
        }
        w = w->nextInFocusChain();
    } while (w != start);
    QCOMPARE(sections,
             QStringList({"connectionSection", "exposureSection", "presetsSection", "gainSection", "colourSection",
                          "uvmatrixSection", "pictureSection", "displaySection", "positionsSection", "textSection",
                          "masksSection", "jogSection"}));
}

// The placeholder names no device, and a list set from code fires no action.
void TestWindow::placeholderOpensNothing()
{
    Panel panel(Panel::Closed);
    MessageBoxAnswers alerts({"Cancel"});
    auto *tty = panel.control<QComboBox>("ttySelect");
    chooseItem(tty, 0);
    tty->setCurrentIndex(tty->findText(QString::fromStdString(panel.peer.slavePath())));
    panel.settle();
    QVERIFY(alerts.seen.isEmpty());
    QVERIFY(!panel.window.isConnected());
    QCOMPARE(panel.peer.takeAll().size(), std::size_t(0));
}

void TestWindow::failedOpenAsksAgain_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("refused"); // the errno open() gives, or 0 for the real call
    QTest::addColumn<QString>("informative");
    QTest::newRow("missing") << "/nonexistent/ttyUSB7" << 0 << QString::fromLocal8Bit(strerror(ENOENT));
    QTest::newRow("not a terminal") << "/dev/null" << 0
                                    << QString::fromLocal8Bit(strerror(ENOTTY))
            + ".\nThis is not a serial device; nothing was written to it.";
    // Root opens everything, so these refusals come from the seam.
    QTest::newRow("permission") << "/dev/ttyUSB0" << EACCES
                                << QString::fromLocal8Bit(strerror(EACCES))
            + ".\nOn Linux a serial port belongs to a group, usually dialout: add yourself with "
              "'sudo usermod -aG dialout $USER' and log in again.";
    QTest::newRow("busy") << "/dev/ttyUSB0" << EBUSY
                          << "The port is in use by another program (" + QString::fromLocal8Bit(strerror(EBUSY)) + ").";
}

void TestWindow::failedOpenAsksAgain()
{
    QFETCH(QString, path);
    QFETCH(int, refused);
    QFETCH(QString, informative);
    WindowController window({path});
    if (refused) {
        SystemCalls calls;
        calls.open = [refused](const char *, int) {
            errno = refused;
            return -1;
        };
        window.line().setSystemCalls(calls);
    }
    window.show();
    MessageBoxAnswers alerts({"OK", "Cancel"});
    auto *tty = window.findChild<QComboBox *>("ttySelect");
    chooseItem(tty, tty->findText(path));
    const QString said = "Try open again?\n" + informative;
    QTRY_COMPARE(alerts.seen, QStringList({said, said}));
    QVERIFY(!window.isConnected());
    QVERIFY(!window.findChild<QProgressBar *>("fileOpening")->isVisible());
    QCOMPARE(window.findChild<QLabel *>("connectionStatus")->text(), QString("No port"));
}

void TestWindow::greeting_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QStringList>("logged");
    QTest::addColumn<QString>("status");
    QTest::newRow("none") << QByteArray() << QStringList() << "Connected to %1 — no reply to the greeting";
    QTest::newRow("one byte") << QByteArray("A") << QStringList() << "Connected to %1 — device says 41 \"A\"";
    QTest::newRow("text") << QByteArray("SIM1") << QStringList{"Message is >SIM1"}
                          << "Connected to %1 — device says 53 49 4D 31 \"SIM1\"";
    QTest::newRow("00 2A") << QByteArray("\0*", 2) << QStringList{"Message is >"} << "Connected to %1 — device says 00 2A";
    QTest::newRow("zero inside") << QByteArray("AB\0CD", 5) << QStringList{"Message is >AB"}
                                 << "Connected to %1 — device says 41 42 00 43 44";
    QTest::newRow("300 bytes: 256 read, 16 shown")
        << QByteArray(300, 'x') << QStringList{"Message is >" + QString(256, 'x')}
        << "Connected to %1 — device says 78 78 78 78 78 78 78 78 78 78 78 78 78 78 78 78 … (256 bytes) "
           "\"xxxxxxxxxxxxxxxx…\"";
}

void TestWindow::greeting()
{
    QFETCH(QByteArray, reply);
    QFETCH(QStringList, logged);
    QFETCH(QString, status);
    Panel panel(Panel::Closed);
    panel.peer.answer({0x8E, 0x12}, Bytes(reply.begin(), reply.end()));
    LogCapture log;
    QCOMPARE(panel.open().value(0), QString("8E 12"));
    QCOMPARE(log.linesOf("camdeck.link"), logged);
    QCOMPARE(::status(panel), status.arg(QString::fromStdString(panel.peer.slavePath())));
    // The busy bar goes once preset 1 is on: its animation would go on for ever.
    QVERIFY(!panel.control<QProgressBar>("fileOpening")->isVisible());
}

// --device, --simulate and --open, as main() passes them on to the window.
void TestWindow::openedAtStart_data()
{
    QTest::addColumn<QString>("listedAs"); // listDevice()'s description; "-": not listed
    QTest::addColumn<bool>("throughLink");
    QTest::addColumn<QString>("item");
    QTest::newRow("--open a link of the user's") << "-" << true << "%1";
    QTest::newRow("--device and --open the same path") << "-" << false << "%1";
    QTest::newRow("--simulate") << "Simulated camera" << false << "Simulated camera — %1";
}

void TestWindow::openedAtStart()
{
    QFETCH(QString, listedAs);
    QFETCH(bool, throughLink);
    QFETCH(QString, item);
    Panel panel(Panel::Closed); // lists the peer's path, as --device does
    QTemporaryDir folder;
    QString path = QString::fromStdString(panel.peer.slavePath());
    if (throughLink) {
        const QString link = folder.filePath("camera-line");
        QVERIFY(QFile::link(path, link));
        path = link;
    }
    if (listedAs != "-")
        panel.window.listDevice(path, listedAs);
    panel.window.openDevice(path);
    QCOMPARE(hex(panel.peer.take(2)), QString("8E 12"));
    QTRY_VERIFY(panel.window.isConnected());
    auto *tty = panel.control<QComboBox>("ttySelect");
    QCOMPARE(tty->currentData().toString(), path);
    QCOMPARE(tty->currentText(), item.arg(path));
    QStringList listed;
    for (int i = 0; i < tty->count(); ++i)
        listed << tty->itemData(i).toString();
    QCOMPARE(listed.count(path), 1);
    QVERIFY(::status(panel).startsWith("Connected to " + path + " — "));
}

void TestWindow::textEntryKeepsWhatGoesOut_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("kept");
    QTest::addColumn<QString>("left");
    QTest::newRow("two") << "AB"
                         << "AB"
                         << "22 left";
    QTest::newRow("30 typed, 24 kept") << "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123"
                                       << "ABCDEFGHIJKLMNOPQRSTUVWX"
                                       << "0 left";
    // U+1F600 is two UTF-16 units, and goes out as two positions.
    QTest::newRow("outside the basic plane") << QString::fromUtf8("x\U0001F600y") << QString::fromUtf8("x\U0001F600y")
                                             << "20 left";
}

void TestWindow::textEntryKeepsWhatGoesOut()
{
    QFETCH(QString, typed);
    QFETCH(QString, kept);
    QFETCH(QString, left);
    Panel panel(Panel::Closed);
    auto *field = panel.control<QLineEdit>("textstringSelect");
    field->setFocus();
    // One key a character, as a keyboard or an input method types them.
    for (const char32_t c : typed.toUcs4())
        QTest::sendKeyEvent(QTest::KeyAction::Click, field, Qt::Key_unknown, QString::fromUcs4(&c, 1), {});
    QCOMPARE(field->text(), kept);
    QCOMPARE(panel.control<QLabel>("textLeft")->text(), left);
}

// The first port is said goodbye to before it is opened again; no descriptor stays behind.
void TestWindow::repickingLeaksNothing()
{
    Panel panel(Panel::Closed);
    const int withWindow = openDescriptorCount();
    panel.open();
    QTRY_COMPARE(openDescriptorCount(), withWindow + 1);
    const QStringList again = panel.open();
    QCOMPARE(again.value(0), QString("80"));
    QCOMPARE(again.value(1), QString("8E 12"));
    QCOMPARE(again.size(), 2 + 16);
    QTRY_COMPARE(openDescriptorCount(), withWindow + 1);
    panel.window.close();
    QTRY_COMPARE(openDescriptorCount(), withWindow);
}

// An adapter pulled and plugged back comes back under the same name: here a
// link, as /dev/serial/by-id/... is, pointed at a new pseudo-terminal.
void TestWindow::sameDeviceBackIsReopened_data()
{
    QTest::addColumn<bool>("hangUp"); // else only the link goes
    QTest::addColumn<bool>("pickAnother");
    QTest::newRow("pulled, back under the same name") << true << false;
    QTest::newRow("its link removed, then made again") << false << false;
    QTest::newRow("another port picked meanwhile") << true << true;
}

void TestWindow::sameDeviceBackIsReopened()
{
    QFETCH(bool, hangUp);
    QFETCH(bool, pickAnother);
    Panel panel(Panel::Closed); // its peer is the other port
    // Two devices answer here: a tenth of each pause, not the peer's own.
    panel.window.line().setPause([](std::chrono::milliseconds d) { std::this_thread::sleep_for(d / 10); });
    const QString other = QString::fromStdString(panel.peer.slavePath());
    QTemporaryDir folder;
    const QString link = folder.filePath("camera-line");
    auto first = std::make_unique<PtyPeer>();
    QVERIFY(QFile::link(QString::fromStdString(first->slavePath()), link));
    panel.window.openDevice(link);
    QTRY_VERIFY(panel.window.isConnected());
    panel.settle();
    first->takeAll();
    auto *tty = panel.control<QComboBox>("ttySelect");

    LogCapture log;
    MessageBoxAnswers alerts({"Cancel"});
    if (hangUp)
        first->hangUp();
    else
        QVERIFY(QFile::remove(link));
    QTRY_VERIFY2(::status(panel).startsWith("Port lost: " + link), qPrintable(::status(panel)));
    QVERIFY(!panel.window.isConnected());
    if (pickAnother) {
        chooseItem(tty, tty->findData(other));
        QTRY_VERIFY(panel.window.isConnected());
        panel.settle();
    }

    // Back: the link made anew in one step, as udev makes a by-id link.
    PtyPeer second;
    PtyPeer &back = hangUp ? second : *first;
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
        QCOMPARE(again.value(0), QString("8E 12"));
        QCOMPARE(again.value(1), QString("01 00 28 05 02 00 00 01 01 DC 61"));
        QCOMPARE(again.size(), 1 + 16);
        QCOMPARE(tty->currentData().toString(), link);
    }
    QVERIFY(alerts.seen.isEmpty());
    QCOMPARE(log.linesOf("camdeck.link").filter("Lost the serial line").size(), 1);
}

// The window's own timer keeps ticking during a recall, a click then goes out
// after it; a port pulled in the middle stops the rest at once, and is told
// once, with no alert.
void TestWindow::windowAnswersWhileTheLineIsBusy()
{
    Panel panel;
    panel.window.line().setPause(slowPause);
    int ticks = 0;
    QTimer timer;
    connect(&timer, &QTimer::timeout, [&ticks] { ++ticks; });
    timer.start(5);
    QStringList shown;
    connect(panel.window.statusBar(), &QStatusBar::messageChanged,
            [&shown](const QString &message) { shown << message; });

    panel.act("preset2Button");
    panel.act("colorbarSelect");
    const QStringList sent = panel.sent();
    QCOMPARE(sent.size(), 17);
    QCOMPARE(sent.first(), QString("01 00 28 05 02 00 00 01 00 DD 61"));
    QCOMPARE(sent.last(), QString("01 00 28 05 08 02 00 01 08 76 C0"));
    QVERIFY2(ticks >= 20, qPrintable(QString::number(ticks))); // 16 frames of 25 ms
    QVERIFY(shown.contains("Applying preset 2 — 1 of 16"));
    QVERIFY(shown.contains("Applying preset 2 — 16 of 16"));
    QCOMPARE(panel.window.statusBar()->currentMessage(), QString());

    panel.realTime();
    LogCapture log;
    MessageBoxAnswers alerts({"Cancel"});
    panel.act("preset1Button");
    QCOMPARE(panel.peer.take(11).size(), std::size_t(11));
    const auto pulled = std::chrono::steady_clock::now();
    panel.peer.hangUp();
    QTRY_VERIFY(!panel.window.line().busy());
    QVERIFY(std::chrono::steady_clock::now() - pulled < 1s); // not the recall's 1.5 s
    for (int i = 0; i < 3; ++i)
        panel.act("colorbarSelect");
    panel.settle();
    QVERIFY(status(panel).startsWith("Port lost: "));
    panel.window.close(); // a farewell to a dead port fails quietly
    panel.settle();
    const QStringList said = log.linesOf("camdeck.link");
    QCOMPARE(said.size(), 1);
    QVERIFY(said.first().startsWith("Lost the serial line " + QString::fromStdString(panel.peer.slavePath())));
    QVERIFY(alerts.seen.isEmpty());
}

// Closing hides the window at once; what is queued goes out, then the
// farewell, and the line gets back the settings it had.
void TestWindow::closingDuringARecallSendsTheRestFirst()
{
    Panel panel(Panel::Closed);
    termios before{};
    tcgetattr(panel.peer.slaveFd(), &before);
    panel.open();
    panel.window.line().setPause(slowPause);
    panel.act("preset1Button");
    panel.window.close();
    QVERIFY(!panel.window.isVisible());
    const Bytes stream = panel.peer.take(16 * 11 + 1, 5s);
    QCOMPARE(stream.size(), std::size_t(16 * 11 + 1));
    QCOMPARE(hex(Bytes(stream.end() - 12, stream.end())), QString("01 00 28 05 02 04 00 01 01 18 AD 80"));
    QTRY_COMPARE(status(panel), QString("No port"));
    termios after{};
    tcgetattr(panel.peer.slaveFd(), &after);
    QCOMPARE(after.c_lflag, before.c_lflag);
    QCOMPARE(after.c_cflag, before.c_cflag);
}

void TestWindow::pacedInRealTime_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("pieceSize");
    QTest::addColumn<int>("pieces");
    QTest::addColumn<int>("pauseMs");
    QTest::newRow("text upload: 24 frames, 0.05 s after each") << "textupdateSelect" << 11 << 24 << 50;
    QTest::newRow("mask pattern: 12 packets, 0.05 s after each") << "maskbutton2Select" << 8 << 12 << 50;
}

void TestWindow::pacedInRealTime()
{
    QFETCH(QString, button);
    QFETCH(int, pieceSize);
    QFETCH(int, pieces);
    QFETCH(int, pauseMs);
    Panel panel;
    panel.realTime();
    const std::size_t skip = panel.peer.arrivals().size();
    QTest::mouseClick(panel.control<QPushButton>(button), Qt::LeftButton);
    const auto returned = PtyPeer::Clock::now();
    const auto total = std::size_t(pieceSize * pieces);
    QCOMPARE(panel.peer.take(total, 5s).size(), total);
    const QString fault
        = pacingFault(panel.peer.arrivals(), skip, std::size_t(pieceSize), std::size_t(pieces), pauseMs, returned);
    QVERIFY2(fault.isEmpty(), qPrintable(fault));
}

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
