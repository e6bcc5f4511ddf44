// The window while its queue is busy: it keeps answering, what the user does
// goes out behind what is queued, closing lets the queue finish first, and a
// lost port stops it.
#include "benchwindow.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>

#include <thread>

using namespace std::chrono_literals;
using camdeck::Bytes;

namespace {

// Slow enough to keep the queue busy for a while, quick enough for a test.
void slowPause(std::chrono::milliseconds d)
{
    std::this_thread::sleep_for(d / 4);
}

constexpr std::size_t recallBytes = 16 * 11;

} // namespace

class TestSendQueue : public QObject {
    Q_OBJECT

private slots:
    void init() { qputenv("HOME", m_home.path().toLocal8Bit()); }
    void windowAnswersDuringARecall();
    void clickDuringARecallGoesAfterIt();
    void closingDuringARecallSendsTheRestThenTheFarewell();
    void lostPortMidQueueStopsAndIsToldOnce();

private:
    QTemporaryDir m_home;
};

void TestSendQueue::windowAnswersDuringARecall()
{
    Bench bench;
    bench.open();
    bench.window.line().setPause(slowPause);
    int ticks = 0;
    QTimer timer;
    timer.setInterval(5);
    connect(&timer, &QTimer::timeout, [&ticks] { ++ticks; });
    timer.start();
    QStringList shown;
    connect(bench.window.statusBar(), &QStatusBar::messageChanged,
            [&shown](const QString &message) { shown << message; });

    QTest::mouseClick(bench.control<QPushButton>("preset2Button"), Qt::LeftButton);
    QCOMPARE(bench.peer.take(recallBytes, 5s).size(), recallBytes);
    bench.settle();
    // 16 frames of 25 ms: the window's own timer went on all the while.
    QVERIFY2(ticks >= 20, qPrintable(QString::number(ticks)));
    QVERIFY(shown.contains("Applying preset 2 — 1 of 16"));
    QVERIFY(shown.contains("Applying preset 2 — 16 of 16"));
    QCOMPARE(bench.window.statusBar()->currentMessage(), QString());
}

void TestSendQueue::clickDuringARecallGoesAfterIt()
{
    Bench bench;
    bench.open();
    bench.window.line().setPause(slowPause);
    QTest::mouseClick(bench.control<QPushButton>("preset1Button"), Qt::LeftButton);
    Bench::tick(bench.control<QCheckBox>("colorbarSelect"));
    bench.settle();
    const Bytes stream = bench.peer.takeAll();
    QCOMPARE(stream.size(), recallBytes + 11);
    QCOMPARE(hex(Bytes(stream.begin(), stream.begin() + 11)),
             QString("01 00 28 05 02 00 00 01 01 DC 61"));
    QCOMPARE(hex(Bytes(stream.end() - 11, stream.end())),
             QString("01 00 28 05 08 02 00 01 08 76 C0"));
}

void TestSendQueue::closingDuringARecallSendsTheRestThenTheFarewell()
{
    Bench bench;
    termios before{};
    tcgetattr(bench.peer.slaveFd(), &before);
    bench.open();
    bench.window.line().setPause(slowPause);
    QTest::mouseClick(bench.control<QPushButton>("preset1Button"), Qt::LeftButton);
    bench.window.close();
    QVERIFY(!bench.window.isVisible()); // gone at once; the line is not

    const Bytes stream = bench.peer.take(recallBytes + 1, 5s);
    QCOMPARE(stream.size(), recallBytes + 1);
    QCOMPARE(hex(Bytes(stream.end() - 12, stream.end())),
             QString("01 00 28 05 02 04 00 01 01 18 AD 80"));
    QTRY_VERIFY(!bench.window.line().busy());
    termios after{};
    tcgetattr(bench.peer.slaveFd(), &after);
    QCOMPARE(after.c_lflag, before.c_lflag);
}

void TestSendQueue::lostPortMidQueueStopsAndIsToldOnce()
{
    Bench bench;
    bench.open();
    bench.realTime();
    LogCapture log;
    QTest::mouseClick(bench.control<QPushButton>("preset1Button"), Qt::LeftButton);
    QCOMPARE(bench.peer.take(11).size(), std::size_t(11));
    const auto pulled = std::chrono::steady_clock::now();
    bench.peer.hangUp();

    // Noticed during the pause, not 1.5 s later when the recall would be over.
    QTRY_VERIFY(!bench.window.line().busy());
    QVERIFY(std::chrono::steady_clock::now() - pulled < 1s);
    QTRY_VERIFY(!bench.window.isConnected());
    Bench::tick(bench.control<QCheckBox>("colorbarSelect"));
    bench.settle();
    QCOMPARE(log.linesOf("camdeck.link").size(), 1);
    QVERIFY(bench.control<QLabel>("connectionStatus")->text().startsWith("Port lost: "));
}

QTEST_MAIN(TestSendQueue)
#include "tst_sendqueue.moc"
