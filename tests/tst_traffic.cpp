// The status bar's last command and the traffic monitor: what each write and
// read shows, the bound on kept lines, copy and save, and a failed preset save.
#include "fixture.h"
#include "trafficmonitor.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QRegularExpression>

using namespace camdeck;
using Direction = SerialLine::Direction;

namespace {

// A user opening the View menu and picking the monitor's entry.
void toggleMonitorFromMenu(Panel &panel)
{
    QMenuBar *bar = panel.window.menuBar();
    QAction *view = bar->actions().first();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(view).center());
    QMenu *menu = view->menu();
    QVERIFY(QTest::qWaitForWindowExposed(menu));
    QAction *show = panel.window.findChild<QAction *>("showTrafficMonitor");
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(show).center());
    QTRY_VERIFY(!menu->isVisible());
}

// The kept lines without their time stamps.
QStringList untimed(const QString &text)
{
    static const QRegularExpression stamp(R"(^\d\d:\d\d:\d\d\.\d\d\d  )");
    QStringList lines = text.split('\n', Qt::SkipEmptyParts);
    for (QString &line : lines)
        line.remove(stamp);
    return lines;
}

} // namespace

class TestTraffic : public QObject {
    Q_OBJECT

private slots:
    void lastCommand_data();
    void lastCommand();
    void lines_data();
    void lines();
    void shownFromTheViewMenu();
    void keepsTheLastLinesOnly();
    void copyAndSave();
    void failedPresetSaveShows();
};

void TestTraffic::lastCommand_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<int>("item");
    QTest::addColumn<QString>("status");
    QTest::newRow("xdr item 2") << "xdrSelect" << 2 << "Sent: 3/0 XDR mode ← 0x02";
    QTest::newRow("jog right") << "buttonRight" << 0 << "Sent: jog right";
    QTest::newRow("stop: the travel query follows it") << "buttonStop" << 0 << "Sent: travel query";
    QTest::newRow("masks hidden: the last of four") << "maskbutton0Select" << 0 << "Sent: mask 3 hide";
}

void TestTraffic::lastCommand()
{
    QFETCH(QString, control);
    QFETCH(int, item);
    QFETCH(QString, status);
    Panel panel;
    panel.act(control, item);
    panel.settle();
    QCOMPARE(panel.control<QLabel>("lastCommandStatus")->text(), status);
}

void TestTraffic::lines_data()
{
    QTest::addColumn<QList<int>>("reads"); // per chunk: 1 read, 0 written
    QTest::addColumn<QStringList>("chunks");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("ALC on") << QList<int>{0} << QStringList{"01 00 28 05 02 00 00 01 01 DC 61"}
                            << QStringList{"sent  01 00 28 05 02 00 00 01 01 DC 61  2/0 exposure mode ← 0x01"};
    QTest::newRow("greeting and its reply")
        << QList<int>{0, 1} << QStringList{"8E 12", "53 49 4D 31"}
        << QStringList{"sent  8E 12  greeting", "read  53 49 4D 31  reply, 4 bytes"};
    QTest::newRow("a frame in two writes, a reply between: named by the write that ends it")
        << QList<int>{0, 1, 0} << QStringList{"01 00 28 05", "00", "02 00 00 01 01 DC 61"}
        << QStringList{"sent  01 00 28 05  ", "read  00  reply, 1 byte",
                       "sent  02 00 00 01 01 DC 61  2/0 exposure mode ← 0x01"};
    QTest::newRow("an adapter echoing the frame")
        << QList<int>{1} << QStringList{"85 01 01 00 00 00 79 00"}
        << QStringList{"read  85 01 01 00 00 00 79 00  reply, 8 bytes; jog left"};
    QTest::newRow("a bad CRC is shown as such")
        << QList<int>{0} << QStringList{"01 00 28 05 02 00 00 01 01 DC 62"}
        << QStringList{"sent  01 00 28 05 02 00 00 01 01 DC 62  bad CRC, ignored: 01 00 28 05 02 00 00 01 01 DC 62"};
}

void TestTraffic::lines()
{
    QFETCH(QList<int>, reads);
    QFETCH(QStringList, chunks);
    QFETCH(QStringList, expected);
    TrafficMonitor monitor;
    for (int i = 0; i < chunks.size(); ++i)
        monitor.record(reads[i] ? Direction::Read : Direction::Written, bytes(chunks[i]));
    QCOMPARE(untimed(monitor.text()), expected);
}

// Hidden at first, recording meanwhile; once shown, each write appears as it goes.
void TestTraffic::shownFromTheViewMenu()
{
    Panel panel(Panel::Closed);
    panel.peer.answer({0x8E, 0x12}, bytes("53 49 4D 31"));
    auto *monitor = panel.control<TrafficMonitor>("trafficMonitor");
    QVERIFY(!monitor->isVisible());
    panel.open();
    toggleMonitorFromMenu(panel);
    QVERIFY(monitor->isVisible());
    auto *view = panel.control<QPlainTextEdit>("trafficLines");
    QVERIFY(QRegularExpression(R"(^\d\d:\d\d:\d\d\.\d\d\d  sent  8E 12  greeting\n)")
                .match(view->toPlainText())
                .hasMatch());
    QCOMPARE(untimed(view->toPlainText()).mid(1, 2),
             (QStringList{"read  53 49 4D 31  reply, 4 bytes",
                          "sent  01 00 28 05 02 00 00 01 01 DC 61  2/0 exposure mode ← 0x01"}));
    panel.act("buttonBack");
    QTRY_COMPARE(untimed(view->toPlainText()).last(), QString("sent  85 01 02 00 00 00 78 00  jog back"));
    toggleMonitorFromMenu(panel);
    QVERIFY(!monitor->isVisible());
}

void TestTraffic::keepsTheLastLinesOnly()
{
    TrafficMonitor monitor(nullptr, 3);
    for (const char *jog : {"85 01 00 00 00 00 7A 00", "85 01 01 00 00 00 79 00", "85 01 02 00 00 00 78 00",
                            "85 01 03 00 00 00 77 00", "85 01 04 00 00 00 76 00"})
        monitor.record(Direction::Written, bytes(jog));
    const QStringList kept = untimed(monitor.text());
    QCOMPARE(kept.size(), 3);
    QVERIFY(kept[0].endsWith("jog back"));
    QVERIFY(kept[2].endsWith("stop"));
    monitor.show();
    QCOMPARE(monitor.findChild<QPlainTextEdit *>()->toPlainText() + '\n', monitor.text());
}

// Copy puts every kept line on the clipboard; Save writes them, or says why it could not.
void TestTraffic::copyAndSave()
{
    Panel panel;
    panel.act("buttonRight");
    panel.settle();
    auto *monitor = panel.control<TrafficMonitor>("trafficMonitor");
    toggleMonitorFromMenu(panel);
    const QString all = monitor->text();
    QVERIFY(all.endsWith("jog right\n"));
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
}

void TestTraffic::failedPresetSaveShows()
{
    Panel panel;
    auto *label = panel.control<QLabel>("lastCommandStatus");
    // A home under a regular file cannot exist, whoever runs the test.
    qputenv("HOME", (panel.home.file(1) + "/home").toLocal8Bit());
    panel.act("save3Button");
    QVERIFY2(label->text().startsWith("Preset 3 not saved: ") && label->text().size() > 20, qPrintable(label->text()));
    QCOMPARE(panel.sent(), QStringList()); // a save sends nothing
}

QTEST_MAIN(TestTraffic)
#include "tst_traffic.moc"
