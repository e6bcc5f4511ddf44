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

private:
    TemporaryHome m_home; // preset files for the openings
};

void TestGainColour::gainPair_data()
{
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("frame");
    QTest::addColumn<QString>("autoManual");
    QTest::addColumn<QList<int>>("agcMgc");

    const auto row = [](const char *name, QStringList before, const char *box, const char *frame,
                        const char *autoManual, QList<int> agcMgc) {
        QTest::newRow(name) << before << box << frame << autoManual << agcMgc;
    };
    // Preset 1: automatic gain on, slow shutter off, gain priority.
    row("automatic on", {"autogainSelect"}, "autogainSelect", "2/4=01", "on off", {1, 0});
    row("automatic off", {}, "autogainSelect", "2/4=00", "off on", {0, 1});
    row("automatic off keeps slow shutter and its priority",
        {"slowshutterSelect", "priorityslowshutterSelect"}, "autogainSelect", "2/4=0C", "off on",
        {0, 1});
    row("manual on", {}, "manualSelect", "2/4=00", "off on", {0, 1});
    row("manual off", {"manualSelect"}, "manualSelect", "2/4=01", "on off", {1, 0});
    row("manual off with slow shutter", {"slowshutterSelect", "manualSelect"}, "manualSelect",
        "2/4=05", "on off", {1, 0});
}

void TestGainColour::gainPair()
{
    QFETCH(QStringList, before);
    QFETCH(QString, box);
    QFETCH(QString, frame);
    QFETCH(QString, autoManual);
    QFETCH(QList<int>, agcMgc);

    PanelBench bench;
    for (const QString &b : before)
        bench.click(qPrintable(b));
    bench.sent();
    bench.click(qPrintable(box));
    QCOMPARE(bench.sent(), QStringList{frame});
    QCOMPARE(bench.boxes({"autogainSelect", "manualSelect"}), autoManual);
    const ExposureState &s = bench.state();
    QCOMPARE((QList<int>{s.agc_flg, s.mgc_flg}), agcMgc);
}

void TestGainColour::sliders_data()
{
    addSliderRows({
        {"autogainsliderSelect", 0, "autogainslidervalue", "0dB", "2/5=00", 9},
        {"autogainsliderSelect", 18, "autogainslidervalue", "36dB", "2/5=12", 9},
        {"manualsliderSelect", 9, "manualslidervalue", "18dB", "2/6=09", 11},
        // Preset 1 has peak control on.
        {"peakcontrolsliderSelect", 0, "peakcontrolslidervalue", "10%", "2/10=80", 13},
        {"peakcontrolsliderSelect", 8, "peakcontrolslidervalue", "90%", "2/10=88", 13},
        {"peakcontrolsliderSelect", 9, "peakcontrolslidervalue", "100%", "2/10=89", 13},
        {"atwsliderSelect", 0, "atwslidervalue", "-40%", "4/2=00", -1},
        {"atwsliderSelect", 16, "atwslidervalue", "40%", "4/2=10", -1},
        {"awbsliderSelect", 0, "awbslidervalue", "-40%", "4/3=00", -1},
        {"awbsliderSelect", 16, "awbslidervalue", "40%", "4/3=10", -1},
        {"colorsuppresssliderSelect", 0, "colorsuppressslidervalue", "0%", "4/1=00", -1},
        {"colorsuppresssliderSelect", 3, "colorsuppressslidervalue", "30%", "4/1=03", -1},
        {"colorsuppresssliderSelect", 10, "colorsuppressslidervalue", "100%", "4/1=0A", -1},
        {"colorgainsliderSelect", 0, "colorgainslidervalue", "-16", "4/4=00", -1},
        {"colorgainsliderSelect", 16, "colorgainslidervalue", "0", "4/4=10", -1},
        {"colorgainsliderSelect", 32, "colorgainslidervalue", "16", "4/4=20", -1},
        {"colortonerysliderSelect", 0, "colortoneryslidervalue", "-40%", "4/5=00", -1},
        {"colortonerysliderSelect", 16, "colortoneryslidervalue", "40%", "4/5=10", -1},
        {"colortonebysliderSelect", 0, "colortonebyslidervalue", "-40%", "4/6=00", -1},
        {"colortonebysliderSelect", 16, "colortonebyslidervalue", "40%", "4/6=10", -1},
        // The matrix sends the signed byte of position - 128.
        {"uvmatrix_UR_sliderSelect", 0, "uvmatrixURslidervalue", "-128", "4/19=80", -1},
        {"uvmatrix_UR_sliderSelect", 100, "uvmatrixURslidervalue", "-28", "4/19=E4", -1},
        {"uvmatrix_UR_sliderSelect", 128, "uvmatrixURslidervalue", "0", "4/19=00", -1},
        {"uvmatrix_UR_sliderSelect", 255, "uvmatrixURslidervalue", "127", "4/19=7F", -1},
        {"uvmatrix_UG_sliderSelect", 255, "uvmatrixUGslidervalue", "127", "4/20=7F", -1},
        {"uvmatrix_UB_sliderSelect", 0, "uvmatrixUBslidervalue", "-128", "4/21=80", -1},
        {"uvmatrix_VR_sliderSelect", 100, "uvmatrixVRslidervalue", "-28", "4/22=E4", -1},
        {"uvmatrix_VG_sliderSelect", 128, "uvmatrixVGslidervalue", "0", "4/23=00", -1},
        {"uvmatrix_VB_sliderSelect", 129, "uvmatrixVBslidervalue", "1", "4/24=01", -1},
    });
}

// White balance and colour are kept nowhere; gain and peak control in the state.
void TestGainColour::sliders()
{
    QFETCH(SliderRow, row);
    checkSliderRow(row);
}

// The level stays in bits 0 to 6 whether peak control is on or off.
void TestGainColour::peakControlKeepsItsLevel()
{
    PanelBench bench; // preset 1: peak control on at 8
    bench.click("peakcontrolSelect");
    QCOMPARE(bench.sent(), QStringList{"2/10=08"});
    QCOMPARE(bench.state().peakcontrol_flg, 0);
    bench.drag("peakcontrolsliderSelect", 3);
    QCOMPARE(bench.sent(), QStringList{"2/10=03"});
    bench.click("peakcontrolSelect");
    QCOMPARE(bench.sent(), QStringList{"2/10=83"});
    QCOMPARE(bench.state().peakcontrol_flg, 1);
}

void TestGainColour::whiteBalancePair_data()
{
    QTest::addColumn<int>("colourMode");
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("frame");
    QTest::addColumn<QString>("atwAwb");

    const auto row = [](const char *name, int colourMode, QStringList before, const char *box,
                        const char *frame, const char *atwAwb) {
        QTest::newRow(name) << colourMode << before << box << frame << atwAwb;
    };
    // The window starts with AWB ticked.
    row("ATW on, colour mode 2", 2, {}, "atwSelect", "4/0=09", "on off");
    row("AWB on, colour mode 2", 2, {"atwSelect"}, "awbSelect", "4/0=08", "off on");
    row("AWB off", 0, {}, "awbSelect", "4/0=01", "on off");
    row("ATW off", 0, {"atwSelect"}, "atwSelect", "4/0=00", "off on");
    row("ATW on, colour mode 1", 1, {}, "atwSelect", "4/0=05", "on off");
}

void TestGainColour::whiteBalancePair()
{
    QFETCH(int, colourMode);
    QFETCH(QStringList, before);
    QFETCH(QString, box);
    QFETCH(QString, frame);
    QFETCH(QString, atwAwb);

    PanelBench bench;
    const ExposureState state = bench.state();
    chooseItem(bench.control<QComboBox>("colormodeSelect"), colourMode);
    for (const QString &b : before)
        bench.click(qPrintable(b));
    bench.sent();
    bench.click(qPrintable(box));
    QCOMPARE(bench.sent(), QStringList{frame});
    QCOMPARE(bench.boxes({"atwSelect", "awbSelect"}), atwAwb);
    QVERIFY(bench.state() == state);
}

QTEST_MAIN(TestGainColour)
#include "tst_gaincolour.moc"
