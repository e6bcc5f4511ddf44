// The gain and colour group through the real window on a pseudo-terminal:
// the automatic / manual gain pair, peak control, the ATW / AWB pair, and the
// labels and bytes of every slider, the UV matrix's signed bytes among them.
#include "panelbench.h"
#include "testsupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QTest>

using namespace camdeck;

class TestGainColour : public QObject {
    Q_OBJECT

private slots:
    void gainPair_data();
    void gainPair();
    void sliders_data();
    void sliders();
    void peakControlKeepsItsLevel();
    void whiteBalancePair_data();
    void whiteBalancePair();
};

void TestGainColour::gainPair_data()
{
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("frame");
    QTest::addColumn<QString>("autoManual");
    QTest::addColumn<QList<int>>("agcMgc");

    // Preset 1: automatic gain on, slow shutter off, gain priority.
    QTest::newRow("automatic on") << QStringList {"autogainSelect"} << "autogainSelect"
                                  << "2/4=01"
                                  << "on off" << QList<int> {1, 0};
    QTest::newRow("automatic off") << QStringList() << "autogainSelect"
                                   << "2/4=00"
                                   << "off on" << QList<int> {0, 1};
    QTest::newRow("automatic off keeps slow shutter and its priority")
        << QStringList {"slowshutterSelect", "priorityslowshutterSelect"} << "autogainSelect"
        << "2/4=0C"
        << "off on" << QList<int> {0, 1};
    QTest::newRow("manual on") << QStringList() << "manualSelect"
                               << "2/4=00"
                               << "off on" << QList<int> {0, 1};
    QTest::newRow("manual off") << QStringList {"manualSelect"} << "manualSelect"
                                << "2/4=01"
                                << "on off" << QList<int> {1, 0};
    QTest::newRow("manual off with slow shutter")
        << QStringList {"slowshutterSelect", "manualSelect"} << "manualSelect"
        << "2/4=05"
        << "on off" << QList<int> {1, 0};
}

void TestGainColour::gainPair()
{
    QFETCH(QStringList, before);
    QFETCH(QString, box);
    QFETCH(QString, frame);
    QFETCH(QString, autoManual);
    QFETCH(QList<int>, agcMgc);

    BenchWindow bench;
    for (const QString &b : before)
        bench.click(qPrintable(b));
    bench.sent();
    bench.click(qPrintable(box));
    QCOMPARE(bench.sent(), QStringList {frame});
    QCOMPARE(bench.boxes({"autogainSelect", "manualSelect"}), autoManual);
    const ExposureState &s = bench.window().exposureState();
    QCOMPARE((QList<int> {s.agc_flg, s.mgc_flg}), agcMgc);
}

void TestGainColour::sliders_data()
{
    QTest::addColumn<QString>("slider");
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("frame");
    QTest::addColumn<int>("field"); // of the exposure state, or -1: not kept

    const auto row = [](const char *name, const char *slider, int position, const char *label,
                        const char *text, const char *frame, int field) {
        QTest::newRow(name) << slider << position << label << text << frame << field;
    };
    row("automatic gain 0", "autogainsliderSelect", 0, "autogainslidervalue", "0dB", "2/5=00", 9);
    row("automatic gain 18", "autogainsliderSelect", 18, "autogainslidervalue", "36dB", "2/5=12",
        9);
    row("manual gain 9", "manualsliderSelect", 9, "manualslidervalue", "18dB", "2/6=09", 11);
    row("peak 0 (on)", "peakcontrolsliderSelect", 0, "peakcontrolslidervalue", "10%", "2/10=80",
        13);
    row("peak 8 (on)", "peakcontrolsliderSelect", 8, "peakcontrolslidervalue", "90%", "2/10=88",
        13);
    row("peak 9 (on)", "peakcontrolsliderSelect", 9, "peakcontrolslidervalue", "100%", "2/10=89",
        13);
    row("ATW 0", "atwsliderSelect", 0, "atwslidervalue", "-40%", "4/2=00", -1);
    row("ATW 16", "atwsliderSelect", 16, "atwslidervalue", "40%", "4/2=10", -1);
    row("AWB 0", "awbsliderSelect", 0, "awbslidervalue", "-40%", "4/3=00", -1);
    row("AWB 16", "awbsliderSelect", 16, "awbslidervalue", "40%", "4/3=10", -1);
    row("suppression 0", "colorsuppresssliderSelect", 0, "colorsuppressslidervalue", "0%", "4/1=00",
        -1);
    row("suppression 3", "colorsuppresssliderSelect", 3, "colorsuppressslidervalue", "30%",
        "4/1=03", -1);
    row("suppression 10", "colorsuppresssliderSelect", 10, "colorsuppressslidervalue", "100%",
        "4/1=0A", -1);
    row("colour gain 0", "colorgainsliderSelect", 0, "colorgainslidervalue", "-16", "4/4=00", -1);
    row("colour gain 16", "colorgainsliderSelect", 16, "colorgainslidervalue", "0", "4/4=10", -1);
    row("colour gain 32", "colorgainsliderSelect", 32, "colorgainslidervalue", "16", "4/4=20", -1);
    row("tone R-Y 0", "colortonerysliderSelect", 0, "colortoneryslidervalue", "-40%", "4/5=00", -1);
    row("tone R-Y 16", "colortonerysliderSelect", 16, "colortoneryslidervalue", "40%", "4/5=10",
        -1);
    row("tone B-Y 0", "colortonebysliderSelect", 0, "colortonebyslidervalue", "-40%", "4/6=00", -1);
    row("tone B-Y 16", "colortonebysliderSelect", 16, "colortonebyslidervalue", "40%", "4/6=10",
        -1);
    row("UR 0", "uvmatrix_UR_sliderSelect", 0, "uvmatrixURslidervalue", "-128", "4/19=80", -1);
    row("UR 100", "uvmatrix_UR_sliderSelect", 100, "uvmatrixURslidervalue", "-28", "4/19=E4", -1);
    row("UR 128", "uvmatrix_UR_sliderSelect", 128, "uvmatrixURslidervalue", "0", "4/19=00", -1);
    row("UR 255", "uvmatrix_UR_sliderSelect", 255, "uvmatrixURslidervalue", "127", "4/19=7F", -1);
    row("UG 255", "uvmatrix_UG_sliderSelect", 255, "uvmatrixUGslidervalue", "127", "4/20=7F", -1);
    row("UB 0", "uvmatrix_UB_sliderSelect", 0, "uvmatrixUBslidervalue", "-128", "4/21=80", -1);
    row("VR 100", "uvmatrix_VR_sliderSelect", 100, "uvmatrixVRslidervalue", "-28", "4/22=E4", -1);
    row("VG 128", "uvmatrix_VG_sliderSelect", 128, "uvmatrixVGslidervalue", "0", "4/23=00", -1);
    row("VB 129", "uvmatrix_VB_sliderSelect", 129, "uvmatrixVBslidervalue", "1", "4/24=01", -1);
}

// The label already shows the value while the camera takes the frame.
void TestGainColour::sliders()
{
    QFETCH(QString, slider);
    QFETCH(int, position);
    QFETCH(QString, label);
    QFETCH(QString, text);
    QFETCH(QString, frame);
    QFETCH(int, field);

    BenchWindow bench;
    const ExposureState before = bench.window().exposureState();
    auto *shown = bench.control<QLabel>(label.toLatin1());
    QString duringPause;
    bench.window().line().setPause([&](std::chrono::milliseconds) { duringPause = shown->text(); });
    bench.drag(qPrintable(slider), position);
    QCOMPARE(bench.sent(), QStringList {frame});
    QCOMPARE(shown->text(), text);
    QCOMPARE(duringPause, text);
    if (field >= 0)
        QCOMPARE(bench.window().exposureState().*presetFields[field], position);
    else
        QVERIFY(bench.window().exposureState() == before);
}

// The level stays in bits 0 to 6 whether peak control is on or off.
void TestGainColour::peakControlKeepsItsLevel()
{
    BenchWindow bench; // preset 1: peak control on at 8
    bench.click("peakcontrolSelect");
    QCOMPARE(bench.sent(), QStringList {"2/10=08"});
    QCOMPARE(bench.window().exposureState().peakcontrol_flg, 0);
    bench.drag("peakcontrolsliderSelect", 3);
    QCOMPARE(bench.sent(), QStringList {"2/10=03"});
    bench.click("peakcontrolSelect");
    QCOMPARE(bench.sent(), QStringList {"2/10=83"});
    QCOMPARE(bench.window().exposureState().peakcontrol_flg, 1);
}

void TestGainColour::whiteBalancePair_data()
{
    QTest::addColumn<int>("colourMode");
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("frame");
    QTest::addColumn<QString>("atwAwb");

    // The window starts with AWB ticked.
    QTest::newRow("ATW on, colour mode 2") << 2 << QStringList() << "atwSelect"
                                           << "4/0=09"
                                           << "on off";
    QTest::newRow("AWB on, colour mode 2") << 2 << QStringList {"atwSelect"} << "awbSelect"
                                           << "4/0=08"
                                           << "off on";
    QTest::newRow("AWB off") << 0 << QStringList() << "awbSelect"
                             << "4/0=01"
                             << "on off";
    QTest::newRow("ATW off") << 0 << QStringList {"atwSelect"} << "atwSelect"
                             << "4/0=00"
                             << "off on";
    QTest::newRow("ATW on, colour mode 1") << 1 << QStringList() << "atwSelect"
                                           << "4/0=05"
                                           << "on off";
}

void TestGainColour::whiteBalancePair()
{
    QFETCH(int, colourMode);
    QFETCH(QStringList, before);
    QFETCH(QString, box);
    QFETCH(QString, frame);
    QFETCH(QString, atwAwb);

    BenchWindow bench;
    const ExposureState state = bench.window().exposureState();
    chooseItem(bench.control<QComboBox>("colormodeSelect"), colourMode);
    for (const QString &b : before)
        bench.click(qPrintable(b));
    bench.sent();
    bench.click(qPrintable(box));
    QCOMPARE(bench.sent(), QStringList {frame});
    QCOMPARE(bench.boxes({"atwSelect", "awbSelect"}), atwAwb);
    QVERIFY(bench.window().exposureState() == state);
}

QTEST_MAIN(TestGainColour)
#include "tst_gaincolour.moc"
