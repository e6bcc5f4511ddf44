// The panel and camdeck-sim, meeting only on the wire: the panel opens the
// simulator's pseudo-terminal as it would a USB adapter, and what the simulator
// logs shows what reached the camera and the drive.
#include "fixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>

#include <csignal>
#include <thread>

using namespace camdeck;

class TestEndToEnd : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void panelDrivesTheSimulator();
    void simulatorRejectsAndCarriesOn();
    void programConnectsAtStartAndEndsOnASignal_data();
    void programConnectsAtStartAndEndsOnASignal();

private:
    // Waits until the simulator has logged line (on from's standard error).
    bool logged(const QString &line, QProcess *from = nullptr);

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

bool TestEndToEnd::logged(const QString &line, QProcess *from)
{
    return QTest::qWaitFor([&] {
        m_log += QString::fromUtf8((from ? from : &m_sim)->readAllStandardError());
        return m_log.contains(line);
    });
}

void TestEndToEnd::panelDrivesTheSimulator()
{
    Home home;
    WindowController window({m_path});
    // The simulator answers at once: a tenth of each pause is plenty for it.
    window.line().setPause([](std::chrono::milliseconds d) { std::this_thread::sleep_for(d / 10); });
    window.show();
    auto *tty = window.findChild<QComboBox *>("ttySelect");
    chooseItem(tty, tty->findText(m_path));
    QTRY_VERIFY(window.isConnected());
    // Preset 1 as shipped: ALC with the fixed shutter at 1/4000 s, automatic gain 24 dB.
    QVERIFY(logged("greeting, answered SIM1"));
    QVERIFY(logged("2/3 fixed shutter speed ← 0x0B"));
    QVERIFY(logged("2/10 peak control ← 0x88"));

    tick(window.findChild<QCheckBox *>("colorbarSelect"));
    QVERIFY(logged("8/2 colour bar and crosshair ← 0x08"));
    window.findChild<QLineEdit *>("textstringSelect")->setText("BENCH 7");
    QTest::mouseClick(window.findChild<QPushButton *>("textupdateSelect"), Qt::LeftButton);
    QVERIFY(logged("8/17 text position 6 ← 0x37 '7'"));
    QTest::mouseClick(window.findChild<QPushButton *>("maskbutton4Select"), Qt::LeftButton);
    QVERIFY(logged("mask 3 define 64,94–126,96"));
    QVERIFY(logged("mask 3 show"));

    QTest::mouseClick(window.findChild<QPushButton *>("buttonRight"), Qt::LeftButton);
    QVERIFY(logged("jog right"));
    QTest::qWait(300); // the drive moves meanwhile
    QTest::mouseClick(window.findChild<QPushButton *>("buttonStop"), Qt::LeftButton);
    static const QRegularExpression answered(R"(travel query, answered (\d+) mm)");
    QVERIFY(logged("travel query, answered"));
    QVERIFY(QTest::qWaitFor([&] { return answered.match(m_log).hasMatch(); }));
    const QString travel = answered.match(m_log).captured(1);
    QVERIFY2(travel.toInt() >= 25, qPrintable(travel)); // 0.3 s at 100 mm/s, give or take
    QTRY_COMPARE(window.findChild<QLineEdit *>("mmDistance")->text(), travel);

    window.close();
    QVERIFY(logged("farewell"));
    QVERIFY(!m_log.contains("bad "));
}

void TestEndToEnd::simulatorRejectsAndCarriesOn()
{
    SerialLine line;
    QVERIFY(line.open(m_path.toStdString()).ok());
    QVERIFY(line.writeAll(bytes("01 00 28 05 08 02 00 01 08 76 C1 FF FF 85 01 00 00 00 00 7B 00"
                                " 01 00 28 05 08 01 00 01 81 AC 95"))
                .ok());
    QVERIFY(logged("8/1 flips and negative ← 0x81"));
    QVERIFY(m_log.contains("bad CRC, ignored: 01 00 28 05 08 02 00 01 08 76 C1"));
    QVERIFY(m_log.contains("skipped 2 bytes: FF FF"));
    QVERIFY(m_log.contains("bad checksum, ignored: 85 01 00 00 00 00 7B 00"));
    QVERIFY(!m_log.contains("jog right"));
}

void TestEndToEnd::programConnectsAtStartAndEndsOnASignal_data()
{
    QTest::addColumn<bool>("simulate"); // else --open the simulator's device
    QTest::addColumn<int>("signal");
    QTest::newRow("--simulate, then SIGTERM") << true << int(SIGTERM);
    QTest::newRow("--open the simulator's device, then Ctrl+C") << false << int(SIGINT);
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
    // Presets saved before: opening recalls preset 1 only, not all five.
    Home home;
    for (int preset = 1; preset <= 5; ++preset)
        home.write(preset, "01\n16\n01\n11\n00\n16\n00\n00\n01\n12\n00\n00\n01\n08\n00\n");
    QProcess camdeck;
    QProcessEnvironment env = m_sim.processEnvironment();
    env.insert("HOME", home.path());
    camdeck.setProcessEnvironment(env);
    camdeck.start(CAMDECK_PROGRAM, simulate ? QStringList{"--simulate"} : QStringList{"--open", m_path});
    QVERIFY(camdeck.waitForStarted());
    // The simulator's log comes to us either way: its own, or passed on by camdeck.
    QProcess *sim = simulate ? &camdeck : &m_sim;
    QVERIFY(logged("greeting", sim));
    QVERIFY(logged("2/0 ", sim)); // preset 1 is going out
    ::kill(pid_t(camdeck.processId()), signal);
    QVERIFY(camdeck.waitForFinished(10000));
    QCOMPARE(camdeck.exitStatus(), QProcess::NormalExit);
    QCOMPARE(camdeck.exitCode(), 0);
    if (!simulate) // camdeck's own simulator goes with it
        QVERIFY(logged("farewell", sim));
}

QTEST_MAIN(TestEndToEnd)
#include "tst_endtoend.moc"
