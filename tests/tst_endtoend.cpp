// The panel and the simulated camera, meeting only on the wire: the panel opens
// the simulator's pseudo-terminal as it would a USB adapter, and what the
// simulator decodes (its traffic log) shows what reached the camera.
#include "fixture.h"
#include "windowcontroller.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <thread>

class TestEndToEnd : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void openingAppliesPreset1();
    void colourBar();
    void textUpload();
    void maskPattern();
    void jogAndStop();

private:
    // The last value each one-byte register was given, as the simulator logged it.
    QMap<QString, int> registers();
    QStringList simLog();
    void open();
    template<class T> T *control(const char *name) { return m_window->findChild<T *>(name); }

    QTemporaryDir m_home;
    QProcess m_sim;
    QString m_path;
    QByteArray m_stderr;
    std::unique_ptr<WindowController> m_window;
};

void TestEndToEnd::initTestCase()
{
    qputenv("HOME", m_home.path().toLocal8Bit());
}

void TestEndToEnd::init()
{
    m_stderr.clear();
    m_sim.start(QStringLiteral(CAMDECK_SIM), {"--headless"});
    QVERIFY(m_sim.waitForStarted());
    QTRY_VERIFY(m_sim.canReadLine());
    m_path = QString::fromLocal8Bit(m_sim.readLine()).trimmed();
    QVERIFY(m_path.startsWith("/dev/"));

    m_window = std::make_unique<WindowController>(QStringList{m_path});
    // The simulator answers at once: a tenth of each pause is plenty for it.
    m_window->line().setPause(
        [](std::chrono::milliseconds d) { std::this_thread::sleep_for(d / 10); });
    m_window->show();
    open();
}

void TestEndToEnd::cleanup()
{
    m_window.reset();
    m_sim.terminate();
    QVERIFY(m_sim.waitForFinished(5000));
}

void TestEndToEnd::open()
{
    QComboBox *tty = control<QComboBox>("ttySelect");
    chooseItem(tty, tty->findText(m_path));
    QTRY_VERIFY(m_window->isConnected());
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
}

QStringList TestEndToEnd::simLog()
{
    // What the panel queued has gone out; give the simulator a moment to log it.
    if (!QTest::qWaitFor([this] { return !m_window->line().busy(); }, 10000))
        return {"the panel never finished sending"};
    QTest::qWait(100);
    m_stderr += m_sim.readAllStandardError();
    return QString::fromUtf8(m_stderr).split('\n', Qt::SkipEmptyParts);
}

QMap<QString, int> TestEndToEnd::registers()
{
    static const QRegularExpression written(R"((\d+/\d+)[^←]* ← 0x([0-9A-F]{2}))");
    QMap<QString, int> last;
    for (const QString &line : simLog()) {
        const auto m = written.match(line);
        if (m.hasMatch())
            last[m.captured(1)] = m.captured(2).toInt(nullptr, 16);
    }
    return last;
}

void TestEndToEnd::openingAppliesPreset1()
{
    // Preset 1 as shipped: ALC on with the fixed shutter at 1/4000 s, automatic
    // gain at 24 dB, peak control on at 90 %.
    const QMap<QString, int> r = registers();
    QCOMPARE(r.value("2/0", -1), 0x01);
    QCOMPARE(r.value("2/1", -1), 16);
    QCOMPARE(r.value("2/3", -1), 11);
    QCOMPARE(r.value("2/4", -1), 0x01);
    QCOMPARE(r.value("2/5", -1), 12);
    QCOMPARE(r.value("2/10", -1), 0x88);
    QVERIFY(!simLog().filter("bad ").size());
}

void TestEndToEnd::colourBar()
{
    QTest::mouseClick(control<QCheckBox>("colorbarSelect"), Qt::LeftButton, {}, QPoint(8, 8));
    QVERIFY(registers().value("8/2", -1) & 0x08);
}

void TestEndToEnd::textUpload()
{
    QLineEdit *text = control<QLineEdit>("textstringSelect");
    QTest::mouseClick(text, Qt::LeftButton);
    QTest::keyClicks(text, "BENCH 7");
    QTest::mouseClick(control<QPushButton>("textupdateSelect"), Qt::LeftButton);
    const QMap<QString, int> r = registers();
    const QByteArray expected = QByteArray("BENCH 7").leftJustified(24, '\0');
    for (int i = 0; i < 24; ++i)
        QCOMPARE(r.value(QString("8/%1").arg(11 + i), -1), int(expected[i]));
}

void TestEndToEnd::maskPattern()
{
    QTest::mouseClick(control<QPushButton>("maskbutton4Select"), Qt::LeftButton);
    const QStringList log = simLog();
    const QStringList expected{"mask 0 define 124,34", "mask 1 define 64,34", "mask 2 define 64,34",
                               "mask 3 define 64,94",  "mask 0 show",         "mask 3 show"};
    for (const QString &line : expected)
        QVERIFY2(!log.filter(line).isEmpty(), qPrintable(line));
}

void TestEndToEnd::jogAndStop()
{
    QTest::mouseClick(control<QPushButton>("buttonRight"), Qt::LeftButton);
    QTest::qWait(400);
    QTest::mouseClick(control<QPushButton>("buttonStop"), Qt::LeftButton);
    static const QRegularExpression answered(R"(travel query, answered (-?\d+) mm)");
    QString travel;
    for (const QString &line : simLog()) {
        const auto m = answered.match(line);
        if (m.hasMatch())
            travel = m.captured(1);
    }
    QVERIFY(!travel.isEmpty());
    QVERIFY(travel.toInt() > 0);
    QCOMPARE(control<QLineEdit>("mmDistance")->text(), QLocale().toString(travel.toInt()));
}

QTEST_MAIN(TestEndToEnd)
#include "tst_endtoend.moc"
