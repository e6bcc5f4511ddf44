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

// The paths the serial-device pop-up opens, the placeholder's first.
QStringList paths(const QComboBox *tty)
{
    QStringList items;
    for (int i = 0; i < tty->count(); ++i)
        items << tty->itemData(i).toString();
    return items;
}

} // namespace

class TestWindow : public QObject {
    Q_OBJECT

private slots:
    void startUp();
    void failedOpenAsksAgain_data();
    void failedOpenAsksAgain();
    void greeting_data();
    void greeting();
    void openedAtStart_data();
    void openedAtStart();
    void textEntryKeepsWhatGoesOut();
    void portFromPickToClose();
    void sameDeviceBackIsReopened_data();
    void sameDeviceBackIsReopened();
    void windowAnswersWhileTheLineIsBusy();
    void pacedInRealTime_data();
    void pacedInRealTime();
};

// The ports, the controls as they are before any preset, what each control's
// tooltip says it sets; every section within a 1600 x 900 screen, and Tab
// walks them in the order shown.
void TestWindow::startUp()
{
    Home home;
    WindowController window({"/dev/extra0", "/dev/extra1"});
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QStringList expected{""};
    for (const QSerialPortInfo &port : QSerialPortInfo::availablePorts())
        expected << port.systemLocation();
    auto *tty = window.findChild<QComboBox *>("ttySelect");
    // The system's ports come once the window is up.
    QTRY_COMPARE(paths(tty), (expected + QStringList{"/dev/extra0", "/dev/extra1"}));
    QCOMPARE(tty->itemText(0), QString("Select Serial Device"));
    QCOMPARE(window.findChild<QLineEdit *>("speedCur")->text(), QString("45"));
    QVERIFY(!window.isConnected());
    const std::pair<const char *, const char *> labels[]
        = {{"alcslidervalue", "40%"},         {"fixedshutterslidervalue", "1/4000s"}, {"autogainslidervalue", "24dB"},
           {"peakcontrolslidervalue", "90%"}, {"uvmatrixURslidervalue", "0"},         {"crossxposslidervalue", "320"},
           {"SDV_H_slidervalue", "0"},        {"colorgainslidervalue", "0"}};
    for (const auto &[name, text] : labels)
        QCOMPARE(window.findChild<QLabel *>(name)->text(), QString(text));
    QVERIFY(window.findChild<QCheckBox *>("awbSelect")->isChecked());
    QCOMPARE(window.findChild<QComboBox *>("gammaSelect")->currentText(), QString("0.45"));
    const std::pair<const char *, const char *> tooltips[]
        = {{"alcsliderSelect", "ALC level: register 2/1, 0 to 16 (-40% to 40%)"},
           {"slowshuttersliderSelect", "Slow shutter speed: register 2/8, 0 to 7 (1/15s to 8s)"},
           {"magnitudesliderSelect", "Magnitude: registers 5/1-5/2 (16 bits), 0 to 1023"},
           {"uvmatrix_UR_sliderSelect", "UV matrix UR: register 4/19, 0 to 255 (-128 to 127)"},
           {"HDV_V_sliderSelect", "HDV V position: bits 4-7 of register 3/5, 0 to 15 (-60 to 90)"},
           {"negativeSelect", "Negative picture: bit 7 of register 8/1"},
           {"colormodeSelect", "Colour mode: bits 2-7 of register 4/0, item index"},
           {"manualSelect", "Manual gain on (automatic gain off): register 2/4"},
           {"flcSelect", "Flicker compensation on or off: packet 80 8C"}};
    for (const auto &[name, tip] : tooltips)
        QCOMPARE(window.findChild<QWidget *>(name)->toolTip(), QString(tip));

    const QSize needed = window.findChild<QWidget *>("panelContents")->minimumSizeHint();
    QVERIFY2(needed.width() <= 1600 && needed.height() <= 900 - 40,
             qPrintable(QString("%1x%2").arg(needed.width()).arg(needed.height())));
    // On a smaller screen it takes the screen and scrolls.
    const QSize screen = window.screen()->availableSize();
    QVERIFY(window.width() <= screen.width() && window.height() <= screen.height());
    QStringList sections;
    QWidget *w = tty;
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
    } while (w != tty);
    QCOMPARE(sections,
             QStringList({"connectionSection", "exposureSection", "presetsSection", "gainSection", "colourSection",
                          "uvmatrixSection", "pictureSection", "displaySection", "positionsSection", "textSection",
                          "masksSection", "jogSection"}));
}

void TestWindow::failedOpenAsksAgain_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("refused"); // the errno open() gives, or 0 for the real call
    QTest::addColumn<QString>("informative");
    const auto error = [](int e) { return QString::fromLocal8Bit(strerror(e)); };
    QTest::newRow("missing") << "/nonexistent/ttyUSB7" << 0 << error(ENOENT);
    QTest::newRow("not a terminal") << "/dev/null" << 0
                                    << error(ENOTTY) + ".\nThis is not a serial device; nothing was written to it.";
    // Root opens everything, so these refusals come from the seam.
    QTest::newRow("permission") << "/dev/ttyUSB0" << EACCES
                                << error(EACCES)
            + ".\nOn Linux a serial port belongs to a group, usually dialout: add yourself with "
              "'sudo usermod -aG dialout $USER' and log in again.";
    QTest::newRow("busy") << "/dev/ttyUSB0" << EBUSY << "The port is in use by another program (" + error(EBUSY) + ").";
}

void TestWindow::failedOpenAsksAgain()
{
    QFETCH(QString, path);
    QFETCH(int, refused);
    QFETCH(QString, informative);
    WindowController window({path});
    SystemCalls calls;
    if (refused)
        calls.open = [refused](const char *, int) { return errno = refused, -1; };
    window.line().setSystemCalls(calls);
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
    const auto row = [](const char *name, const QByteArray &reply, const QStringList &logged, const QString &said) {
        QTest::newRow(name) << reply << logged << "Connected to %1 — " + said;
    };
    row("none", {}, {}, "no reply to the greeting");
    row("one byte", "A", {}, "device says 41 \"A\"");
    row("text", "SIM1", {"Message is >SIM1"}, "device says 53 49 4D 31 \"SIM1\"");
    row("00 2A", QByteArray("\0*", 2), {"Message is >"}, "device says 00 2A");
    row("zero inside", QByteArray("AB\0CD", 5), {"Message is >AB"}, "device says 41 42 00 43 44");
    row("300 bytes: 256 read, 16 shown", QByteArray(300, 'x'), {"Message is >" + QString(256, 'x')},
        "device says 78 78 78 78 78 78 78 78 78 78 78 78 78 78 78 78 … (256 bytes) \"xxxxxxxxxxxxxxxx…\"");
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
    QTest::addColumn<QString>("listedAs"); // listDevice()'s description, if any
    QTest::addColumn<QString>("item");
    QTest::newRow("--device and --open the same path") << ""
                                                       << "%1";
    QTest::newRow("--simulate") << "Simulated camera"
                                << "Simulated camera — %1";
}

void TestWindow::openedAtStart()
{
    QFETCH(QString, listedAs);
    QFETCH(QString, item);
    Panel panel(Panel::Closed); // lists the peer's path, as --device does
    const QString path = QString::fromStdString(panel.peer.slavePath());
    if (!listedAs.isEmpty())
        panel.window.listDevice(path, listedAs);
    panel.window.openDevice(path);
    QCOMPARE(hex(panel.peer.take(2)), QString("8E 12"));
    QTRY_VERIFY(panel.window.isConnected());
    auto *tty = panel.control<QComboBox>("ttySelect");
    QCOMPARE(tty->currentData().toString(), path);
    QCOMPARE(tty->currentText(), item.arg(path));
    QCOMPARE(paths(tty).count(path), 1);
    QVERIFY(::status(panel).startsWith("Connected to " + path + " — "));
}

// One key a character, as a keyboard or an input method types them: U+1F600
// is two UTF-16 units and goes out as two positions; past 24, nothing is kept.
void TestWindow::textEntryKeepsWhatGoesOut()
{
    Panel panel(Panel::Closed);
    auto *field = panel.control<QLineEdit>("textstringSelect");
    auto *left = panel.control<QLabel>("textLeft");
    field->setFocus();
    const auto type = [field](const QString &text) {
        for (const char32_t c : text.toUcs4())
            QTest::sendKeyEvent(QTest::KeyAction::Click, field, Qt::Key_unknown, QString::fromUcs4(&c, 1), {});
    };
    type(QString::fromUtf8("x\U0001F600y"));
    QCOMPARE(left->text(), QString("20 left"));
    type("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123");
    QCOMPARE(field->text(), QString::fromUtf8("x\U0001F600yABCDEFGHIJKLMNOPQRST"));
    QCOMPARE(left->text(), QString("0 left"));
}

// The placeholder names no device, and a list set from code fires no action.
// A port picked again is said goodbye to before it is opened again. Closing
// during a recall hides the window at once; what is queued goes out, then the
// farewell. No descriptor stays behind.
void TestWindow::portFromPickToClose()
{
    Panel panel(Panel::Closed);
    const int withWindow = openDescriptorCount();
    MessageBoxAnswers alerts({"Cancel"});
    auto *tty = panel.control<QComboBox>("ttySelect");
    chooseItem(tty, 0);
    tty->setCurrentIndex(tty->findText(QString::fromStdString(panel.peer.slavePath())));
    panel.settle();
    QVERIFY(alerts.seen.isEmpty());
    QVERIFY(!panel.window.isConnected());
    QCOMPARE(panel.peer.takeAll().size(), std::size_t(0));

    panel.open();
    QTRY_COMPARE(openDescriptorCount(), withWindow + 1);
    const QStringList again = panel.open();
    QCOMPARE(again.mid(0, 2), QStringList({"80", "8E 12"}));
    QCOMPARE(again.size(), 2 + 16);
    QTRY_COMPARE(openDescriptorCount(), withWindow + 1);

    panel.window.line().setPause(slowPause);
    panel.act("preset1Button");
    panel.window.close();
    QVERIFY(!panel.window.isVisible());
    const Bytes stream = panel.peer.take(16 * 11 + 1, 5s);
    QCOMPARE(stream.size(), std::size_t(16 * 11 + 1));
    QCOMPARE(hex(Bytes(stream.end() - 12, stream.end())), QString("01 00 28 05 02 04 00 01 01 18 AD 80"));
    QTRY_COMPARE(status(panel), QString("No port"));
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
    PtyPeer first;
    QVERIFY(QFile::link(QString::fromStdString(first.slavePath()), link));
    panel.window.openDevice(link); // as --open does, with a link of the user's
    QTRY_VERIFY(panel.window.isConnected());
    auto *tty = panel.control<QComboBox>("ttySelect");
    QCOMPARE(paths(tty).filter("camera-line"), QStringList{link});
    QCOMPARE(tty->currentText(), link);
    panel.settle();
    first.takeAll();

    LogCapture log;
    MessageBoxAnswers alerts({"Cancel"});
    if (hangUp)
        first.hangUp();
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
    PtyPeer &back = hangUp ? second : first;
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

    panel.act("preset2Button");
    panel.act("colorbarSelect");
    const QStringList sent = panel.sent();
    QCOMPARE(sent.size(), 17);
    QCOMPARE(sent.first(), QString("01 00 28 05 02 00 00 01 00 DD 61"));
    QCOMPARE(sent.last(), QString("01 00 28 05 08 02 00 01 08 76 C0"));
    QVERIFY2(ticks >= 20, qPrintable(QString::number(ticks))); // 16 frames of 25 ms

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

// The camera takes no frame within 0.1 s of the one before, nor a text frame
// or mask packet within 0.05 s; the click does not wait for them.
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
