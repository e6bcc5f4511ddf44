// camdeck as started from a shell: its options open the device at start, and
// a termination signal ends the program after the farewell, not never.
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

class TestProgram : public QObject {
    Q_OBJECT

private slots:
    void connectsAtStartAndEndsOnASignal_data();
    void connectsAtStartAndEndsOnASignal();
};

namespace {

// What the simulator decoded so far (its stderr, which camdeck passes on).
bool waitForLine(QProcess &process, QByteArray &seen, const QByteArray &line)
{
    return QTest::qWaitFor(
        [&] {
            seen += process.readAllStandardError();
            return seen.contains(line);
        },
        10000);
}

} // namespace

void TestProgram::connectsAtStartAndEndsOnASignal_data()
{
    QTest::addColumn<bool>("simulate");
    QTest::addColumn<int>("signal");
    QTest::newRow("--simulate, then SIGTERM") << true << int(SIGTERM);
    QTest::newRow("--open the simulator's device, then Ctrl+C") << false << int(SIGINT);
}

void TestProgram::connectsAtStartAndEndsOnASignal()
{
    QFETCH(bool, simulate);
    QFETCH(int, signal);
    // Presets saved before: opening recalls preset 1 only (a first start
    // would send all five, ten seconds' worth, before the farewell).
    QTemporaryDir home;
    for (int preset = 1; preset <= 5; ++preset) {
        QFile file(home.filePath(QString("preset%1.txt").arg(preset)));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("01\n16\n01\n11\n00\n16\n00\n00\n01\n12\n00\n00\n01\n08\n00\n");
    }
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("HOME", home.path());
    environment.insert("QT_QPA_PLATFORM", "offscreen");

    QProcess sim;
    QStringList arguments{"--simulate"};
    if (!simulate) {
        sim.start(CAMDECK_SIM, {"--headless"});
        QVERIFY(sim.waitForStarted());
        QTRY_VERIFY(sim.canReadLine());
        arguments = QStringList{"--open", QString::fromLocal8Bit(sim.readLine()).trimmed()};
    }
    QProcess camdeck;
    camdeck.setProcessEnvironment(environment);
    camdeck.start(CAMDECK_PROGRAM, arguments);
    QVERIFY(camdeck.waitForStarted());

    // Either way the simulator's log comes to us: its own, or through camdeck.
    QProcess &log = simulate ? camdeck : sim;
    QByteArray seen;
    QVERIFY2(waitForLine(log, seen, "greeting"), seen.constData());
    QVERIFY2(waitForLine(log, seen, "2/0 "), seen.constData()); // preset 1 is going out

    ::kill(static_cast<pid_t>(camdeck.processId()), signal);
    QVERIFY(camdeck.waitForFinished(10000));
    QCOMPARE(camdeck.exitStatus(), QProcess::NormalExit);
    QCOMPARE(camdeck.exitCode(), 0);
    if (!simulate) {
        QVERIFY2(waitForLine(sim, seen, "farewell"), seen.constData());
        sim.terminate();
        QVERIFY(sim.waitForFinished(5000));
    }
}

QTEST_MAIN(TestProgram)
#include "tst_program.moc"
