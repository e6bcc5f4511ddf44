// The port and its queue on real pseudo-terminals, and what a bench does to
// them: wrong files, busy ports, refused settings, adapters pulled mid-session,
// signals. Failing system calls are slipped under the line where a pty cannot
// misbehave on its own.
#include "fixture.h"
#include "link/sendqueue.h"

#include <QSocketNotifier>

#include <fcntl.h>
#include <numeric>
#include <poll.h>
#include <pty.h>
#include <sys/file.h>
#include <thread>

using namespace camdeck;
using namespace std::chrono_literals;

namespace {

// A terminal's settings as they stand, to compare.
QByteArray settings(int fd)
{
    termios t{};
    ::tcgetattr(fd, &t);
    return QByteArray(reinterpret_cast<const char *>(&t), sizeof t);
}

// Puts fail before one system call: when it says so, the call fails with the errno it left.
template<class R, class... A, class Fail> void hook(std::function<R(A...)> &call, Fail fail)
{
    call = [real = call, fail](A... a) mutable { return fail(a...) ? R(-1) : real(a...); };
}

} // namespace

class TestLink : public QObject {
    Q_OBJECT

private slots:
    void refusedOpens_data();
    void refusedOpens();
    void session_data();
    void session();
    void writesWaitForAFullQueueButNotForEver();
    void queueReportsInOrder();
};

void TestLink::refusedOpens_data()
{
    QTest::addColumn<QString>("what");
    QTest::addColumn<int>("reason");
    QTest::addColumn<int>("error");
    QTest::newRow("missing") << "/nonexistent/ttyUSB9" << int(OpenResult::OpenFailed) << ENOENT;
    QTest::newRow("not a terminal") << "/dev/null" << int(OpenResult::NotATerminal) << ENOTTY;
    QTest::newRow("held by another program") << "busy" << int(OpenResult::InUse) << EBUSY;
    QTest::newRow("a driver that keeps hardware flow control") << "rts" << int(OpenResult::SettingsNotTaken) << EINVAL;
    QTest::newRow("a driver that keeps XON/XOFF") << "xon" << int(OpenResult::SettingsNotTaken) << EINVAL;
}

// Nothing stays open, nothing is written, the settings are as they were found.
void TestLink::refusedOpens()
{
    QFETCH(QString, what);
    QFETCH(int, reason);
    QFETCH(int, error);
    PtyPeer peer;
    const QByteArray before = settings(peer.slaveFd());
    const std::string path = what.startsWith('/') ? what.toStdString() : peer.slavePath();
    const int other = ::open(peer.slavePath().c_str(), O_RDWR | O_NOCTTY);
    if (what == "busy")
        QCOMPARE(::flock(other, LOCK_EX | LOCK_NB), 0);
    SystemCalls calls; // the raw settings read back (not canonical) with a flag the driver kept
    calls.tcgetattr = [what](int fd, termios *t) {
        const int r = ::tcgetattr(fd, t);
        if ((t->c_lflag & ICANON) == 0)
            (what == "xon" ? t->c_iflag : t->c_cflag) |= what == "xon" ? IXOFF : what == "rts" ? CRTSCTS : 0;
        return r;
    };
    SerialLine line;
    line.setSystemCalls(calls);
    const int descriptors = openDescriptorCount();
    const OpenResult result = line.open(path);
    QCOMPARE(int(result.reason), reason);
    QCOMPARE(result.error, error);
    QVERIFY(!line.isOpen());
    QCOMPARE(openDescriptorCount(), descriptors);
    line.close();
    QCOMPARE(peer.takeAll().size(), std::size_t(0));
    QCOMPARE(settings(peer.slaveFd()), before);
    ::close(other);
    if (what == "busy") // once the other program lets go, the port opens
        QVERIFY(line.open(path).ok());
}

void TestLink::session_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("first"); // bytes the greeting takes; the rest waits for the next read
    QTest::addColumn<QString>(
        "end"); // of the second line: closed (a write refused first), or pulled and noticed by a write, a read, a pause
    QTest::newRow("silence is no reply, and no lost device; closed") << QByteArray() << 0 << "close";
    QTest::newRow("a write the driver refuses is no lost device; closed") << QByteArray("A") << 1 << "refused";
    QTest::newRow("one byte; pulled, the next write notices") << QByteArray("A") << 1 << "write";
    QTest::newRow("300 bytes; pulled, the next read notices") << QByteArray(300, 'x') << 256 << "read";
    QTest::newRow("two bytes; pulled, a pause watching the line notices") << QByteArray("OK") << 2 << "pause";
}

// Raw 9600 8N1, non-blocking; the greeting's answer read; what is left over
// dropped, and only that; opening another line says goodbye to the first, the
// farewell drained before the old settings come back. A pulled adapter is told
// once and its line let go. No descriptor stays behind. A signal interrupts
// each system call the first time it is made.
void TestLink::session()
{
    QFETCH(QByteArray, reply);
    QFETCH(int, first);
    QFETCH(QString, end);
    PtyPeer peer, second;
    peer.answer({0x8E, 0x12}, Bytes(reply.begin(), reply.end()));
    const QByteArray before = settings(peer.slaveFd());
    const int descriptors = openDescriptorCount();
    QStringList calls;
    SystemCalls sys;
    hook(sys.tcdrain, [&](int) { return calls << "tcdrain", false; });
    hook(sys.tcsetattr, [&](int, int when, auto) { return calls << (when == TCSANOW ? "restore" : "raw"), false; });
    hook(sys.close, [&](int) { return calls << "close", false; });
    int interruptions = 0;
    const auto interruptedFirstTime = [&interruptions, first = true](auto...) mutable {
        if (!std::exchange(first, false))
            return false;
        errno = EINTR;
        return ++interruptions > 0;
    };
    // Each call gets a copy of its own, with a first time of its own.
    auto interruptOnce = [&](auto &...call) { (hook(call, interruptedFirstTime), ...); };
    interruptOnce(sys.open, sys.write, sys.read, sys.poll, sys.tcgetattr, sys.tcsetattr, sys.tcdrain);
    bool refuse = false;
    hook(sys.write, [&refuse](auto...) { return refuse && (errno = EINVAL); });
    SerialLine line;
    line.setSystemCalls(sys);
    line.setPause(peer.fastPause());
    QStringList lost;
    line.setLostHandler(
        [&](const std::string &path, int error) { lost << QString("%1: %2").arg(path.c_str()).arg(error); });
    line.discardInput(); // nothing open: nothing to do
    QVERIFY(line.open(peer.slavePath()).ok());
    termios t{};
    QCOMPARE(tcgetattr(peer.slaveFd(), &t), 0);
    QCOMPARE(t.c_cflag & (CSIZE | CSTOPB | PARENB | CREAD | CLOCAL | CRTSCTS), tcflag_t(CS8 | CREAD | CLOCAL));
    QCOMPARE(t.c_iflag | t.c_oflag | t.c_lflag | t.c_cc[VMIN] | t.c_cc[VTIME], tcflag_t(0));
    QVERIFY(cfgetispeed(&t) == B9600 && cfgetospeed(&t) == B9600);
    QVERIFY(::fcntl(line.descriptor(), F_GETFL) & O_NONBLOCK);
    const ReadResult answer = line.greet();
    QVERIFY(answer.ok() && line.isOpen());
    QCOMPARE(hex(peer.take(2)), QString("8E 12"));
    QCOMPARE(hex(answer.data), hex(Bytes(reply.begin(), reply.begin() + first)));
    QTRY_COMPARE(pendingInput(line.descriptor()), int(reply.size()) - first);
    line.discardInput();
    QCOMPARE(line.readAvailable(12).data.size(), std::size_t(0));
    peer.send({0x00, 0x0A});
    QTRY_COMPARE(pendingInput(line.descriptor()), 2);
    QCOMPARE(hex(line.readAvailable(12).data), QString("00 0A"));

    QVERIFY(line.open(second.slavePath()).ok());
    QCOMPARE(hex(peer.takeAll()), QString("80"));
    QCOMPARE(settings(peer.slaveFd()), before);
    if (end == "refused") {
        refuse = true;
        QCOMPARE(line.writeAll(commandFrame8(8, 2, 0)).error, EINVAL);
        refuse = false;
        QVERIFY(line.isOpen());
    }
    if (end == "close" || end == "refused") {
        line.close();
        QCOMPARE(hex(second.takeAll()), QString("80"));
    } else {
        second.hangUp();
        if (end == "write")
            QCOMPARE(line.writeAll(commandFrame8(8, 2, 0)).error, EIO);
        else if (end == "read")
            QCOMPARE(line.readAvailable(12).error, EIO);
        else
            line.setPause({}), line.pause(5s); // the real pause, ending at once
        QCOMPARE(line.writeAll(commandFrame8(8, 2, 0)).error, EBADF);
        line.close();
    }
    QVERIFY(!line.isOpen());
    const bool pulled = end != "close" && end != "refused";
    QCOMPARE(lost, pulled ? QStringList{QString::fromStdString(second.slavePath()) + ": 5"} : QStringList());
    const QStringList ending = pulled ? QStringList{"restore", "close"} : QStringList{"tcdrain", "restore", "close"};
    QCOMPARE(calls, QStringList({"raw", "tcdrain", "restore", "close", "raw"}) + ending); // no farewell when pulled
    QCOMPARE(openDescriptorCount(), descriptors - pulled); // the master goes with the adapter
    QCOMPARE(interruptions, 7);
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
    Bytes big(64 * 1024), received;
    std::iota(big.begin(), big.end(), std::uint8_t(0));
    std::thread drain([&] {
        std::this_thread::sleep_for(200ms); // the pty's queue fills meanwhile
        std::uint8_t buffer[4096];
        for (ssize_t n = 1; n > 0 && received.size() < big.size();) {
            if ((n = ::read(master, buffer, sizeof buffer)) > 0)
                received.insert(received.end(), buffer, buffer + n);
        }
    });
    const IoResult result = line.writeAll(big);
    drain.join();
    QCOMPARE(result.error, 0);
    QCOMPARE(result.count, big.size());
    QVERIFY(received == big);

    const auto start = std::chrono::steady_clock::now();
    QCOMPARE(line.writeAll(Bytes(256 * 1024, 0x55)).error, ETIMEDOUT);
    const auto took = std::chrono::steady_clock::now() - start;
    QVERIFY(took >= 900ms && took < 3s);
    ::close(slave);
    ::close(master);
}

// Without a window: the reports come in the order things happened, with each
// pause where it belongs; an idle queue notices the adapter pulled by itself.
void TestLink::queueReportsInOrder()
{
    PtyPeer peer;
    peer.answer({0x8E, 0x12}, {0x4F, 0x4B});
    peer.answer({0x8E, 0x13}, {0x00, 0x64});
    QStringList said;
    std::vector<std::chrono::milliseconds> pauses;
    SendQueue queue(SendQueue::Reporting::ToOwner); // reports taken on this thread, as the window takes them
    QSocketNotifier reportsWaiting(queue.reportFd(), QSocketNotifier::Read);
    connect(&reportsWaiting, &QSocketNotifier::activated, [&] { queue.takeReports(); });
    // Only the queue's thread pauses; pauses is read once it is idle.
    queue.setPause([&, fast = peer.fastPause()](std::chrono::milliseconds d) { pauses.push_back(d), fast(d); });
    SendQueue::Reports reports;
    reports.opened = [&](auto &, auto &r, auto &reply) { said << (r.ok() ? "opened " : "refused ") + hex(reply.data); };
    reports.progress = [&](auto &job, int n, int of) { said << QString("%1 %2/%3").arg(job.c_str()).arg(n).arg(of); };
    reports.failed = [&](const SendQueue::Failure &f) { said << QString("lost %1: %2").arg(f.lost).arg(f.error); };
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
    QTRY_VERIFY(said.contains("reply 00 64") && said.endsWith("idle"));
    QCOMPARE(hex(peer.takeAll()), QString("8E 12 01 00 28 05 08 02 00 01 08 76 C0 85 01 00 00 00 00 7A 00 8E 13"));
    QCOMPARE(pauses, (std::vector<std::chrono::milliseconds>{250ms, 100ms, 500ms}));
    peer.hangUp();
    QTRY_VERIFY(said.contains("lost 1: 5")); // noticed while nothing is queued
    {
        // Its owner (a script's call, say) must not hear it went out.
        const SendQueue::Job job(queue, "late", [&](bool written, auto &) { said << QString("late written %1").arg(written); });
        sendCommand8(queue, 8, 2, 8);
    }
    QTRY_VERIFY(said.contains("late written 0"));
    queue.close();
    QTRY_VERIFY(said.contains("closed") && said.endsWith("idle"));
    said.removeAll("idle"); // a slow test thread may let the queue run dry in between
    QCOMPARE(said, QStringList({"opened 4F 4B", "two 1/2", "two 2/2", "reply 00 64", "lost 1: 5", "late written 0", "closed"}));
    QVERIFY(peer.takeAll().empty());
}

QTEST_GUILESS_MAIN(TestLink)
#include "tst_link.moc"
