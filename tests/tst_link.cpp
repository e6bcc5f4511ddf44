// The port and its queue on real pseudo-terminals, and what a bench does to
// them: wrong files, busy ports, refused settings, adapters pulled mid-session,
// signals. Failing system calls are slipped under the line where a pty cannot
// misbehave on its own.
#include "fixture.h"
#include "link/sendqueue.h"

#include <QTemporaryFile>

#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/file.h>
#include <thread>

using namespace camdeck;
using namespace std::chrono_literals;

namespace {

bool sameSettings(const termios &a, const termios &b)
{
    return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag && a.c_lflag == b.c_lflag
        && std::memcmp(a.c_cc, b.c_cc, sizeof a.c_cc) == 0;
}

// Takes the queue's reports on this thread, as a window's event loop does,
// until done() holds; false after timeout.
template<class Done> bool takeReportsUntil(SendQueue &queue, Done done, std::chrono::milliseconds timeout = 2s)
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

class TestLink : public QObject {
    Q_OBJECT

private slots:
    void openAppliesRaw9600();
    void refusedOpens_data();
    void refusedOpens();
    void greetingReply_data();
    void greetingReply();
    void closeSaysFarewellAndRestores();
    void writesWaitForAFullQueueButNotForEver();
    void discardInputDropsOnlyWhatWaits();
    void pulledAdapterIsToldOnce_data();
    void pulledAdapterIsToldOnce();
    void signalsAreRetried_data();
    void signalsAreRetried();
    void queueReportsInOrder();
};

void TestLink::openAppliesRaw9600()
{
    PtyPeer peer;
    SerialLine line;
    QVERIFY(line.open(peer.slavePath()).ok());
    termios t{};
    QCOMPARE(tcgetattr(peer.slaveFd(), &t), 0);
    QCOMPARE(t.c_cflag & (CSIZE | CSTOPB | PARENB | CREAD | CLOCAL | CRTSCTS), tcflag_t(CS8 | CREAD | CLOCAL));
    QCOMPARE(t.c_iflag | t.c_oflag | t.c_lflag, tcflag_t(0));
    QCOMPARE(int(t.c_cc[VMIN]) + int(t.c_cc[VTIME]), 0);
    QCOMPARE(cfgetispeed(&t), speed_t(B9600));
    QCOMPARE(cfgetospeed(&t), speed_t(B9600));
    QVERIFY(::fcntl(line.descriptor(), F_GETFL) & O_NONBLOCK);
}

void TestLink::refusedOpens_data()
{
    QTest::addColumn<QString>("what");
    QTest::addColumn<int>("reason");
    QTest::addColumn<int>("error");
    QTest::newRow("missing") << "/nonexistent/ttyUSB9" << int(OpenResult::OpenFailed) << ENOENT;
    QTest::newRow("the list's placeholder") << "Select Serial Device" << int(OpenResult::OpenFailed) << ENOENT;
    QTest::newRow("regular file") << "file" << int(OpenResult::NotATerminal) << ENOTTY;
    QTest::newRow("/dev/null") << "/dev/null" << int(OpenResult::NotATerminal) << ENOTTY;
    QTest::newRow("held by another program") << "busy" << int(OpenResult::InUse) << EBUSY;
    QTest::newRow("a driver that keeps hardware flow control")
        << "flow control" << int(OpenResult::SettingsNotTaken) << EINVAL;
    QTest::newRow("a driver that keeps XON/XOFF") << "xon" << int(OpenResult::SettingsNotTaken) << EINVAL;
}

// Nothing stays open, nothing is written, the settings are as they were found.
void TestLink::refusedOpens()
{
    QFETCH(QString, what);
    QFETCH(int, reason);
    QFETCH(int, error);
    PtyPeer peer;
    QTemporaryFile file;
    QVERIFY(file.open());
    termios before{};
    tcgetattr(peer.slaveFd(), &before);
    int other = -1;
    SerialLine line;
    std::string path = what.toStdString();
    if (what == "file") {
        path = file.fileName().toStdString();
    } else if (what == "busy") {
        path = peer.slavePath();
        other = ::open(path.c_str(), O_RDWR | O_NOCTTY);
        QCOMPARE(::flock(other, LOCK_EX | LOCK_NB), 0);
    } else if (what == "flow control" || what == "xon") {
        path = peer.slavePath();
        SystemCalls calls;
        calls.tcgetattr = [xon = what == "xon"](int fd, termios *t) {
            const int r = ::tcgetattr(fd, t);
            if ((t->c_lflag & ICANON) == 0)
                (xon ? t->c_iflag : t->c_cflag) |= xon ? IXOFF : CRTSCTS;
            return r;
        };
        line.setSystemCalls(calls);
    }
    const int descriptors = openDescriptorCount();
    const OpenResult result = line.open(path);
    QCOMPARE(int(result.reason), reason);
    QCOMPARE(result.error, error);
    QVERIFY(!line.isOpen());
    QCOMPARE(openDescriptorCount(), descriptors);
    line.close();
    QCOMPARE(file.size(), 0);
    QCOMPARE(peer.takeAll().size(), std::size_t(0));
    termios after{};
    tcgetattr(peer.slaveFd(), &after);
    QVERIFY(sameSettings(before, after));
    if (other >= 0) {
        ::close(other); // once the other program lets go, the port opens
        QVERIFY(line.open(path).ok());
    }
}

void TestLink::greetingReply_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("first");
    QTest::newRow("silence is no reply, and no lost device") << QByteArray() << 0;
    QTest::newRow("one byte") << QByteArray("A") << 1;
    QTest::newRow("two bytes") << QByteArray("OK") << 2;
    QTest::newRow("300 bytes: the rest waits for the next read") << QByteArray(300, 'x') << 256;
}

void TestLink::greetingReply()
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
    QVERIFY(line.isOpen());
    QCOMPARE(hex(peer.take(2)), QString("8E 12"));
    QCOMPARE(int(answer.data.size()), first);
    QTRY_COMPARE(pendingInput(line.descriptor()), int(reply.size()) - first);
}

// The farewell drained before the old settings come back; a second open says
// goodbye to the first line; no descriptor stays behind.
void TestLink::closeSaysFarewellAndRestores()
{
    PtyPeer first, second;
    termios before{};
    tcgetattr(first.slaveFd(), &before);
    QVERIFY(before.c_lflag & ICANON); // a fresh pty starts cooked
    const int descriptors = openDescriptorCount();
    QStringList calls;
    SystemCalls sys;
    const SystemCalls real;
    sys.tcdrain = [&](int fd) { return calls << "tcdrain", real.tcdrain(fd); };
    sys.tcsetattr = [&](int fd, int when, const termios *t) {
        return calls << (when == TCSANOW ? "restore" : "raw"), real.tcsetattr(fd, when, t);
    };
    sys.close = [&](int fd) { return calls << "close", real.close(fd); };
    SerialLine line;
    line.setSystemCalls(sys);
    QVERIFY(line.open(first.slavePath()).ok());
    QVERIFY(line.open(second.slavePath()).ok());
    QCOMPARE(hex(first.takeAll()), QString("80"));
    termios after{};
    tcgetattr(first.slaveFd(), &after);
    QVERIFY(sameSettings(before, after));
    line.close();
    QVERIFY(!line.isOpen());
    QCOMPARE(hex(second.takeAll()), QString("80"));
    QCOMPARE(calls, QStringList({"raw", "tcdrain", "restore", "close", "raw", "tcdrain", "restore", "close"}));
    QCOMPARE(openDescriptorCount(), descriptors);
}

// A peer that reads nothing for a while: write() says EAGAIN, and the write
// goes on when the pty drains, nothing lost; a peer that never reads: given
// up after about a second.
void TestLink::writesWaitForAFullQueueButNotForEver()
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

    const auto start = std::chrono::steady_clock::now();
    const IoResult stuck = line.writeAll(Bytes(256 * 1024, 0x55));
    const auto took = std::chrono::steady_clock::now() - start;
    QCOMPARE(stuck.error, ETIMEDOUT);
    QVERIFY(took >= 900ms && took < 3s);
    ::close(slave);
    ::close(master);
}

void TestLink::discardInputDropsOnlyWhatWaits()
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

void TestLink::pulledAdapterIsToldOnce_data()
{
    QTest::addColumn<QString>("noticedBy");
    QTest::newRow("next write") << "write";
    QTest::newRow("next read") << "read";
    QTest::newRow("a pause, watching the line") << "pause";
}

void TestLink::pulledAdapterIsToldOnce()
{
    QFETCH(QString, noticedBy);
    PtyPeer peer;
    const int descriptors = openDescriptorCount();
    SerialLine line;
    QStringList lost;
    line.setLostHandler([&](const std::string &path, int error) {
        lost << QString::fromStdString(path) + ": " + QString::number(error);
    });
    QVERIFY(line.open(peer.slavePath()).ok());
    peer.hangUp();
    if (noticedBy == "write")
        QCOMPARE(line.writeAll(commandFrame8(8, 2, 0)).error, EIO);
    else if (noticedBy == "read")
        QCOMPARE(line.readAvailable(12).error, EIO);
    else
        line.pause(5s); // ends at once
    QCOMPARE(lost, QStringList{QString::fromStdString(peer.slavePath()) + ": 5"});
    QVERIFY(!line.isOpen());
    QCOMPARE(openDescriptorCount(), descriptors - 1); // the master went with the adapter
    for (int i = 0; i < 3; ++i)
        QCOMPARE(line.writeAll(commandFrame8(8, 2, 0)).error, EBADF);
    line.close();
    QCOMPARE(lost.size(), 1);
}

void TestLink::signalsAreRetried_data()
{
    QTest::addColumn<QString>("call");
    for (const char *call : {"open", "write", "read", "poll", "tcgetattr", "tcsetattr", "tcdrain"})
        QTest::newRow(call) << call;
}

// Each call is interrupted by a signal the first time it is made.
void TestLink::signalsAreRetried()
{
    QFETCH(QString, call);
    PtyPeer peer;
    peer.answer({0x8E, 0x12}, {'O', 'K'});
    SystemCalls sys;
    const SystemCalls real;
    bool interrupted = false;
    auto once = [&](const char *name) {
        if (interrupted || call != QLatin1String(name))
            return false;
        interrupted = true;
        errno = EINTR;
        return true;
    };
    sys.open = [&](const char *p, int f) { return once("open") ? -1 : real.open(p, f); };
    sys.write = [&](int fd, const void *d, size_t n) { return once("write") ? ssize_t(-1) : real.write(fd, d, n); };
    sys.read = [&](int fd, void *d, size_t n) { return once("read") ? ssize_t(-1) : real.read(fd, d, n); };
    sys.poll = [&](pollfd *f, nfds_t n, int t) { return once("poll") ? -1 : real.poll(f, n, t); };
    sys.tcgetattr = [&](int fd, termios *t) { return once("tcgetattr") ? -1 : real.tcgetattr(fd, t); };
    sys.tcsetattr = [&](int fd, int w, const termios *t) { return once("tcsetattr") ? -1 : real.tcsetattr(fd, w, t); };
    sys.tcdrain = [&](int fd) { return once("tcdrain") ? -1 : real.tcdrain(fd); };
    SerialLine line;
    line.setSystemCalls(sys);
    line.setPause(peer.fastPause());
    QVERIFY(line.open(peer.slavePath()).ok());
    QCOMPARE(hex(line.greet().data), QString("4F 4B"));
    line.close();
    QVERIFY(interrupted);
    QCOMPARE(hex(peer.takeAll()), QString("8E 12 80"));
}

// Without a window: the reports come in the order things happened, with each
// pause where it belongs.
void TestLink::queueReportsInOrder()
{
    PtyPeer peer;
    peer.answer({0x8E, 0x12}, {0x4F, 0x4B});
    peer.answer({0x8E, 0x13}, {0x00, 0x64});
    QStringList said;
    std::vector<std::chrono::milliseconds> pauses;
    {
        SendQueue queue(SendQueue::Reporting::ToOwner);
        queue.setPause([&, fast = peer.fastPause()](std::chrono::milliseconds d) {
            pauses.push_back(d); // only the queue's thread pauses; read after it ends
            fast(d);
        });
        SendQueue::Reports reports;
        reports.opened = [&](const std::string &, const OpenResult &result, const ReadResult &reply) {
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
        queue.discardInput();
        queue.request({0x8E, 0x13}, 500ms, 12, [&](const ReadResult &reply) { said << "reply " + hex(reply.data); });
        queue.close();
        QVERIFY(takeReportsUntil(queue, [&] { return said.contains("closed") && said.last() == "idle"; }));
        said.removeAll("idle"); // a slow test thread may let the queue run dry in between
        QCOMPARE(said, QStringList({"opened 1, answer 4F 4B", "two 1/2", "two 2/2", "reply 00 64", "closed"}));
    }
    QCOMPARE(hex(peer.takeAll()), QString("8E 12 01 00 28 05 08 02 00 01 08 76 C0 85 01 00 00 00 00 7A 00 8E 13 80"));
    QCOMPARE(pauses, (std::vector<std::chrono::milliseconds>{250ms, 100ms, 500ms}));
}

QTEST_GUILESS_MAIN(TestLink)
#include "tst_link.moc"
