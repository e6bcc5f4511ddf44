// camdeck-sim as a program on its line: told on its control channel how to
// answer, pulled and plugged back under the same link, and writing what it
// read to its capture as it reads it.
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

class TestSimLine : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void answers_data();
    void answers();
    void pulledAndPluggedBack();

private:
    // Sends a command on the control channel; its one-line answer.
    QString tell(const QString &command);
    // Opens the link as a panel opens a port.
    int openLine();
    // What came back on fd, waiting up to timeoutMs for size bytes.
    QByteArray receive(int fd, int size, int timeoutMs = 2000);

    QTemporaryDir m_dir;
    QProcess m_sim;
    QString m_link, m_capture;
};

void TestSimLine::init()
{
    m_link = m_dir.filePath("line");
    m_capture = m_dir.filePath("capture");
    m_sim.start(CAMDECK_SIM, {"--headless", "--link", m_link, "--capture", m_capture, "--control"});
    QVERIFY(m_sim.waitForStarted());
    QTRY_VERIFY(m_sim.canReadLine());
    QCOMPARE(QFileInfo(m_link).symLinkTarget(), QString::fromLocal8Bit(m_sim.readLine()).trimmed());
}

// The end of the control channel ends the simulator, and its link goes.
void TestSimLine::cleanup()
{
    m_sim.closeWriteChannel();
    QVERIFY(m_sim.waitForFinished(5000));
    QCOMPARE(m_sim.exitCode(), 0);
    QVERIFY(!QFileInfo::exists(m_link) && !QFileInfo(m_link).isSymLink());
}

QString TestSimLine::tell(const QString &command)
{
    m_sim.write((command + '\n').toLocal8Bit());
    return QTest::qWaitFor([this] { return m_sim.canReadLine(); }) ? QString::fromLocal8Bit(m_sim.readLine()).trimmed()
                                                                   : QString("no answer");
}

int TestSimLine::openLine()
{
    return ::open(QFile::encodeName(m_link).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
}

QByteArray TestSimLine::receive(int fd, int size, int timeoutMs)
{
    QByteArray got;
    QElapsedTimer clock;
    clock.start();
    for (pollfd p{fd, POLLIN, 0}; got.size() < size && ::poll(&p, 1, timeoutMs) > 0;) {
        char chunk[64];
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n <= 0 || clock.elapsed() > timeoutMs)
            break;
        got.append(chunk, n);
    }
    return got;
}

void TestSimLine::answers_data()
{
    QTest::addColumn<QStringList>("commands"); // "command => its answer"
    QTest::addColumn<QByteArray>("asked");
    QTest::addColumn<QByteArray>("answered"); // the first bytes back
    QTest::addColumn<int>("notBeforeMs");
    // clang-format off
    QTest::newRow("greeting, answered at once") << QStringList{} << QByteArray("8E 12") << QByteArray("53 49 4D 31") << 0;
    QTest::newRow("garbled: every byte ^ 5A, one byte too many") << QStringList{"greeting garbled => ok"} << QByteArray("8E 12") << QByteArray("09 13 17 6B FF") << 0;
    QTest::newRow("silent greeting: the travel query's answer comes first") << QStringList{"greeting silent => ok"} << QByteArray("8E 12 8E 13") << QByteArray("00 00") << 0;
    QTest::newRow("travel query answered 300 ms late") << QStringList{"travel late 300 => ok"} << QByteArray("8E 13") << QByteArray("00 00") << 300;
    QTest::newRow("silent, then normal again") << QStringList{"travel silent => ok", "travel normal => ok"} << QByteArray("8E 13") << QByteArray("00 00") << 0;
    QTest::newRow("what it does not know changes nothing") << QStringList{"greeting sideways => error: greeting takes normal, silent, garbled or late MS", "travel late => error: travel takes normal, silent, garbled or late MS", "mute => error: no command 'mute'"} << QByteArray("8E 12") << QByteArray("53 49 4D 31") << 0;
    // clang-format on
}

void TestSimLine::answers()
{
    QFETCH(QStringList, commands);
    QFETCH(QByteArray, asked);
    QFETCH(QByteArray, answered);
    QFETCH(int, notBeforeMs);
    for (const QString &command : commands)
        QCOMPARE(tell(command.section(" => ", 0, 0)), command.section(" => ", 1));
    const int fd = openLine();
    QVERIFY(fd >= 0);
    const QByteArray request = QByteArray::fromHex(asked);
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(::write(fd, request.data(), size_t(request.size())), request.size());
    const QByteArray expected = QByteArray::fromHex(answered);
    QCOMPARE(receive(fd, int(expected.size()), 3000).left(expected.size()).toHex(' ').toUpper(), answered);
    QVERIFY2(clock.elapsed() >= notBeforeMs, qPrintable(QString::number(clock.elapsed())));
    ::close(fd);
}

// Pulled: the panel's end hangs up and the link goes; plugged: the link leads
// to a new device. The capture says so, in order, while the simulator runs.
void TestSimLine::pulledAndPluggedBack()
{
    const int first = openLine();
    QVERIFY(first >= 0);
    QCOMPARE(::write(first, "\x8E\x12", 2), 2);
    QCOMPARE(receive(first, 4), QByteArray("SIM1"));
    QCOMPARE(tell("unplug"), QString("unplugged"));
    pollfd hangUp{first, 0, 0};
    QCOMPARE(::poll(&hangUp, 1, 1000), 1);
    QVERIFY(hangUp.revents & POLLHUP);
    QVERIFY(!QFileInfo(m_link).isSymLink());
    ::close(first);
    const QString plugged = tell("plug");
    QCOMPARE(plugged, "plugged " + QFileInfo(m_link).symLinkTarget());
    const int second = openLine();
    QCOMPARE(::write(second, "\x80\x8E\x12", 3), 3);
    QCOMPARE(receive(second, 4), QByteArray("SIM1"));
    ::close(second);

    QFile capture(m_capture);
    QVERIFY(capture.open(QIODevice::ReadOnly));
    QStringList said;
    qint64 last = 0;
    for (const QByteArray &line : capture.readAll().split('\n')) {
        if (line.isEmpty())
            continue;
        QVERIFY2(line.split(' ')[0].toLongLong() >= last, line.constData());
        last = line.split(' ')[0].toLongLong();
        said << QString::fromLatin1(line.mid(line.indexOf(' ') + 1)).remove(QRegularExpression("/dev/pts/\\d+"));
    }
    QCOMPARE(said,
             QStringList({"plugged ", "read 8E 12", "answered 53 49 4D 31", "unplugged", "plugged ", "read 80 8E 12",
                          "answered 53 49 4D 31"}));
}

QTEST_MAIN(TestSimLine)
#include "tst_simline.moc"
