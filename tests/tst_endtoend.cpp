// camdeck and camdeck-ctl as a shell starts them, with camdeck-sim: they meet
// only on the wire, the simulator's pseudo-terminal opened as a USB adapter
// is, and what the simulator logs shows what reached the camera and the drive.
#include "fixture.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>

#include <csignal>
#include <fcntl.h>
#include <sys/file.h>

using namespace camdeck;

class TestEndToEnd : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void programConnectsAtStartAndEndsOnASignal_data();
    void programConnectsAtStartAndEndsOnASignal();
    void simulatorThatNeverSaysItsPath();
    void scriptGetsItsExitStatus();
    void setupRoundTripOnTheSimulator();
    void helpAndVersionWithoutADisplay_data();
    void helpAndVersionWithoutADisplay();

private:
    // Waits until the simulator has logged a line matching pattern (on from's
    // standard error); caught gets what its group matched.
    bool logged(const QString &pattern, QProcess *from = nullptr, QString *caught = nullptr);

    QProcess m_sim;
    QString m_log;
    QString m_path;
};

void TestEndToEnd::init()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_LOGGING_RULES", "camdeck.sim=true");
    m_sim.setProcessEnvironment(env);
    m_log.clear();
    m_sim.start(CAMDECK_SIM, {"--headless", "--speed", "100"});
    QVERIFY(m_sim.waitForStarted());
    QTRY_VERIFY(m_sim.canReadLine());
    m_path = QString::fromLocal8Bit(m_sim.readLine()).trimmed();
}

// The simulator ends on Ctrl+C, closing its pty: no device node stays behind.
void TestEndToEnd::cleanup()
{
    QCOMPARE(::kill(pid_t(m_sim.processId()), SIGINT), 0);
    QVERIFY(m_sim.waitForFinished(5000));
    QCOMPARE(m_sim.exitStatus(), QProcess::NormalExit);
    QCOMPARE(m_sim.exitCode(), 0);
    QVERIFY(!QFile::exists(m_path));
}

bool TestEndToEnd::logged(const QString &pattern, QProcess *from, QString *caught)
{
    const QRegularExpression line(pattern);
    return QTest::qWaitFor([&] {
        m_log += QString::fromUtf8((from ? from : &m_sim)->readAllStandardError());
        const QRegularExpressionMatch match = line.match(m_log);
        if (match.hasMatch() && caught)
            *caught = match.captured(1);
        return match.hasMatch();
    });
}

void TestEndToEnd::programConnectsAtStartAndEndsOnASignal_data()
{
    QTest::addColumn<bool>("simulate"); // else --open the simulator's device
    QTest::addColumn<int>("signal");
    QTest::newRow("--simulate, then SIGTERM") << true << int(SIGTERM);
    QTest::newRow("--open the simulator's device, then Ctrl+C") << false << int(SIGINT);
    QTest::newRow("--simulate, then SIGKILL: the simulator goes too") << true << int(SIGKILL);
}

// camdeck started from a shell: it opens the device at start, and a
// termination signal ends it after the farewell.
void TestEndToEnd::programConnectsAtStartAndEndsOnASignal()
{
    QFETCH(bool, simulate);
    QFETCH(int, signal);
#ifdef __SANITIZE_THREAD__
    // QProcess starts the simulator with clone(CLONE_VM | CLONE_VFORK), which
    // ThreadSanitizer cannot follow: it then reports races that are not there.
    if (simulate)
        QSKIP("camdeck starting a process of its own is not checked under ThreadSanitizer");
#endif
    // Presets saved before: opening recalls preset 1 only (1.6 s, not 9.6 s).
    Home home;
    for (int preset = 1; preset <= 5; ++preset)
        home.write(preset, "01\n16\n01\n11\n00\n16\n00\n00\n01\n12\n00\n00\n01\n08\n00\n");
    QProcess camdeck;
    QProcessEnvironment env = m_sim.processEnvironment();
    env.insert("HOME", home.path());
    if (!simulate) { // nothing to say: the simulator's log is its own
        env.remove("QT_LOGGING_RULES");
        env.insert("QT_MESSAGE_PATTERN", "%{category}: %{message}");
    }
    camdeck.setProcessEnvironment(env);
    camdeck.start(CAMDECK_PROGRAM, simulate ? QStringList{"--simulate"} : QStringList{"--open", m_path});
    QVERIFY(camdeck.waitForStarted());
    // The simulator's log comes to us either way: its own, or passed on by camdeck.
    QProcess *sim = simulate ? &camdeck : &m_sim;
    QVERIFY(logged("greeting", sim));
    QVERIFY(logged("2/0 ", sim)); // preset 1 is going out
    QFile children(QString("/proc/%1/task/%1/children").arg(camdeck.processId()));
    QVERIFY(children.open(QIODevice::ReadOnly));
    const QByteArray simulator = children.readAll().trimmed();
    ::kill(pid_t(camdeck.processId()), signal);
    QVERIFY(camdeck.waitForFinished(10000));
    if (signal == SIGKILL) {
        QVERIFY(!simulator.isEmpty());
        const auto running = [&simulator] { // a zombie has ended: nobody is left to reap it
            QFile stat("/proc/" + simulator + "/stat");
            return stat.open(QIODevice::ReadOnly) && !stat.readAll().contains(") Z ");
        };
        QTRY_VERIFY_WITH_TIMEOUT(!running(), 5000);
        return;
    }
    QCOMPARE(camdeck.exitStatus(), QProcess::NormalExit);
    QCOMPARE(camdeck.exitCode(), 0);
    if (simulate)
        return;
    QVERIFY(logged("farewell", sim)); // camdeck's own simulator goes with it
    // Nothing went wrong, so camdeck said nothing (Qt itself may, offscreen).
    QCOMPARE(QString(camdeck.readAllStandardError()).split('\n').filter(QRegularExpression("^camdeck")), QStringList());
}

// The window is up while the simulator starts; one that ends without saying
// its path ends camdeck with 1 and why.
void TestEndToEnd::simulatorThatNeverSaysItsPath()
{
#ifdef __SANITIZE_THREAD__
    QSKIP("camdeck starting a process of its own is not checked under ThreadSanitizer");
#endif
    QTemporaryDir bin; // camdeck, and a camdeck-sim beside it that fails
    QVERIFY(QFile::copy(CAMDECK_PROGRAM, bin.filePath("camdeck")));
    QFile fake(bin.filePath("camdeck-sim"));
    QVERIFY(fake.open(QIODevice::WriteOnly) && fake.write("#!/bin/sh\nexit 3\n") > 0);
    fake.close();
    QVERIFY(fake.setPermissions(QFile::ExeOwner | QFile::ReadOwner));
    QProcess camdeck;
    camdeck.start(bin.filePath("camdeck"), {"--simulate"});
    QVERIFY(camdeck.waitForFinished(10000));
    QCOMPARE(camdeck.exitCode(), 1);
    QVERIFY(camdeck.readAllStandardError().contains(
        "camdeck: the simulator did not start: camdeck-sim ended before it printed a device path\n"));
}

// camdeck-ctl as a shell runs it: against the simulator a script reads the
// replies and gets 0; a mistake gets 1, a port held by another program 3, with
// nothing sent.
void TestEndToEnd::scriptGetsItsExitStatus()
{
    Home home; // without preset files, whatever the user's own home holds
    const auto ctl = [](const QStringList &arguments) {
        QProcess process;
        process.start(CAMDECK_CTL, arguments);
        process.waitForFinished(10000);
        return QStringList{QString::number(process.exitCode()), process.readAllStandardOutput(),
                           process.readAllStandardError()};
    };
    QCOMPARE(ctl({"-d", m_path, "hello", "set", "colour-bar", "on", "jog", "stop"}),
             QStringList({"0", "reply 53 49 4D 31 \"SIM1\"\ntravel 0 mm\n", ""}));
    PtyPeer peer;
    const QString path = QString::fromStdString(peer.slavePath());
    const int other = ::open(peer.slavePath().c_str(), O_RDWR | O_NOCTTY);
    QCOMPARE(::flock(other, LOCK_EX | LOCK_NB), 0);
    const QStringList held = ctl({"-d", path, "hello"});
    QCOMPARE(held.first(), QString("3"));
    QVERIFY2(held.last().contains("in use by another program (Device or resource busy)"), qPrintable(held.last()));
    QVERIFY(peer.takeAll().empty());
    ::close(other);

    // Ctrl+C during a recall: the recall still goes out, the command after it
    // does not, then the farewell; 128 + 2.
    QProcess interrupted;
    interrupted.start(CAMDECK_CTL, {"-d", path, "preset", "1", "set", "colour-bar", "on"});
    QCOMPARE(hex(peer.take(2 + 11)), QString("8E 12 01 00 28 05 02 00 00 01 01 DC 61"));
    ::kill(pid_t(interrupted.processId()), SIGINT);
    QVERIFY(interrupted.waitForFinished(10000));
    QCOMPARE(interrupted.exitCode(), 130);
    QVERIFY(interrupted.readAllStandardError().endsWith(
        "\ncamdeck-ctl: interrupted: what was queued went out, the rest is not sent\n"));
    const QString rest = hex(peer.takeAll());
    QCOMPARE(rest.size(), (15 * 11 + 1) * 3 - 1);
    QVERIFY2(rest.endsWith(" 80"), qPrintable(rest));
}

// What the open window shows, dumped to a file and applied again after the
// controls were moved: the simulated camera gets it back, and the window
// shows it as it was.
void TestEndToEnd::setupRoundTripOnTheSimulator()
{
    Home home;
    for (int preset = 1; preset <= 5; ++preset) // opening recalls preset 1 only
        home.write(preset, "01\n16\n01\n11\n00\n16\n00\n00\n01\n12\n00\n00\n01\n08\n00\n");
    QProcess camdeck;
    QProcessEnvironment env = m_sim.processEnvironment();
    env.insert("HOME", home.path());
    env.remove("QT_LOGGING_RULES");
    camdeck.setProcessEnvironment(env);
    camdeck.start(CAMDECK_PROGRAM, {"--open", m_path});
    const auto ctl = [&env](const QStringList &arguments) {
        QProcess process;
        process.setProcessEnvironment(env);
        process.start(CAMDECK_CTL, arguments);
        process.waitForFinished(30000);
        return QStringList{QString::number(process.exitCode()), process.readAllStandardOutput(),
                           process.readAllStandardError()};
    };
    QVERIFY(logged("2/10 peak control"));
    QCOMPARE(ctl({"set", "colour-gain", "28", "crosshair-x", "500", "text", "LOT 42", "mask", "plus"}).first(), "0");
    const QStringList dumped = ctl({"setup", "dump"});
    QCOMPARE(dumped.first(), "0");
    QVERIFY2(dumped[1].contains("\ncolour-gain = 28\n") && dumped[1].contains("\ntext = \"LOT 42\"\nmask = plus\n"),
             qPrintable(dumped[1]));
    QTemporaryDir dir;
    QFile file(dir.filePath("bench.txt"));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(dumped[1].toUtf8()) > 0);
    file.close();

    QCOMPARE(ctl({"set", "colour-gain", "3", "text", "", "mask", "none"}).first(), "0");
    QVERIFY(logged("mask 3 hide"));
    m_log.clear();
    QCOMPARE(ctl({"setup", "apply", file.fileName()}), (QStringList{"0", "", ""}));
    QVERIFY(logged("4/4 colour gain ← 0x1C[\\s\\S]*8/3 crosshair x ← 500[\\s\\S]*text position 0 ← 0x4C"
                   "[\\s\\S]*mask 1 show"));
    QCOMPARE(ctl({"setup", "dump"}), dumped);
    ::kill(pid_t(camdeck.processId()), SIGTERM);
    QVERIFY(camdeck.waitForFinished(10000));
}

void TestEndToEnd::helpAndVersionWithoutADisplay_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("says");
    for (const char *program : {CAMDECK_PROGRAM, CAMDECK_SIM}) {
        const QString name = QFileInfo(program).fileName();
        QTest::newRow(qPrintable(name + " --help")) << program << "--help"
                                                    << "Usage: " + QString(program);
        QTest::newRow(qPrintable(name + " --version")) << program << "--version" << name + " 0.1\n";
    }
    QTest::newRow("camdeck-ctl --version") << CAMDECK_CTL << "--version"
                                           << "camdeck-ctl 0.1\n";
}

void TestEndToEnd::helpAndVersionWithoutADisplay()
{
    QFETCH(QString, program);
    QFETCH(QString, option);
    QFETCH(QString, says);
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *display : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(display);
    process.setProcessEnvironment(env);
    process.start(program, {option});
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitCode(), 0);
    QVERIFY2(QString(process.readAllStandardOutput()).startsWith(says), qPrintable(says));
}

QTEST_MAIN(TestEndToEnd)
#include "tst_endtoend.moc"
