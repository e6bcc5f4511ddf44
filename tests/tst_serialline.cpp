// The serial line on a real pseudo-terminal: settings, greeting, farewell,
// whole writes and the pause after each frame, measured on the master.
#include "link/sendqueue.h"
#include "ptypeer.h"
#include "testsupport.h"

#include <QTest>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <thread>
#include <unistd.h>

using namespace camdeck;
using namespace std::chrono_literals;

class TestSerialLine : public QObject {
    Q_OBJECT

private slots:
    void openAppliesRaw9600();
    void greetingReply_data();
    void greetingReply();
    void closeSaysFarewellAndRestores();
    void reopenClosesTheEarlierLine();
    void failedOpenLeavesNothingOpen_data();
    void failedOpenLeavesNothingOpen();
    void writeAllWaitsForAFullQueue();
    void writeAllGivesUpOnAStuckLine();
    void writesWithNoLineFail();
    void discardInputDropsOnlyWhatWaits();
    void framesArePacedInRealTime();
    void queueReportsInOrder();
    void lostLineDropsTheRestOfTheQueue();
};

namespace {

// Takes the queue's reports on this thread, as a window's event loop does,
// until done() holds; false after timeout.
template<class Done>
bool takeReportsUntil(SendQueue &queue, Done done, std::chrono::milliseconds timeout = 2s)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        pollfd waiting{queue.reportFd(), POLLIN, 0};
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        if (::poll(&waiting, 1, 10) > 0)
            queue.takeReports();
    }
    return true;
}

} // namespace

void TestSerialLine::openAppliesRaw9600()
{
    PtyPeer peer;
    SerialLine line;
    QVERIFY(line.open(peer.slavePath()).ok());

    termios t{};
    QCOMPARE(tcgetattr(peer.slaveFd(), &t), 0);
    QCOMPARE(t.c_cflag & (CSIZE | CSTOPB | PARENB | CREAD | CLOCAL | CRTSCTS),
             tcflag_t(CS8 | CREAD | CLOCAL));
    QCOMPARE(t.c_iflag, tcflag_t(0));
    QCOMPARE(t.c_oflag, tcflag_t(0));
    QCOMPARE(t.c_lflag, tcflag_t(0));
    QCOMPARE(int(t.c_cc[VMIN]), 0);
    QCOMPARE(int(t.c_cc[VTIME]), 0);
    QCOMPARE(cfgetispeed(&t), speed_t(B9600));
    QCOMPARE(cfgetospeed(&t), speed_t(B9600));
    QVERIFY(::fcntl(line.descriptor(), F_GETFL) & O_NONBLOCK);
}

void TestSerialLine::greetingReply_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("first");
    QTest::newRow("none") << QByteArray() << 0;
    QTest::newRow("one byte") << QByteArray("A") << 1;
    QTest::newRow("two bytes") << QByteArray("OK") << 2;
    QTest::newRow("300 bytes") << QByteArray(300, 'x') << 256;
}

void TestSerialLine::greetingReply()
{
    QFETCH(QByteArray, reply);
    QFETCH(int, first);
    PtyPeer peer;
    peer.answer({0x8E, 0x12}, Bytes(reply.begin(), reply.end()));
    SerialLine line;
    line.setPause(peer.fastPause());
    QVERIFY(line.open(peer.slavePath()).ok());

    const ReadResult answer = line.greet();
    QVERIFY(answer.ok());
    QCOMPARE(hex(peer.take(2)), QString("8E 12"));
    QCOMPARE(int(answer.data.size()), first);
    // What did not fit stays queued for the next read.
    std::size_t rest = 0;
    for (int tries = 0; tries < 100 && rest + first < std::size_t(reply.size()); ++tries) {
        rest += line.readAvailable(256).data.size();
        QTest::qSleep(5);
    }
    QCOMPARE(int(rest), int(reply.size()) - first);
}

void TestSerialLine::closeSaysFarewellAndRestores()
{
    PtyPeer peer;
    termios before{};
    tcgetattr(peer.slaveFd(), &before);
    QVERIFY(before.c_lflag & ICANON); // a fresh pty starts cooked

    SerialLine line;
    QVERIFY(line.open(peer.slavePath()).ok());
    line.close();
    QVERIFY(!line.isOpen());
    QCOMPARE(hex(peer.takeAll()), QString("80"));

    termios after{};
    tcgetattr(peer.slaveFd(), &after);
    QCOMPARE(after.c_lflag, before.c_lflag);
    QCOMPARE(after.c_iflag, before.c_iflag);
    QCOMPARE(after.c_oflag, before.c_oflag);
    QCOMPARE(after.c_cflag, before.c_cflag);
}

void TestSerialLine::reopenClosesTheEarlierLine()
{
    PtyPeer first, second;
    termios before{};
    tcgetattr(first.slaveFd(), &before);
    const int descriptors = openDescriptorCount();

    SerialLine line;
    QVERIFY(line.open(first.slavePath()).ok());
    QVERIFY(line.open(second.slavePath()).ok());
    QCOMPARE(hex(first.takeAll()), QString("80"));
    termios after{};
    tcgetattr(first.slaveFd(), &after);
    QCOMPARE(after.c_lflag, before.c_lflag);
    line.close();
    QCOMPARE(openDescriptorCount(), descriptors);
}

void TestSerialLine::failedOpenLeavesNothingOpen_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("error");
    QTest::newRow("missing") << "/nonexistent/ttyUSB9" << ENOENT;
    QTest::newRow("placeholder title") << "Select Serial Device" << ENOENT;
}

void TestSerialLine::failedOpenLeavesNothingOpen()
{
    QFETCH(QString, path);
    QFETCH(int, error);
    const int descriptors = openDescriptorCount();
    SerialLine line;
    QCOMPARE(line.open(path.toStdString()).error, error);
    QVERIFY(!line.isOpen());
    QCOMPARE(openDescriptorCount(), descriptors);
}

// A peer that reads nothing for a while: the pty fills up and write() says
// EAGAIN. The write goes on when the queue drains, and nothing is lost.
void TestSerialLine::writeAllWaitsForAFullQueue()
{
    int master = -1, slave = -1;
    char name[256] = {};
    QCOMPARE(::openpty(&master, &slave, name, nullptr, nullptr), 0);
    SerialLine line;
    QVERIFY(line.open(name).ok());

    Bytes big(64 * 1024);
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<std::uint8_t>(i * 7);
    Bytes received;
    std::thread drain([&] {
        std::this_thread::sleep_for(200ms);
        std::uint8_t buffer[4096];
        while (received.size() < big.size()) {
            const ssize_t n = ::read(master, buffer, sizeof buffer);
            if (n <= 0)
                break;
            received.insert(received.end(), buffer, buffer + n);
        }
    });
    const IoResult result = line.writeAll(big);
    drain.join();
    QCOMPARE(result.error, 0);
    QCOMPARE(result.count, big.size());
    QVERIFY(received == big);
    ::close(slave);
    ::close(master);
}

void TestSerialLine::writeAllGivesUpOnAStuckLine()
{
    int master = -1, slave = -1;
    char name[256] = {};
    QCOMPARE(::openpty(&master, &slave, name, nullptr, nullptr), 0);
    SerialLine line;
    QVERIFY(line.open(name).ok());

    const auto start = std::chrono::steady_clock::now();
    const IoResult result = line.writeAll(Bytes(256 * 1024, 0x55));
    const auto took = std::chrono::steady_clock::now() - start;
    QCOMPARE(result.error, ETIMEDOUT);
    QVERIFY(result.count < 256 * 1024);
    QVERIFY(took >= 900ms && took < 3s);
    ::close(slave);
    ::close(master);
}

void TestSerialLine::writesWithNoLineFail()
{
    SerialLine line;
    QCOMPARE(line.writeAll(commandFrame8(8, 2, 0)).error, EBADF);
    QCOMPARE(line.readAvailable(12).error, EBADF);
    line.close(); // nothing to do, nothing to fail
}

void TestSerialLine::discardInputDropsOnlyWhatWaits()
{
    PtyPeer peer;
    SerialLine line;
    line.discardInput(); // nothing open: nothing to do
    QVERIFY(line.open(peer.slavePath()).ok());
    peer.send({0x00, 0x64});
    QTRY_COMPARE(pendingInput(line.descriptor()), 2);
    line.discardInput();
    QCOMPARE(line.readAvailable(12).data.size(), std::size_t(0));
    peer.send({0x00, 0x0A});
    QTRY_COMPARE(pendingInput(line.descriptor()), 2);
    QCOMPARE(hex(line.readAvailable(12).data), QString("00 0A"));
}

void TestSerialLine::framesArePacedInRealTime()
{
    PtyPeer peer;
    SendQueue queue;
    queue.open(peer.slavePath());
    sendCommand8(queue, 8, 2, 8);
    sendCommand16(queue, 8, 3, 320);
    sendCommand32(queue, 8, 3, 320, 360);
    QCOMPARE(hex(peer.take(2)), QString("8E 12"));
    QCOMPARE(peer.take(11 + 12 + 14).size(), std::size_t(37));

    // When did the first byte of each frame reach the master?
    const std::size_t starts[] = {0, 11, 23};
    std::vector<PtyPeer::Clock::time_point> at;
    std::size_t offset = 0;
    auto arrivals = peer.arrivals();
    arrivals.front().bytes.erase(arrivals.front().bytes.begin(),
                                 arrivals.front().bytes.begin() + 2);
    for (const auto &arrival : arrivals) {
        for (std::size_t s : starts) {
            if (s >= offset && s < offset + arrival.bytes.size())
                at.push_back(arrival.at);
        }
        offset += arrival.bytes.size();
    }
    QCOMPARE(at.size(), std::size_t(3));
    // The peer's clock runs on another thread: a busy machine can wake it a few
    // milliseconds late for one frame, which shortens one gap and lengthens the next.
    constexpr auto jitter = 5ms;
    for (int i = 1; i < 3; ++i) {
        const auto gap = std::chrono::duration_cast<std::chrono::milliseconds>(at[i] - at[i - 1]);
        QVERIFY2(gap >= 100ms - jitter && gap <= 120ms, qPrintable(QString::number(gap.count())));
    }
    QVERIFY(at[2] - at[0] >= 200ms - jitter);
}

// What the queue says comes in the order it happened: opened with the
// greeting's answer, the bytes, the progress of a job, the reply to a request
// after its wait, idle.
void TestSerialLine::queueReportsInOrder()
{
    PtyPeer peer;
    peer.answer({0x8E, 0x12}, {0x4F, 0x4B});
    peer.answer({0x8E, 0x13}, {0x00, 0x64});
    QStringList said;
    std::vector<std::chrono::milliseconds> pauses;
    {
        SendQueue queue(SendQueue::Reporting::ToOwner);
        auto fast = peer.fastPause();
        queue.setPause([&](std::chrono::milliseconds d) {
            pauses.push_back(d); // only the queue's thread pauses; read after it ends
            fast(d);
        });
        SendQueue::Reports reports;
        reports.opened
            = [&](const std::string &, const OpenResult &result, const ReadResult &reply) {
                  said << QString("opened %1, answer %2").arg(result.ok()).arg(hex(reply.data));
              };
        reports.progress = [&](const std::string &job, int done, int total) {
            said << QString("%1 %2/%3").arg(QString::fromStdString(job)).arg(done).arg(total);
        };
        reports.idle = [&] { said << "idle"; };
        reports.closed = [&] { said << "closed"; };
        queue.setReports(reports);

        queue.open(peer.slavePath());
        {
            const SendQueue::Job job(queue, "two");
            sendCommand8(queue, 8, 2, 8);
            queue.send(checksumPacket(0x85, 0x01, 0x00, 0x00, 0x00), 0ms);
        }
        queue.request({0x8E, 0x13}, 500ms, 12,
                      [&](const ReadResult &reply) { said << "reply " + hex(reply.data); });
        queue.close();
        QVERIFY(takeReportsUntil(queue,
                                 [&] { return said.contains("closed") && said.last() == "idle"; }));
        said.removeAll("idle"); // a slow test thread may let the queue run dry in between
        QCOMPARE(
            said,
            QStringList({"opened 1, answer 4F 4B", "two 1/2", "two 2/2", "reply 00 64", "closed"}));
    }
    QCOMPARE(hex(peer.takeAll()),
             QString("8E 12 01 00 28 05 08 02 00 01 08 76 C0 "
                     "85 01 00 00 00 00 7A 00 8E 13 80"));
    QCOMPARE(pauses, (std::vector<std::chrono::milliseconds>{250ms, 100ms, 500ms}));
}

// A device gone in the middle: the rest of what was queued for it is not
// written and not waited for, and the loss is told once.
void TestSerialLine::lostLineDropsTheRestOfTheQueue()
{
    PtyPeer peer;
    QStringList said;
    SendQueue queue(SendQueue::Reporting::ToOwner);
    SendQueue::Reports reports;
    reports.failed = [&](const SendQueue::Failure &f) {
        said << QString("%1 %2").arg(f.lost ? "lost" : "failed").arg(f.error);
    };
    queue.setReports(reports);
    queue.open(peer.slavePath());
    sendCommand8(queue, 8, 2, 8);
    QCOMPARE(peer.take(2 + 11).size(), std::size_t(13));
    peer.hangUp();

    const auto pulled = std::chrono::steady_clock::now();
    for (int i = 0; i < 16; ++i)
        sendCommand8(queue, 2, 0, 1);
    QVERIFY(takeReportsUntil(queue, [&] { return !said.isEmpty() && !queue.busy(); }));
    QVERIFY(std::chrono::steady_clock::now() - pulled < 1s); // not sixteen pauses
    takeReportsUntil(
        queue, [] { return false; }, 50ms);
    QCOMPARE(said, QStringList{"lost 5"});
}

QTEST_GUILESS_MAIN(TestSerialLine)
#include "tst_serialline.moc"
