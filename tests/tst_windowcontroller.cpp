// The window as a user meets it: its controls, the device list, picking a port
// (with the retry alert) or opening one at start, the greeting, the text
// entry, getting a pulled adapter back, and the farewell when it closes.
#include "benchwindow.h"
#include "ptypeer.h"
#include "testsupport.h"
#include "windowcontroller.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSerialPortInfo>
#include <QSlider>
#include <QTest>

#include <cstdio>

using namespace camdeck;
using namespace std::chrono_literals;

class TestWindowController : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void everyOutletIsInTheWindow_data();
    void everyOutletIsInTheWindow();
    void startUp();
    void fitsABenchScreen();
    void tabGoesSectionBySection();
    void placeholderOpensNothing();
    void settingTheListFromCodeOpensNothing();
    void failedOpenAsksAgain_data();
    void failedOpenAsksAgain();
    void greetingIsLogged_data();
    void greetingIsLogged();
    void openedAtStart_data();
    void openedAtStart();
    void textEntryKeepsWhatGoesOut_data();
    void textEntryKeepsWhatGoesOut();
    void closingSaysFarewell();
    void repickingLeaksNothing();
    void pulledAdapterIsToldOnce();
    void sameDeviceBackIsReopened_data();
    void sameDeviceBackIsReopened();

private:
    QTemporaryDir m_home; // opening a port loads and creates the preset files there
};

namespace {
QComboBox *ttySelect(WindowController &w)
{
    return w.findChild<QComboBox *>("ttySelect");
}

void pick(WindowController &w, const QString &path)
{
    QComboBox *tty = ttySelect(w);
    chooseItem(tty, tty->findText(path));
}
} // namespace

void TestWindowController::initTestCase()
{
    QVERIFY(m_home.isValid());
    qputenv("HOME", m_home.path().toLocal8Bit());
}

void TestWindowController::everyOutletIsInTheWindow_data()
{
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("names");
    QTest::newRow("pop-ups") << "QComboBox"
                             << "ttySelect sdvSelect hdvSelect xdrSelect eclipseSelect gammaSelect "
                                "fogSelect dnrSelect sharpnessSelect magnificationSelect "
                                "colormodeSelect textpositionSelect enhancerSelect";
    QTest::newRow("check boxes")
        << "QCheckBox"
        << "colorbarSelect crosshairSelect hflipSelect vflipSelect negativeSelect freezeSelect "
           "aspectSelect alcSelect aesSelect fixedshutterSelect slowshutterSelect agcSelect "
           "priorityagcSelect priorityslowshutterSelect blcSelect flcSelect autogainSelect "
           "manualSelect peakcontrolSelect atwSelect awbSelect textSelect";
    QTest::newRow("push buttons")
        << "QPushButton"
        << "centerSelect websiteSelect zoomSelect textupdateSelect maskbutton0Select "
           "maskbutton1Select maskbutton2Select maskbutton3Select maskbutton4Select buttonStop "
           "buttonForward buttonBack buttonLeft buttonRight save1Button save2Button save3Button "
           "save4Button save5Button preset1Button preset2Button preset3Button preset4Button "
           "preset5Button";
    QTest::newRow("sliders")
        << "QSlider"
        << "alcsliderSelect aessliderSelect fixedshuttersliderSelect slowshuttersliderSelect "
           "autogainsliderSelect manualsliderSelect peakcontrolsliderSelect atwsliderSelect "
           "awbsliderSelect colorsuppresssliderSelect colorgainsliderSelect "
           "colortonerysliderSelect colortonebysliderSelect uvmatrix_UR_sliderSelect "
           "uvmatrix_UG_sliderSelect uvmatrix_UB_sliderSelect uvmatrix_VR_sliderSelect "
           "uvmatrix_VG_sliderSelect uvmatrix_VB_sliderSelect autopanxsliderSelect "
           "autopanysliderSelect magnitudesliderSelect xpositionsliderSelect "
           "ypositionsliderSelect crosshairxpositionsliderSelect crosshairypositionsliderSelect "
           "SDV_H_sliderSelect SDV_V_sliderSelect HDV_H_sliderSelect HDV_V_sliderSelect "
           "speedSlide";
    QTest::newRow("value labels")
        << "QLabel"
        << "alcslidervalue aesslidervalue fixedshutterslidervalue slowshutterslidervalue "
           "autogainslidervalue manualslidervalue peakcontrolslidervalue atwslidervalue "
           "awbslidervalue colorsuppressslidervalue colorgainslidervalue colortoneryslidervalue "
           "colortonebyslidervalue uvmatrixURslidervalue uvmatrixUGslidervalue "
           "uvmatrixUBslidervalue uvmatrixVRslidervalue uvmatrixVGslidervalue "
           "uvmatrixVBslidervalue autopanxslidervalue autopanyslidervalue "
           "magnificationslidervalue magxposslidervalue magyposslidervalue "
           "crossxposslidervalue crossyposslidervalue SDV_H_slidervalue SDV_V_slidervalue "
           "HDV_H_slidervalue HDV_V_slidervalue";
    QTest::newRow("text fields") << "QLineEdit"
                                 << "textstringSelect speedCur mmDistance totalDist";
    QTest::newRow("progress") << "QProgressBar"
                              << "fileOpening";
}

void TestWindowController::everyOutletIsInTheWindow()
{
    QFETCH(QString, className);
    QFETCH(QString, names);
    WindowController window;
    QCOMPARE(window.objectName(), QString("myWindow"));
    for (const QString &name : names.split(' ', Qt::SkipEmptyParts)) {
        const auto found = window.findChildren<QWidget *>(name);
        QVERIFY2(found.size() == 1, qPrintable(name));
        QVERIFY2(found.first()->inherits(className.toLatin1()), qPrintable(name));
        // What it sets on the camera, for everything the user can act on.
        if (className != "QLabel")
            QVERIFY2(!found.first()->toolTip().isEmpty(), qPrintable(name));
    }
}

void TestWindowController::startUp()
{
    WindowController window({"/dev/extra0", "/dev/extra1"});
    window.show();
    QStringList expected{""};
    for (const QSerialPortInfo &port : QSerialPortInfo::availablePorts())
        expected << port.systemLocation();
    expected << "/dev/extra0"
             << "/dev/extra1";
    const auto paths = [&] {
        QStringList items;
        for (int i = 0; i < ttySelect(window)->count(); ++i)
            items << ttySelect(window)->itemData(i).toString();
        return items;
    };
    // The system's ports come once the window is up.
    QTRY_COMPARE(paths(), expected);
    QCOMPARE(ttySelect(window)->itemText(0), QString("Select Serial Device"));
    QCOMPARE(window.findChild<QLineEdit *>("speedCur")->text(), QString("45"));
    QVERIFY(!window.isConnected());
}

void TestWindowController::fitsABenchScreen()
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
}

void TestWindowController::tabGoesSectionBySection()
{
    WindowController window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QStringList sections;
    QWidget *start = window.findChild<QWidget *>("ttySelect");
    QWidget *w = start;
    do {
        if ((w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(&window)) {
            QWidget *group = w->parentWidget();
            while (group && !qobject_cast<QGroupBox *>(group))
                group = group->parentWidget();
            const QString section = group ? group->objectName() : QString();
            if (!section.isEmpty() && (sections.isEmpty() || sections.last() != section)) {
                QVERIFY2(!sections.contains(section), qPrintable(section + " is entered twice"));
                sections << section;
            }
        }
        w = w->nextInFocusChain();
    } while (w != start);
    QCOMPARE(sections,
             QStringList({"connectionSection", "exposureSection", "presetsSection", "gainSection",
                          "colourSection", "uvmatrixSection", "pictureSection", "displaySection",
                          "positionsSection", "textSection", "masksSection", "jogSection"}));
}

void TestWindowController::placeholderOpensNothing()
{
    PtyPeer peer;
    WindowController window({QString::fromStdString(peer.slavePath())});
    window.show();
    MessageBoxAnswers alerts({"Cancel"});
    chooseItem(ttySelect(window), 0);
    QTest::qWait(50);
    QVERIFY(alerts.seen.isEmpty());
    QVERIFY(!window.isConnected());
    QCOMPARE(peer.takeAll().size(), std::size_t(0));
}

void TestWindowController::settingTheListFromCodeOpensNothing()
{
    PtyPeer peer;
    WindowController window({QString::fromStdString(peer.slavePath())});
    ttySelect(window)->setCurrentIndex(1);
    QVERIFY(!window.isConnected());
}

void TestWindowController::failedOpenAsksAgain_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("informative");
    QTest::newRow("missing") << "/nonexistent/ttyUSB7" << QString::fromLocal8Bit(strerror(ENOENT));
    QTest::newRow("not a terminal") << "/dev/null"
                                    << QString::fromLocal8Bit(strerror(ENOTTY))
            + ".\nThis is not a serial device; nothing was written to it.";
}

void TestWindowController::failedOpenAsksAgain()
{
    QFETCH(QString, path);
    QFETCH(QString, informative);
    WindowController window({path});
    window.show();
    MessageBoxAnswers alerts({"OK", "Cancel"});
    pick(window, path);
    const QString said = "Try open again?\n" + informative;
    QTRY_COMPARE(alerts.seen, QStringList({said, said}));
    QVERIFY(!window.isConnected());
    QCOMPARE(window.findChild<QProgressBar *>("fileOpening")->maximum(), 1); // stopped
    QCOMPARE(window.findChild<QLabel *>("connectionStatus")->text(), QString("No port"));
}

// The log keeps the reply as a C string; the status bar shows its bytes.
void TestWindowController::greetingIsLogged_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QStringList>("logged");
    QTest::addColumn<QString>("status");
    QTest::newRow("none") << QByteArray() << QStringList()
                          << "Connected to %1 — no reply to the greeting";
    QTest::newRow("one byte") << QByteArray("A") << QStringList()
                              << "Connected to %1 — device says 41 \"A\"";
    QTest::newRow("text") << QByteArray("SIM1") << QStringList{"Message is >SIM1"}
                          << "Connected to %1 — device says 53 49 4D 31 \"SIM1\"";
    QTest::newRow("00 2A") << QByteArray("\0*", 2) << QStringList{"Message is >"}
                           << "Connected to %1 — device says 00 2A";
    QTest::newRow("zero inside") << QByteArray("AB\0CD", 5) << QStringList{"Message is >AB"}
                                 << "Connected to %1 — device says 41 42 00 43 44";
    QTest::newRow("300 bytes: 256 read, 16 shown")
        << QByteArray(300, 'x') << QStringList{"Message is >" + QString(256, 'x')}
        << "Connected to %1 — device says 78 78 78 78 78 78 78 78 78 78 78 78 78 78 78 78 … "
           "(256 bytes) \"xxxxxxxxxxxxxxxx…\"";
}

void TestWindowController::greetingIsLogged()
{
    QFETCH(QByteArray, reply);
    QFETCH(QStringList, logged);
    QFETCH(QString, status);
    PtyPeer peer;
    peer.answer({0x8E, 0x12}, Bytes(reply.begin(), reply.end()));
    WindowController window({QString::fromStdString(peer.slavePath())});
    window.line().setPause(peer.fastPause());
    window.show();

    LogCapture log;
    pick(window, QString::fromStdString(peer.slavePath()));
    QTRY_VERIFY(window.isConnected());
    QCOMPARE(hex(peer.take(2)), QString("8E 12"));
    QCOMPARE(log.linesOf("camdeck.link"), logged);
    QCOMPARE(window.findChild<QLabel *>("connectionStatus")->text(),
             status.arg(QString::fromStdString(peer.slavePath())));
    // The busy bar goes once preset 1 is on: its animation would go on for ever.
    QTRY_VERIFY(!window.findChild<QProgressBar *>("fileOpening")->isVisible());
}

// --device, --simulate and --open, as main() passes them on to the window.
void TestWindowController::openedAtStart_data()
{
    QTest::addColumn<QString>("listedAs"); // listDevice()'s description; "-": not listed
    QTest::addColumn<bool>("throughLink");
    QTest::addColumn<QString>("item");
    QTest::newRow("--open a link of the user's") << "-" << true << "%1";
    QTest::newRow("--device and --open the same path") << "-" << false << "%1";
    QTest::newRow("--simulate") << "Simulated camera" << false << "Simulated camera — %1";
}

void TestWindowController::openedAtStart()
{
    QFETCH(QString, listedAs);
    QFETCH(bool, throughLink);
    QFETCH(QString, item);
    Bench bench; // lists the peer's path, as --device does
    QTemporaryDir folder;
    QString path = QString::fromStdString(bench.peer.slavePath());
    if (throughLink) {
        const QString link = folder.filePath("camera-line");
        QVERIFY(QFile::link(path, link));
        path = link;
    }
    if (listedAs != "-")
        bench.window.listDevice(path, listedAs);
    bench.window.openDevice(path);

    QCOMPARE(hex(bench.peer.take(2)), QString("8E 12"));
    QTRY_VERIFY(bench.window.isConnected());
    QComboBox *tty = ttySelect(bench.window);
    QCOMPARE(tty->currentData().toString(), path);
    QCOMPARE(tty->currentText(), item.arg(path));
    int listed = 0;
    for (int i = 0; i < tty->count(); ++i)
        listed += tty->itemData(i).toString() == path ? 1 : 0;
    QCOMPARE(listed, 1);
    QVERIFY(bench.window.findChild<QLabel *>("connectionStatus")
                ->text()
                .startsWith("Connected to " + path + " — "));
}

void TestWindowController::textEntryKeepsWhatGoesOut_data()
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
    QTest::newRow("outside the basic plane")
        << QString::fromUtf8("x\U0001F600y") << QString::fromUtf8("x\U0001F600y") << "20 left";
}

void TestWindowController::textEntryKeepsWhatGoesOut()
{
    QFETCH(QString, typed);
    QFETCH(QString, kept);
    QFETCH(QString, left);
    WindowController window;
    window.show();
    auto *field = window.findChild<QLineEdit *>("textstringSelect");
    field->setFocus();
    // One key a character, as a keyboard or an input method types them.
    for (const char32_t c : typed.toUcs4())
        QTest::sendKeyEvent(QTest::KeyAction::Click, field, Qt::Key_unknown,
                            QString::fromUcs4(&c, 1), {});
    QCOMPARE(field->text(), kept);
    QCOMPARE(window.findChild<QLabel *>("textLeft")->text(), left);
}

void TestWindowController::closingSaysFarewell()
{
    PtyPeer peer;
    termios before{};
    tcgetattr(peer.slaveFd(), &before);
    {
        WindowController window({QString::fromStdString(peer.slavePath())});
        window.line().setPause(peer.fastPause());
        window.show();
        pick(window, QString::fromStdString(peer.slavePath()));
        QCOMPARE(hex(peer.take(2)), QString("8E 12"));
        peer.takeAll();
        window.close();
        QTRY_VERIFY(!window.isConnected());
    }
    QCOMPARE(hex(peer.takeAll()), QString("80"));
    termios after{};
    tcgetattr(peer.slaveFd(), &after);
    QCOMPARE(after.c_lflag, before.c_lflag);
    QCOMPARE(after.c_cflag, before.c_cflag);
}

void TestWindowController::repickingLeaksNothing()
{
    PtyPeer peer;
    const int descriptors = openDescriptorCount();
    {
        WindowController window({QString::fromStdString(peer.slavePath())});
        window.line().setPause(peer.fastPause());
        window.show();
        const int withWindow = openDescriptorCount();
        pick(window, QString::fromStdString(peer.slavePath()));
        QTRY_VERIFY(window.isConnected());
        pick(window, QString::fromStdString(peer.slavePath()));
        QTRY_VERIFY(window.isConnected());
        QTRY_COMPARE(openDescriptorCount(), withWindow + 1);
        window.close();
        QTRY_COMPARE(openDescriptorCount(), withWindow);
    }
    // Each opening greets and recalls preset 1; the first port was said goodbye
    // to before it was opened again.
    const QString stream = hex(peer.takeAll());
    QVERIFY2(stream.startsWith("8E 12 01 00 28 ") && stream.contains(" 80 8E 12 01 00 28 ")
                 && stream.endsWith(" 80"),
             qPrintable(stream));
    Q_UNUSED(descriptors);
}

void TestWindowController::pulledAdapterIsToldOnce()
{
    PtyPeer peer;
    const QString path = QString::fromStdString(peer.slavePath());
    WindowController window({path});
    window.line().setPause(peer.fastPause());
    window.show();
    pick(window, path);
    QTRY_VERIFY(window.isConnected());
    peer.takeAll();

    LogCapture log;
    MessageBoxAnswers alerts({"Cancel"});
    peer.hangUp();
    auto *colourBar = window.findChild<QCheckBox *>("colorbarSelect");
    for (int i = 0; i < 3; ++i)
        QTest::mouseClick(colourBar, Qt::LeftButton, {}, QPoint(8, 8));
    QTRY_VERIFY(!window.isConnected());
    QCOMPARE(log.linesOf("camdeck.link").size(), 1);
    QVERIFY(log.linesOf("camdeck.link").first().startsWith("Lost the serial line " + path));
    QVERIFY(alerts.seen.isEmpty());
    QVERIFY(
        window.findChild<QLabel *>("connectionStatus")->text().startsWith("Port lost: " + path));
    window.close(); // a farewell to a dead port fails quietly
    QCOMPARE(log.linesOf("camdeck.link").size(), 1);
}

// An adapter pulled and plugged back comes back under the same name: here a
// link, as /dev/serial/by-id/… is, pointed at a new pseudo-terminal.
void TestWindowController::sameDeviceBackIsReopened_data()
{
    QTest::addColumn<bool>("hangUp"); // else only the link goes
    QTest::addColumn<bool>("pickAnother");
    QTest::newRow("pulled, back under the same name") << true << false;
    QTest::newRow("its link removed, then made again") << false << false;
    QTest::newRow("another port picked meanwhile") << true << true;
}

void TestWindowController::sameDeviceBackIsReopened()
{
    QFETCH(bool, hangUp);
    QFETCH(bool, pickAnother);
    Bench bench; // its peer is the other port
    const QString other = QString::fromStdString(bench.peer.slavePath());
    QTemporaryDir folder;
    const QString link = folder.filePath("camera-line");
    auto first = std::make_unique<PtyPeer>();
    QVERIFY(QFile::link(QString::fromStdString(first->slavePath()), link));
    bench.window.openDevice(link);
    QTRY_VERIFY(bench.window.isConnected());
    bench.settle();
    first->takeAll();
    auto *status = bench.window.findChild<QLabel *>("connectionStatus");

    LogCapture log;
    MessageBoxAnswers alerts({"Cancel"});
    if (hangUp)
        first->hangUp();
    else
        QVERIFY(QFile::remove(link));
    QTRY_VERIFY2(status->text().startsWith("Port lost: " + link), qPrintable(status->text()));
    QVERIFY(!bench.window.isConnected());
    if (pickAnother) {
        chooseItem(ttySelect(bench.window), ttySelect(bench.window)->findData(other));
        QTRY_VERIFY(bench.window.isConnected());
        bench.settle();
    }

    // Back: the link made anew in one step, as udev makes a by-id link.
    PtyPeer second;
    PtyPeer &back = hangUp ? second : *first;
    const QString made = folder.filePath("made");
    QVERIFY(QFile::link(QString::fromStdString(back.slavePath()), made));
    QCOMPARE(std::rename(qPrintable(made), qPrintable(link)), 0);

    if (pickAnother) {
        QCOMPARE(back.takeAll(300ms).size(), std::size_t(0));
        QVERIFY2(status->text().startsWith("Connected to " + other), qPrintable(status->text()));
    } else {
        QTRY_VERIFY2(status->text().startsWith("Reconnected to " + link),
                     qPrintable(status->text()));
        bench.settle();
        // The greeting and preset 1 (16 frames, the first 2/0 = 01), once each.
        const Bytes stream = back.takeAll();
        QCOMPARE(hex(Bytes(stream.begin(), stream.begin() + 11)),
                 QString("8E 12 01 00 28 05 02 00 00 01 01"));
        QCOMPARE(stream.size(), std::size_t(2 + 16 * 11));
        QCOMPARE(ttySelect(bench.window)->currentData().toString(), link);
    }
    QVERIFY(alerts.seen.isEmpty());
    QCOMPARE(log.linesOf("camdeck.link").filter("Lost the serial line").size(), 1);
}

QTEST_MAIN(TestWindowController)
#include "tst_windowcontroller.moc"
