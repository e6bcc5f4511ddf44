// The window as a user meets it: its start, picking a port (with the retry
// alert), the greeting, the farewell when it closes, a pulled adapter, and the
// window staying live while the line is busy.
#include "fixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
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
    void repickingLeaksNothing();
    void windowAnswersWhileTheLineIsBusy();
    void closingDuringARecallSendsTheRestFirst();
    void pacedInRealTime_data();
    void pacedInRealTime();
};

void TestWindow::startUp()
{
    Home home;
    WindowController window({"/dev/extra0", "/dev/extra1"});
    QStringList expected{"Select Serial Device"};
    for (const QSerialPortInfo &port : QSerialPortInfo::availablePorts())
        expected << port.systemLocation();
    expected << "/dev/extra0"
             << "/dev/extra1";
    auto *tty = window.findChild<QComboBox *>("ttySelect");
    QStringList items;
    for (int i = 0; i < tty->count(); ++i)
        items << tty->itemText(i);
    QCOMPARE(items, expected);
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
    const QString silent = "Connected to %1 (no reply to the greeting)";
    QTest::newRow("none") << QByteArray() << QStringList() << silent;
    QTest::newRow("one byte") << QByteArray("A") << QStringList() << silent;
    QTest::newRow("two bytes") << QByteArray("OK") << QStringList{"Message is >OK"}
                               << "Connected to %1 (device says \"OK\")";
    QTest::newRow("zero inside") << QByteArray("AB\0CD", 5) << QStringList{"Message is >AB"}
                                 << "Connected to %1 (device says \"AB\")";
    QTest::newRow("300 bytes") << QByteArray(300, 'x') << QStringList{"Message is >" + QString(256, 'x')}
                               << "Connected to %1 (device says \"" + QString(256, 'x') + "\")";
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
