// camdeck-ctl as a shell runs it: against camdeck-sim, headless on its own
// pseudo-terminal, and the exit status a script sees when the port is held.
#include "ptypeer.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/file.h>

class TestCtlProcess : public QObject {
    Q_OBJECT

private slots:
    void drivesTheSimulator();
    void statusReachesTheShell_data();
    void statusReachesTheShell();

private:
    struct Finished {
        int status = -1;
        QString out;
        QString err;
    };
    Finished ctl(const QStringList &arguments);

    QTemporaryDir m_home;
};

TestCtlProcess::Finished TestCtlProcess::ctl(const QStringList &arguments)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", m_home.path());
    process.setProcessEnvironment(env);
    process.start(CAMDECK_CTL, arguments);
    if (!process.waitForFinished(10000) || process.exitStatus() != QProcess::NormalExit)
        return {};
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

void TestCtlProcess::drivesTheSimulator()
{
    QProcess sim;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_LOGGING_RULES", "camdeck.sim=true");
    sim.setProcessEnvironment(env);
    sim.start(CAMDECK_SIM, {"--headless"});
    QVERIFY(sim.waitForStarted());
    while (!sim.canReadLine() && sim.waitForReadyRead(5000)) { }
    const QString path = QString::fromUtf8(sim.readLine().trimmed());

    const Finished run = ctl({"-d", path, "hello", "set", "colour-bar", "on", "jog", "stop"});
    QCOMPARE(run.err, QString());
    QCOMPARE(run.out, "reply 53 49 4D 31 \"SIM1\"\ntravel 0 mm\n");
    QCOMPARE(run.status, 0);

    // The simulator takes a lone 80 for the farewell once the line stays quiet.
    QString log;
    for (int waited = 0; !log.contains("farewell") && waited < 100; ++waited) {
        sim.waitForReadyRead(50);
        log += QString::fromUtf8(sim.readAllStandardError());
    }
    sim.terminate();
    QVERIFY(sim.waitForFinished(5000));
    for (const char *line : {"greeting, answered SIM1", "8/2 colour bar and crosshair ← 0x08", "stop, travel 0 mm",
                             "travel query, answered 0 mm", "farewell"})
        QVERIFY2(log.contains(QString::fromUtf8(line)), qPrintable(log));
}

void TestCtlProcess::statusReachesTheShell_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::newRow("held by another program: 3") << QStringList{"hello"} << 3;
    QTest::newRow("misspelt control: 1") << QStringList{"set", "alc-levle", "12"} << 1;
}

void TestCtlProcess::statusReachesTheShell()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    PtyPeer peer;
    const int other = ::open(peer.slavePath().c_str(), O_RDWR | O_NOCTTY);
    QCOMPARE(::flock(other, LOCK_EX | LOCK_NB), 0);
    const Finished run = ctl(QStringList{"-d", QString::fromStdString(peer.slavePath())} + arguments);
    QCOMPARE(run.status, status);
    QVERIFY(peer.takeAll().empty());
    ::close(other);
}

QTEST_GUILESS_MAIN(TestCtlProcess)
#include "tst_ctlprocess.moc"
