// What a bench with USB adapters and other serial programs does to the line:
// wrong files, busy ports, refused settings, adapters pulled mid-session,
// signals. Real pseudo-terminals, with failing system calls slipped under the
// line where a pty cannot misbehave on its own.
#include "link/serialline.h"
#include "ptypeer.h"
#include "testsupport.h"

#include <QTemporaryFile>
#include <QTest>

#include <cstring>
#include <sys/file.h>

using namespace camdeck;

class TestLinkFaults : public QObject {
    Q_OBJECT

private slots:
    void notATerminal_data();
    void notATerminal();
    void busyPortIsLeftAlone();
    void settingsNotTakenAreRefused();
    void pulledAdapter_data();
    void pulledAdapter();
    void silenceIsNoReply();
    void farewellDrainsBeforeRestore();
    void signalsAreRetried_data();
    void signalsAreRetried();
};

namespace {
bool sameSettings(const termios &a, const termios &b)
{
    return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag
        && a.c_lflag == b.c_lflag && std::memcmp(a.c_cc, b.c_cc, sizeof a.c_cc) == 0;
}
} // namespace

void TestLinkFaults::notATerminal_data()
{
    QTest::addColumn<bool>("regularFile");
    QTest::newRow("regular file") << true;
    QTest::newRow("/dev/null") << false;
}

void TestLinkFaults::notATerminal()
{
    QFETCH(bool, regularFile);
    QTemporaryFile file;
    QVERIFY(file.open());
    const std::string path = regularFile ? file.fileName().toStdString() : "/dev/null";
    const int descriptors = openDescriptorCount();

    SerialLine line;
    const OpenResult result = line.open(path);
    QCOMPARE(result.reason, OpenResult::NotATerminal);
    QCOMPARE(result.error, ENOTTY);
    QVERIFY(!line.isOpen());
    QCOMPARE(openDescriptorCount(), descriptors);
    // Nothing is written into it, not even a farewell.
    QCOMPARE(line.writeAll(commandFrame8(8, 2, 0)).error, EBADF);
    line.close();
    QCOMPARE(file.size(), 0);
}

void TestLinkFaults::busyPortIsLeftAlone()
{
    PtyPeer peer;
    const int other = ::open(peer.slavePath().c_str(), O_RDWR | O_NOCTTY);
    QVERIFY(other >= 0);
    QCOMPARE(::flock(other, LOCK_EX | LOCK_NB), 0); // another program holds it
    termios before{};
    tcgetattr(peer.slaveFd(), &before);

    SerialLine line;
    const OpenResult result = line.open(peer.slavePath());
    QCOMPARE(result.reason, OpenResult::InUse);
    termios after{};
    tcgetattr(peer.slaveFd(), &after);
    QVERIFY(sameSettings(before, after));
    QCOMPARE(peer.takeAll().size(), std::size_t(0));

    ::close(other); // once the other program lets go, the port opens
    QVERIFY(line.open(peer.slavePath()).ok());
}

void TestLinkFaults::settingsNotTakenAreRefused()
{
    PtyPeer peer;
    termios before{};
    tcgetattr(peer.slaveFd(), &before);

    // A driver that keeps hardware flow control whatever it is told.
    SystemCalls calls;
    calls.tcgetattr = [](int fd, termios *t) {
        const int r = ::tcgetattr(fd, t);
        if ((t->c_lflag & ICANON) == 0)
            t->c_cflag |= CRTSCTS;
        return r;
    };
    SerialLine line;
    line.setSystemCalls(calls);
    const OpenResult result = line.open(peer.slavePath());
    QCOMPARE(result.reason, OpenResult::SettingsNotTaken);
    QVERIFY(!line.isOpen());
    termios after{};
    tcgetattr(peer.slaveFd(), &after);
    QVERIFY(sameSettings(before, after));
}

void TestLinkFaults::pulledAdapter_data()
{
    QTest::addColumn<bool>("noticedByWrite");
    QTest::newRow("next write") << true;
    QTest::newRow("next read") << false;
}

void TestLinkFaults::pulledAdapter()
{
    QFETCH(bool, noticedByWrite);
    PtyPeer peer;
    const int descriptors = openDescriptorCount();
    SerialLine line;
    line.setPause([](std::chrono::milliseconds) {});
    QStringList lost;
    line.setLostHandler([&](const std::string &path, int error) {
        lost << QString::fromStdString(path) + ": " + QString::number(error);
    });
    QVERIFY(line.open(peer.slavePath()).ok());
    peer.hangUp();

    if (noticedByWrite)
        QCOMPARE(line.writeAll(commandFrame8(8, 2, 0)).error, EIO);
    else
        QCOMPARE(line.readAvailable(12).error, EIO);
    QCOMPARE(lost, QStringList{QString::fromStdString(peer.slavePath()) + ": 5"});
    QVERIFY(!line.isOpen());
    QCOMPARE(openDescriptorCount(), descriptors - 1); // the master went with the adapter

    // Told once; later sends go nowhere and say nothing more.
    for (int i = 0; i < 3; ++i)
        QCOMPARE(line.writeAll(commandFrame8(8, 2, 0)).error, EBADF);
    line.close();
    QCOMPARE(lost.size(), 1);
}

void TestLinkFaults::silenceIsNoReply()
{
    PtyPeer peer;
    SerialLine line;
    line.setPause(peer.fastPause());
    bool lost = false;
    line.setLostHandler([&](const std::string &, int) { lost = true; });
    QVERIFY(line.open(peer.slavePath()).ok());
    const ReadResult reply = line.greet();
    QVERIFY(reply.ok());
    QVERIFY(reply.data.empty());
    QVERIFY(line.isOpen());
    QVERIFY(!lost);
}

void TestLinkFaults::farewellDrainsBeforeRestore()
{
    PtyPeer peer;
    QStringList calls;
    SystemCalls sys;
    SystemCalls real;
    sys.write = [&](int fd, const void *data, size_t size) {
        const auto *begin = static_cast<const std::uint8_t *>(data);
        calls << "write " + hex(Bytes(begin, begin + size));
        return real.write(fd, data, size);
    };
    sys.tcdrain = [&](int fd) {
        calls << "tcdrain";
        return real.tcdrain(fd);
    };
    sys.tcsetattr = [&](int fd, int when, const termios *t) {
        calls << (when == TCSANOW ? "restore" : "raw");
        return real.tcsetattr(fd, when, t);
    };
    sys.close = [&](int fd) {
        calls << "close";
        return real.close(fd);
    };
    SerialLine line;
    line.setSystemCalls(sys);
    QVERIFY(line.open(peer.slavePath()).ok());
    line.close();
    QCOMPARE(calls, QStringList({"raw", "write 80", "tcdrain", "restore", "close"}));
}

void TestLinkFaults::signalsAreRetried_data()
{
    QTest::addColumn<QString>("call");
    for (const char *call : {"open", "write", "read", "poll", "tcgetattr", "tcsetattr", "tcdrain"})
        QTest::newRow(call) << call;
}

// Each call is interrupted by a signal the first time it is made.
void TestLinkFaults::signalsAreRetried()
{
    QFETCH(QString, call);
    PtyPeer peer;
    peer.answer({0x8E, 0x12}, {'O', 'K'});
    SystemCalls sys;
    SystemCalls real;
    bool interrupted = false;
    auto once = [&](const char *name) {
        if (interrupted || call != QLatin1String(name))
            return false;
        interrupted = true;
        errno = EINTR;
        return true;
    };
    sys.open = [&](const char *p, int f) { return once("open") ? -1 : real.open(p, f); };
    sys.write = [&](int fd, const void *d, size_t n) {
        return once("write") ? ssize_t(-1) : real.write(fd, d, n);
    };
    sys.read = [&](int fd, void *d, size_t n) {
        return once("read") ? ssize_t(-1) : real.read(fd, d, n);
    };
    sys.poll = [&](pollfd *f, nfds_t n, int t) { return once("poll") ? -1 : real.poll(f, n, t); };
    sys.tcgetattr
        = [&](int fd, termios *t) { return once("tcgetattr") ? -1 : real.tcgetattr(fd, t); };
    sys.tcsetattr = [&](int fd, int w, const termios *t) {
        return once("tcsetattr") ? -1 : real.tcsetattr(fd, w, t);
    };
    sys.tcdrain = [&](int fd) { return once("tcdrain") ? -1 : real.tcdrain(fd); };

    SerialLine line;
    line.setSystemCalls(sys);
    line.setPause(peer.fastPause());
    QVERIFY(line.open(peer.slavePath()).ok());
    const ReadResult reply = line.greet();
    QVERIFY(reply.ok());
    QCOMPARE(hex(reply.data), QString("4F 4B"));
    line.close();
    QVERIFY(interrupted);
    QCOMPARE(hex(peer.takeAll()), QString("8E 12 80"));
}

QTEST_GUILESS_MAIN(TestLinkFaults)
#include "tst_linkfaults.moc"
