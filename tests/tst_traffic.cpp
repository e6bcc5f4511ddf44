// The status bar's last command and the traffic monitor, on the real window and
// a pseudo-terminal: what each write and read shows, the bound on kept lines,
// copy and save, and a preset save that fails.
#include "fixture.h"
#include "protocol/jog.h"
#include "trafficmonitor.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>

using namespace camdeck;
using Direction = SerialLine::Direction;

namespace {

const Bytes greeting{0x8E, 0x12};
const Bytes identification = bytes("53 49 4D 31"); // "SIM1"

TrafficMonitor *monitorOf(Panel &bench)
{
    return bench.control<TrafficMonitor>("trafficMonitor");
}

// A user opening the View menu and picking the monitor's entry.
void toggleMonitorFromMenu(Panel &bench)
{
    QMenuBar *bar = bench.window.menuBar();
    auto *show = bench.window.findChild<QAction *>(QStringLiteral("showTrafficMonitor"));
    QVERIFY(show);
    QAction *view = nullptr;
    for (QAction *a : bar->actions()) {
        if (a->menu() && a->menu()->actions().contains(show))
            view = a;
    }
    QVERIFY(view);
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(view).center());
    QMenu *menu = view->menu();
    QVERIFY(QTest::qWaitForWindowExposed(menu));
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(show).center());
    QTRY_VERIFY(!menu->isVisible());
}

QStringList splitLines(const QString &text)
{
    return text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// A kept line without its time stamp, which is checked once on its own.
QString untimed(const QString &line)
{
    static const QRegularExpression stamp(QStringLiteral(R"(^\d\d:\d\d:\d\d\.\d\d\d  )"));
    QString rest = line;
    return rest.remove(stamp);
}

} // namespace

class TestTraffic : public QObject {
    Q_OBJECT

private slots:
    void lastCommand_data();
    void lastCommand();
    void lineText_data();
    void lineText();
    void hiddenByDefaultAndShownFromTheViewMenu();
    void keepsTheLastLinesOnly();
    void copyAndSave();
    void failedPresetSaveShows();
};

void TestTraffic::lastCommand_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<int>("item"); // -1: a button click
    QTest::addColumn<QString>("status");
    QTest::newRow("xdr item 2") << "xdrSelect" << 2 << "Sent: 3/0 XDR mode ← 0x02";
    QTest::newRow("gamma item 4") << "gammaSelect" << 4 << "Sent: 3/6 gamma ← 0x04";
    QTest::newRow("jog right") << "buttonRight" << -1 << "Sent: jog right";
    QTest::newRow("jog forward") << "buttonForward" << -1 << "Sent: jog forward";
    QTest::newRow("stop: the travel query follows it")
        << "buttonStop" << -1 << "Sent: travel query";
    QTest::newRow("masks hidden: the last of four")
        << "maskbutton0Select" << -1 << "Sent: mask 3 hide";
}

void TestTraffic::lastCommand()
{
    QFETCH(QString, control);
    QFETCH(int, item);
    QFETCH(QString, status);
    Panel bench;
    auto *label = bench.control<QLabel>("lastCommandStatus");
    QWidget *widget = bench.control<QWidget>(control.toLatin1().constData());
    if (item >= 0)
        chooseItem(qobject_cast<QComboBox *>(widget), item);
    else
        QTest::mouseClick(widget, Qt::LeftButton);
    QTRY_COMPARE(label->text(), status);
}

void TestTraffic::lineText_data()
{
    QTest::addColumn<QList<int>>("reads"); // per chunk: 1 read, 0 written
    QTest::addColumn<QStringList>("chunks");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("ALC on") << QList<int>{0} << QStringList{"01 00 28 05 02 00 00 01 01 DC 61"}
                            << QStringList{"sent  01 00 28 05 02 00 00 01 01 DC 61  "
                                           "2/0 exposure mode ← 0x01"};
    QTest::newRow("jog left") << QList<int>{0} << QStringList{"85 01 01 00 00 00 79 00"}
                              << QStringList{"sent  85 01 01 00 00 00 79 00  jog left"};
    QTest::newRow("greeting and its reply")
        << QList<int>{0, 1} << QStringList{"8E 12", "53 49 4D 31"}
        << QStringList{"sent  8E 12  greeting", "read  53 49 4D 31  reply, 4 bytes"};
    QTest::newRow("a frame in two writes: named by the write that ends it")
        << QList<int>{0, 0} << QStringList{"01 00 28 05", "02 00 00 01 01 DC 61"}
        << QStringList{"sent  01 00 28 05  ",
                       "sent  02 00 00 01 01 DC 61  2/0 exposure mode ← 0x01"};
    QTest::newRow("a reply between the pieces does not break the frame")
        << QList<int>{0, 1, 0} << QStringList{"01 00 28 05", "00 07", "02 00 00 01 01 DC 61"}
        << QStringList{"sent  01 00 28 05  ", "read  00 07  reply, 2 bytes",
                       "sent  02 00 00 01 01 DC 61  2/0 exposure mode ← 0x01"};
    QTest::newRow("an adapter echoing the frame")
        << QList<int>{1} << QStringList{"01 00 28 05 02 00 00 01 01 DC 61"}
        << QStringList{"read  01 00 28 05 02 00 00 01 01 DC 61  reply, 11 bytes; "
                       "2/0 exposure mode ← 0x01"};
    QTest::newRow("a bad CRC is shown as such")
        << QList<int>{0} << QStringList{"01 00 28 05 02 00 00 01 01 DC 62"}
        << QStringList{"sent  01 00 28 05 02 00 00 01 01 DC 62  "
                       "bad CRC, ignored: 01 00 28 05 02 00 00 01 01 DC 62"};
}

void TestTraffic::lineText()
{
    QFETCH(QList<int>, reads);
    QFETCH(QStringList, chunks);
    QFETCH(QStringList, expected);
    TrafficMonitor monitor;
    for (int i = 0; i < chunks.size(); ++i) {
        const Bytes chunk = bytes(chunks[i]);
        monitor.record(reads[i] ? Direction::Read : Direction::Written, chunk);
    }
    QStringList got;
    for (const QString &line : splitLines(monitor.text()))
        got << untimed(line);
    QCOMPARE(got, expected);
}

void TestTraffic::hiddenByDefaultAndShownFromTheViewMenu()
{
    Panel bench(Panel::Closed);
    bench.peer.answer(greeting, identification);
    TrafficMonitor *monitor = monitorOf(bench);
    QVERIFY(!monitor->isVisible());
    bench.open(); // recorded while hidden

    toggleMonitorFromMenu(bench);
    QVERIFY(monitor->isVisible());
    auto *view = bench.control<QPlainTextEdit>("trafficLines");
    const QStringList shown = splitLines(view->toPlainText());
    QVERIFY(shown.size() >= 3);
    QVERIFY2(
        QRegularExpression(QStringLiteral(R"(^\d\d:\d\d:\d\d\.\d\d\d  sent  8E 12  greeting$)"))
            .match(shown[0])
            .hasMatch(),
        qPrintable(shown[0]));
    QCOMPARE(untimed(shown[1]), QStringLiteral("read  53 49 4D 31  reply, 4 bytes"));
    QVERIFY2(shown[2].contains(QStringLiteral("sent  01 00 28 ")), qPrintable(shown[2]));

    // While shown, each write appears as it goes.
    QTest::mouseClick(bench.control<QPushButton>("buttonBack"), Qt::LeftButton);
    QTRY_COMPARE(untimed(splitLines(view->toPlainText()).last()),
                 QStringLiteral("sent  85 01 02 00 00 00 78 00  jog back"));

    toggleMonitorFromMenu(bench);
    QVERIFY(!monitor->isVisible());
}

void TestTraffic::keepsTheLastLinesOnly()
{
    PtyPeer peer;
    SerialLine line;
    QVERIFY(line.open(peer.slavePath()).ok());
    TrafficMonitor monitor(nullptr, 3);
    line.setTap([&](SerialLine::Direction direction, const std::uint8_t *data, std::size_t size) {
        monitor.record(direction, Bytes(data, data + size));
    });
    for (JogDirection d : {JogDirection::Right, JogDirection::Left, JogDirection::Back,
                           JogDirection::Forward, JogDirection::Stop})
        QVERIFY(line.writePacket(jogPacket(d)).ok());
    peer.take(5 * 8);
    line.setTap({});

    const QStringList kept = splitLines(monitor.text());
    QCOMPARE(kept.size(), 3);
    QVERIFY(kept[0].endsWith(QStringLiteral("jog back")));
    QVERIFY(kept[2].endsWith(QStringLiteral("stop")));
    monitor.show();
    QCOMPARE(monitor.findChild<QPlainTextEdit *>()->toPlainText() + QLatin1Char('\n'),
             monitor.text());
}

void TestTraffic::copyAndSave()
{
    Panel bench;
    bench.act("buttonRight");
    bench.settle();
    TrafficMonitor *monitor = monitorOf(bench);
    toggleMonitorFromMenu(bench);
    const QString all = monitor->text();
    QVERIFY(all.endsWith(QStringLiteral("jog right\n")));

    QApplication::clipboard()->clear();
    QTest::mouseClick(bench.control<QPushButton>("copyTraffic"), Qt::LeftButton);
    QCOMPARE(QApplication::clipboard()->text(), all);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("traffic.txt"));
    monitor->setPathChooser([&] { return path; });
    QTest::mouseClick(bench.control<QPushButton>("saveTraffic"), Qt::LeftButton);
    QFile saved(path);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(saved.readAll()), all);

    // A place that cannot hold the file is said so, not passed over.
    MessageBoxAnswers answers({QStringLiteral("OK")});
    monitor->setPathChooser([&] { return path + QStringLiteral("/under-a-file.txt"); });
    QTest::mouseClick(bench.control<QPushButton>("saveTraffic"), Qt::LeftButton);
    QCOMPARE(answers.seen.size(), 1);
    QVERIFY2(answers.seen[0].contains(QStringLiteral("not saved")), qPrintable(answers.seen[0]));
}

void TestTraffic::failedPresetSaveShows()
{
    Panel bench;
    auto *label = bench.control<QLabel>("lastCommandStatus");
    QVERIFY(label->text().startsWith(QStringLiteral("Sent: ")));
    // A home under a regular file cannot exist, whoever runs the test.
    qputenv("HOME", (bench.home.file(1) + QStringLiteral("/home")).toLocal8Bit());
    bench.act("save3Button");
    QVERIFY2(label->text().startsWith(QStringLiteral("Preset 3 not saved: ")),
             qPrintable(label->text()));
    QVERIFY(label->text().size() > QStringLiteral("Preset 3 not saved: ").size());
    QCOMPARE(bench.sent(), QStringList()); // a save sends nothing
}

QTEST_MAIN(TestTraffic)
#include "tst_traffic.moc"
