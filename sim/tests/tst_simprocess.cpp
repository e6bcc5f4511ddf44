// camdeck-sim itself, headless, on its own pseudo-terminal: the panel's serial
// line opens the path it prints and talks to it as to the real device.
#include "link/serialline.h"
#include "fixture.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <csignal>
#include <thread>

using namespace camdeck;
using namespace std::chrono_literals;

namespace {

constexpr double speed = 100.0; // mm/s

// Reads until n bytes have come or the time is up.
Bytes readReply(SerialLine &line, std::size_t n, std::chrono::milliseconds timeout = 2s)
{
    Bytes got;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (got.size() < n && std::chrono::steady_clock::now() < deadline) {
        const ReadResult r = line.readAvailable(n - got.size());
        got.insert(got.end(), r.data.begin(), r.data.end());
        std::this_thread::sleep_for(5ms);
    }
    return got;
}

} // namespace

class TestSimProcess : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void greetingJogAndTravel();
    void rejectsAndCarriesOn();
    void exitsOnSigint();

private:
    // Everything the simulator has logged so far.
    QString log();
    bool waitForLog(const QString &line);

    QProcess m_sim;
    QString m_log;
    std::string m_path;
};

void TestSimProcess::init()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_LOGGING_RULES", "camdeck.sim=true");
    m_sim.setProcessEnvironment(env);
    m_log.clear();
    m_sim.start(CAMDECK_SIM, {"--headless", "--speed", QString::number(speed)});
    QVERIFY(m_sim.waitForStarted());
    while (!m_sim.canReadLine() && m_sim.waitForReadyRead(5000)) { }
    QVERIFY(m_sim.canReadLine());
    m_path = m_sim.readLine().trimmed().toStdString();
    QVERIFY2(QFile::exists(QString::fromStdString(m_path)), m_path.c_str());
}

void TestSimProcess::cleanup()
{
    if (m_sim.state() != QProcess::NotRunning) {
        m_sim.terminate();
        m_sim.waitForFinished(5000);
    }
}

QString TestSimProcess::log()
{
    m_log += QString::fromUtf8(m_sim.readAllStandardError());
    return m_log;
}

bool TestSimProcess::waitForLog(const QString &line)
{
    QElapsedTimer timer;
    timer.start();
    while (!log().contains(line)) {
        if (timer.elapsed() > 3000)
            return false;
        m_sim.waitForReadyRead(50);
    }
    return true;
}

void TestSimProcess::greetingJogAndTravel()
{
    SerialLine line;
    QVERIFY(line.open(m_path).ok());
    const ReadResult reply = line.greet();
    QVERIFY(reply.ok());
    QVERIFY(reply.data.size() >= 2);
    QCOMPARE(std::string(reply.data.begin(), reply.data.end()), std::string("SIM1"));

    QCOMPARE(line.writeAll(commandFrame8(8, 2, 0x08)).error, 0);
    QVERIFY(waitForLog("8/2 colour bar and crosshair ← 0x08"));

    QVERIFY(line.writePacket(checksumPacket(0x85, 0x01, 0x00, 0, 0)).ok());
    QVERIFY(waitForLog("jog right"));
    std::this_thread::sleep_for(400ms);
    QVERIFY(line.writePacket(checksumPacket(0x85, 0x01, 0x04, 0, 0)).ok());
    QVERIFY(line.writeAll(Bytes{0x8E, 0x13}).ok());
    const Bytes travelBytes = readReply(line, 2);
    QCOMPARE(int(travelBytes.size()), 2);
    const auto travel = static_cast<std::int16_t>(travelBytes[0] << 8 | travelBytes[1]);
    // 0.4 s at 100 mm/s, give or take the scheduler.
    QVERIFY2(travel >= 38 && travel <= 80, QByteArray::number(travel));
    QVERIFY(waitForLog(QString("stop, travel %1 mm").arg(travel)));
    QVERIFY(waitForLog(QString("travel query, answered %1 mm").arg(travel)));

    // Closing says farewell; the device takes the next session as it comes.
    line.close();
    QVERIFY(waitForLog("farewell"));
    QVERIFY(line.open(m_path).ok());
    QCOMPARE(int(line.greet().data.size()), 4);
    QVERIFY(line.writeAll(Bytes{0x8E, 0x13}).ok());
    QCOMPARE(hex(readReply(line, 2)), hex(travelBytes));

    m_sim.terminate();
    QVERIFY(m_sim.waitForFinished(5000));
    QCOMPARE(m_sim.exitStatus(), QProcess::NormalExit);
    QCOMPARE(m_sim.exitCode(), 0);
    QVERIFY(!QFile::exists(QString::fromStdString(m_path)));
}

void TestSimProcess::rejectsAndCarriesOn()
{
    SerialLine line;
    QVERIFY(line.open(m_path).ok());
    QVERIFY(line.writeAll(bytes("01 00 28 05 08 02 00 01 08 76 C1 FF FF 85 01 00 00 00 00 7B 00")).ok());
    QVERIFY(line.writeAll(bytes("01 00 28 05 08 01 00 01 81 AC 95")).ok());
    QVERIFY(waitForLog("8/1 flips and negative ← 0x81"));
    QVERIFY(log().contains("bad CRC, ignored: 01 00 28 05 08 02 00 01 08 76 C1"));
    QVERIFY(log().contains("skipped 2 bytes: FF FF"));
    QVERIFY(log().contains("bad checksum, ignored: 85 01 00 00 00 00 7B 00"));
    QVERIFY(!log().contains("jog right"));
}

void TestSimProcess::exitsOnSigint()
{
    QCOMPARE(::kill(pid_t(m_sim.processId()), SIGINT), 0);
    QVERIFY(m_sim.waitForFinished(5000));
    QCOMPARE(m_sim.exitStatus(), QProcess::NormalExit);
    QCOMPARE(m_sim.exitCode(), 0);
}

QTEST_GUILESS_MAIN(TestSimProcess)
#include "tst_simprocess.moc"
