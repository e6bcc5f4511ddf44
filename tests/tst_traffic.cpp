// The traffic monitor and the status bar's last command: what each write and
// read shows, the bound on kept lines, copy and save, a failed preset save.
#include "fixture.h"
#include "trafficmonitor.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QSignalSpy>

using namespace camdeck;

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

class TestTraffic : public QObject {
    Q_OBJECT

private slots:
    void lines_data();
    void lines();
    void monitorFromTheViewMenu();
};

void TestTraffic::lines_data()
{
    QTest::addColumn<int>("keep"); // lines kept; 0: as many as the panel keeps
    QTest::addColumn<QStringList>("chunks"); // "> " written, "< " read
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QString>("lastSent"); // for the status bar
    const auto row = [](const char *name, int keep, QStringList chunks, QStringList lines, QString named) {
        QTest::newRow(name) << keep << chunks << lines << named;
    };
    row("ALC on", 0, {"> 01 00 28 05 02 00 00 01 01 DC 61"},
        {"sent  01 00 28 05 02 00 00 01 01 DC 61  2/0 exposure mode ← 0x01"}, "2/0 exposure mode ← 0x01");
    row("greeting and its reply", 0, {"> 8E 12", "< 53 49 4D 31"},
        {"sent  8E 12  greeting", "read  53 49 4D 31  reply, 4 bytes"}, "greeting");
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
void TestTraffic::lines()
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
void TestTraffic::monitorFromTheViewMenu()
{
    Panel panel;
    auto *monitor = panel.control<TrafficMonitor>("trafficMonitor");
    QVERIFY(!monitor->isVisible());
    toggleMonitorFromMenu(panel);
    QVERIFY(monitor->isVisible());
    auto *view = panel.control<QPlainTextEdit>("trafficLines");
    QCOMPARE(untimed(view->toPlainText()).first(), QString("sent  8E 12  greeting"));
    panel.act("buttonBack");
    QTRY_COMPARE(untimed(view->toPlainText()).last(), QString("sent  85 01 02 00 00 00 78 00  jog back"));
    QCOMPARE(panel.sent(), QStringList{"85 01 02 00 00 00 78 00"});
    QCOMPARE(panel.control<QLabel>("lastCommandStatus")->text(), QString("Sent: jog back"));
    const QString all = monitor->text();
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
    toggleMonitorFromMenu(panel);
    QVERIFY(!monitor->isVisible());

    // A home under a regular file cannot exist, whoever runs the test.
    qputenv("HOME", (panel.home.file(1) + "/home").toLocal8Bit());
    panel.act("save3Button");
    const QString status = panel.control<QLabel>("lastCommandStatus")->text();
    QVERIFY2(status.startsWith("Preset 3 not saved: ") && status.size() > 20, qPrintable(status));
    QCOMPARE(panel.sent(), QStringList()); // a save sends nothing
}

QTEST_MAIN(TestTraffic)
#include "tst_traffic.moc"
