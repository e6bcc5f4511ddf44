// camdeck-ctl as a shell runs it: against camdeck-sim, headless on its own
// pseudo-terminal, and the exit status a script sees.
#include "ctlrun.h"

#include <QProcess>
#include <QTest>

#include <fcntl.h>
#include <sys/file.h>

class TestCtlProcess : public QObject {
    Q_OBJECT

private slots:
    void statusReachesTheShell();
};

namespace {

CtlRun ctl(const QStringList &arguments)
{
    QProcess process;
    process.start(CAMDECK_CTL, arguments);
    if (!process.waitForFinished(10000) || process.exitStatus() != QProcess::NormalExit)
        return {};
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

} // namespace

// Against the simulator a script reads the replies and gets 0 (what the
// simulator makes of the frames is for its own tests); a mistake gets 1 and a
// port held by another program 3, with nothing sent.
void TestCtlProcess::statusReachesTheShell()
{
    QProcess sim;
    sim.start(CAMDECK_SIM, {"--headless"});
    QVERIFY(sim.waitForStarted());
    while (!sim.canReadLine() && sim.waitForReadyRead(5000)) { }
    const CtlRun run
        = ctl({"-d", QString::fromUtf8(sim.readLine().trimmed()), "hello", "set", "colour-bar", "on", "jog", "stop"});
    QCOMPARE(run.err, QString());
    QCOMPARE(run.out, "reply 53 49 4D 31 \"SIM1\"\ntravel 0 mm\n");
    QCOMPARE(run.status, 0);
    sim.terminate();
    QVERIFY(sim.waitForFinished(5000));

    PtyPeer peer;
    const QString path = QString::fromStdString(peer.slavePath());
    QCOMPARE(ctl({"-d", path, "set", "alc-levle", "12"}).status, 1);
    const int other = ::open(peer.slavePath().c_str(), O_RDWR | O_NOCTTY);
    QCOMPARE(::flock(other, LOCK_EX | LOCK_NB), 0);
    const CtlRun held = ctl({"-d", path, "hello"});
    QCOMPARE(held.status, 3);
    QVERIFY2(held.err.contains("in use by another program (Device or resource busy)"), qPrintable(held.err));
    QVERIFY(peer.takeAll().empty());
    ::close(other);
}

QTEST_GUILESS_MAIN(TestCtlProcess)
#include "tst_ctlprocess.moc"
