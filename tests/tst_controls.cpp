// Every camera control and the jog pad through the real window on a
// pseudo-terminal: what a user's click, drag, pick or key sends (literal bytes,
// the worked frames first), what the labels and readouts show, and the rules
// that tie check boxes together.
#include "fixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QDesktopServices>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QSlider>
#include <QUrl>

using namespace camdeck;

using Positions = QMap<int, QString>;

namespace {

// What the desktop was asked to open, instead of a browser.
class UrlRecorder : public QObject {
    Q_OBJECT
public slots:
    void open(const QUrl &url) { opened << url; }

public:
    QList<QUrl> opened;
};

// "alcsliderSelect=12" acts on a control with a value, "alcSelect" without one.
void act(Panel &panel, const QString &action)
{
    const QStringList parts = action.split('=');
    panel.act(parts[0], parts.value(1).toInt());
}

} // namespace

class TestControls : public QObject {
    Q_OBJECT

private slots:
    void frames_data();
    void frames();
    void textUpload_data();
    void textUpload();
    void jogPad_data();
    void jogPad();
    void jogTravel_data();
    void jogTravel();
    void website();
};

void TestControls::frames_data()
{
    // "name=value" acts; "see: box -box label=text exposure=..." checks a box ticked or
    // not, what a label shows, the exposure settings as a save would write them.
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("expected");
    const auto row
        = [](const char *name, QStringList steps, QStringList expected) { QTest::newRow(name) << steps << expected; };
    // After opening, preset 1 is on: fixed shutter with ALC, automatic gain,
    // gain priority, peak control on at 8; the rest as the window starts.
    // clang-format off
    row("colour bar, crosshair, colour bar off, crosshair off: 8/2 = 08 0C 04 00", {"colorbarSelect", "crosshairSelect", "colorbarSelect", "crosshairSelect"}, {"01 00 28 05 08 02 00 01 08 76 C0", "01 00 28 05 08 02 00 01 0C 72 C0", "01 00 28 05 08 02 00 01 04 7A C0", "01 00 28 05 08 02 00 01 00 7E C0"});
    row("negative and horizontal flip ticked: 8/1 = 0x81", {"hflipSelect", "negativeSelect"}, {"01 00 28 05 08 01 00 01 01 2C 95", "01 00 28 05 08 01 00 01 81 AC 95"});
    row("vertical flip keeps its bit: 02 82 80", {"vflipSelect", "negativeSelect", "vflipSelect"}, {"01 00 28 05 08 01 00 01 02 2F 95", "01 00 28 05 08 01 00 01 82 AF 95", "01 00 28 05 08 01 00 01 80 AD 95"});
    row("aspect and freeze on, off: 8/0 = 0x04, 8/38 = 1", {"aspectSelect", "aspectSelect", "freezeSelect", "freezeSelect"}, {"01 00 28 05 08 00 00 01 04 18 A6", "01 00 28 05 08 00 00 01 00 1C A6", "01 00 28 05 08 26 00 01 01 5D 0A", "01 00 28 05 08 26 00 01 00 5C 0A"});
    row("pop-ups send the item's index, item 0 too: 8/36 = 0x10", {"sdvSelect=1", "hdvSelect=3", "xdrSelect=2", "fogSelect=3", "eclipseSelect=1", "dnrSelect=1", "gammaSelect=4", "sharpnessSelect=2", "magnificationSelect=2", "xdrSelect=0"}, {"01 00 28 05 08 24 00 01 10 2E 6C", "01 00 28 05 08 23 00 01 30 99 F5", "01 00 28 05 03 00 00 01 02 EF 56", "01 00 28 05 03 01 00 01 03 DF 65", "01 00 28 05 03 02 00 01 01 8E 30", "01 00 28 05 03 03 00 01 01 BF 03", "01 00 28 05 03 06 00 01 04 4F FC", "01 00 28 05 03 07 00 01 02 78 CF", "01 00 28 05 05 00 00 01 02 4F E4", "01 00 28 05 03 00 00 01 00 ED 56"});
    row("colour mode item 3, ATW off, then ATW ticked: 0C 0D", {"colormodeSelect=3", "atwSelect"}, {"01 00 28 05 04 00 00 01 0C 71 D3", "01 00 28 05 04 00 00 01 0D 70 D3"});
    row("crosshair at 320, 360: 8/3 = 320, 8/5 = 360", {"crosshairxpositionsliderSelect=320", "see: crossxposslidervalue=320", "crosshairypositionsliderSelect=360", "see: crossyposslidervalue=360"}, {"01 00 28 06 08 03 00 02 40 01 CC 0E", "01 00 28 06 08 05 00 02 68 01 6C 94"});
    row("centre button: one frame for x and y", {"crosshairxpositionsliderSelect=100", "crosshairypositionsliderSelect=700", "centerSelect", "see: crossxposslidervalue=320 crossyposslidervalue=360"}, {"01 00 28 06 08 03 00 02 64 00 CD 2A", "01 00 28 06 08 05 00 02 BC 02 6F 40", "01 00 28 08 08 03 00 04 40 01 68 01 E6 D3"});
    row("positions as plain numbers: 5/1 = 300, 5/7 = 200", {"magnitudesliderSelect=300", "see: magnificationslidervalue=300", "autopanxsliderSelect=200", "see: autopanxslidervalue=200", "xpositionsliderSelect=1023", "see: magxposslidervalue=1023", "ypositionsliderSelect=256", "see: magyposslidervalue=256", "autopanysliderSelect=255", "see: autopanyslidervalue=255"}, {"01 00 28 06 05 01 00 02 2C 01 2A 35", "01 00 28 05 05 07 00 01 C8 12 7D", "01 00 28 06 05 03 00 02 FF 03 48 88", "01 00 28 06 05 05 00 02 00 01 EA C5", "01 00 28 05 05 08 00 01 FF 1B 6D"});
    row("SDV H and HDV H both at 6: 3/4 = 0x66", {"SDV_H_sliderSelect=6", "see: SDV_H_slidervalue=0"}, {"01 00 28 05 03 04 00 01 66 4F 9A"});
    row("SDV H at 6 with HDV H at 0, HDV H to 12: 06 C6", {"HDV_H_sliderSelect=0", "SDV_H_sliderSelect=6", "HDV_H_sliderSelect=12", "see: SDV_H_slidervalue=0 HDV_H_slidervalue=60"}, {"01 00 28 05 03 04 00 01 06 2F 9A", "01 00 28 05 03 04 00 01 06 2F 9A", "01 00 28 05 03 04 00 01 C6 EF 9A"});
    row("V sliders: SDV V 15, HDV V 0: 3/5 = 0x0F", {"HDV_V_sliderSelect=0", "SDV_V_sliderSelect=15", "see: SDV_V_slidervalue=90 HDV_V_slidervalue=-60"}, {"01 00 28 05 03 05 00 01 06 1E A9", "01 00 28 05 03 05 00 01 0F 17 A9"});
    row("text shown, position 1: 8/8 = 0x03", {"textSelect", "textpositionSelect=1"}, {"01 00 28 05 08 08 00 01 01 B4 2F", "01 00 28 05 08 08 00 01 03 B6 2F"});
    row("BLC, AGC switch, FLC on, off", {"blcSelect", "blcSelect", "agcSelect", "agcSelect", "flcSelect", "flcSelect"}, {"80 86 01 01 00 00 F8 00", "80 86 00 01 00 00 F9 00", "80 82 01 01 00 00 FC 00", "80 82 00 01 00 00 FD 00", "80 8C 01 01 00 00 F2 00", "80 8C 00 01 00 00 F3 00"});
    row("ALC and AES levels: -40% to 40%", {"alcsliderSelect=0", "see: alcslidervalue=-40%", "alcsliderSelect=8", "see: alcslidervalue=0%", "alcsliderSelect=16", "see: alcslidervalue=40%", "aessliderSelect=0", "see: aesslidervalue=-40%"}, {"01 00 28 05 02 01 00 01 00 EC 52", "01 00 28 05 02 01 00 01 08 E4 52", "01 00 28 05 02 01 00 01 10 FC 52", "01 00 28 05 02 02 00 01 00 BF 07"});
    row("shutter speeds: fixed 1/30s to 1/10000s, slow 1s to 8s", {"fixedshuttersliderSelect=0", "see: fixedshutterslidervalue=1/30s", "fixedshuttersliderSelect=5", "see: fixedshutterslidervalue=1/180s", "fixedshuttersliderSelect=12", "see: fixedshutterslidervalue=1/10000s", "slowshuttersliderSelect=4", "see: slowshutterslidervalue=1s", "slowshuttersliderSelect=7", "see: slowshutterslidervalue=8s"}, {"01 00 28 05 02 03 00 01 00 8E 34", "01 00 28 05 02 03 00 01 05 8B 34", "01 00 28 05 02 03 00 01 0C 82 34", "01 00 28 05 02 08 00 01 04 70 E8", "01 00 28 05 02 08 00 01 07 73 E8"});
    row("gains in dB, peak level 10% to 100% with its on bit", {"autogainsliderSelect=18", "see: autogainslidervalue=36dB", "manualsliderSelect=9", "see: manualslidervalue=18dB", "peakcontrolsliderSelect=0", "see: peakcontrolslidervalue=10%", "peakcontrolsliderSelect=9", "see: peakcontrolslidervalue=100%"}, {"01 00 28 05 02 05 00 01 12 3A 9E", "01 00 28 05 02 06 00 01 09 72 CB", "01 00 28 05 02 0A 00 01 80 96 8E", "01 00 28 05 02 0A 00 01 89 9F 8E"});
    row("white balance and colour levels", {"atwsliderSelect=0", "see: atwslidervalue=-40%", "awbsliderSelect=16", "see: awbslidervalue=40%", "colorsuppresssliderSelect=3", "see: colorsuppressslidervalue=30%", "colorsuppresssliderSelect=10", "see: colorsuppressslidervalue=100%", "colorgainsliderSelect=0", "see: colorgainslidervalue=-16", "colorgainsliderSelect=16", "see: colorgainslidervalue=0", "colortonerysliderSelect=0", "see: colortoneryslidervalue=-40%", "colortonebysliderSelect=16", "see: colortonebyslidervalue=40%"}, {"01 00 28 05 04 02 00 01 00 1F B5", "01 00 28 05 04 03 00 01 10 3E 86", "01 00 28 05 04 01 00 01 03 4F E0", "01 00 28 05 04 01 00 01 0A 46 E0", "01 00 28 05 04 04 00 01 00 B9 1F", "01 00 28 05 04 04 00 01 10 A9 1F", "01 00 28 05 04 05 00 01 00 88 2C", "01 00 28 05 04 06 00 01 10 CB 79"});
    row("UV matrix: a signed byte, the slider's 128 is 0", {"uvmatrix_UR_sliderSelect=0", "see: uvmatrixURslidervalue=-128", "uvmatrix_UR_sliderSelect=100", "see: uvmatrixURslidervalue=-28", "uvmatrix_UG_sliderSelect=255", "see: uvmatrixUGslidervalue=127", "uvmatrix_UB_sliderSelect=128", "see: uvmatrixUBslidervalue=0", "uvmatrix_VR_sliderSelect=129", "see: uvmatrixVRslidervalue=1", "uvmatrix_VG_sliderSelect=127", "see: uvmatrixVGslidervalue=-1", "uvmatrix_VB_sliderSelect=1", "see: uvmatrixVBslidervalue=-127"}, {"01 00 28 05 04 13 00 01 80 DD 85", "01 00 28 05 04 13 00 01 E4 B9 85", "01 00 28 05 04 14 00 01 7F B5 1C", "01 00 28 05 04 15 00 01 00 FB 2F", "01 00 28 05 04 16 00 01 01 A9 7A", "01 00 28 05 04 17 00 01 FF 66 49", "01 00 28 05 04 18 00 01 81 26 59"});
    row("mask button 0: the four hide packets", {"maskbutton0Select"}, {"81 87 00 01 00 00 F7 00", "81 88 00 01 00 00 F6 00", "81 89 00 01 00 00 F5 00", "81 8A 00 01 00 00 F4 00"});
    row("mask buttons 2 and 3: hide all, define and show their 4", {"maskbutton2Select", "maskbutton3Select"}, {"81 87 00 01 00 00 F7 00", "81 88 00 01 00 00 F6 00", "81 89 00 01 00 00 F5 00", "81 8A 00 01 00 00 F4 00", "A5 40 40 56 42 00 43 00", "A6 68 40 7E 42 00 F2 00", "A7 5E 22 60 38 00 41 00", "A8 5E 4A 60 60 00 F0 00", "81 87 01 01 00 00 F6 00", "81 88 01 01 00 00 F5 00", "81 89 01 01 00 00 F4 00", "81 8A 01 01 00 00 F3 00", "81 87 00 01 00 00 F7 00", "81 88 00 01 00 00 F6 00", "81 89 00 01 00 00 F5 00", "81 8A 00 01 00 00 F4 00", "A5 64 22 66 60 00 0F 00", "A6 58 22 5A 60 00 26 00", "A7 40 3A 7E 3C 00 25 00", "A8 40 46 7E 48 00 0C 00", "81 87 01 01 00 00 F6 00", "81 88 01 01 00 00 F5 00", "81 89 01 01 00 00 F4 00", "81 8A 01 01 00 00 F3 00"});
    row("mask button 1 after button 4: masks 2 and 3 stay hidden", {"maskbutton4Select", "maskbutton1Select"}, {"81 87 00 01 00 00 F7 00", "81 88 00 01 00 00 F6 00", "81 89 00 01 00 00 F5 00", "81 8A 00 01 00 00 F4 00", "A5 7C 22 7E 60 00 DF 00", "A6 40 22 42 60 00 56 00", "A7 40 22 7E 24 00 55 00", "A8 40 5E 7E 60 00 DC 00", "81 87 01 01 00 00 F6 00", "81 88 01 01 00 00 F5 00", "81 89 01 01 00 00 F4 00", "81 8A 01 01 00 00 F3 00", "81 87 00 01 00 00 F7 00", "81 88 00 01 00 00 F6 00", "81 89 00 01 00 00 F5 00", "81 8A 00 01 00 00 F4 00", "A5 5E 36 60 4C 00 1B 00", "A6 54 40 6A 42 00 1A 00", "81 87 01 01 00 00 F6 00", "81 88 01 01 00 00 F5 00"});
    // The check boxes tied together: ALC needs the fixed shutter, which is AES off;
    // automatic and manual gain, the two priorities, ATW and AWB exclude each other.
    row("fixed shutter with ALC: fixed shutter off clears ALC, ALC on sets it again", {"fixedshutterSelect", "see: aesSelect -fixedshutterSelect -alcSelect exposure=00,16,00,11,01,16,00,00,01,12,00,00,01,08,00", "alcSelect", "see: -aesSelect fixedshutterSelect alcSelect exposure=01,16,01,11,00,16,00,00,01,12,00,00,01,08,00"}, {"01 00 28 05 02 00 00 01 02 DF 61", "01 00 28 05 02 00 00 01 01 DC 61"});
    row("fixed shutter with ALC: AES on clears ALC, AES off is the fixed shutter", {"aesSelect", "see: aesSelect -fixedshutterSelect -alcSelect exposure=00,16,00,11,01,16,00,00,01,12,00,00,01,08,00", "aesSelect", "see: -aesSelect fixedshutterSelect -alcSelect exposure=00,16,01,11,00,16,00,00,01,12,00,00,01,08,00"}, {"01 00 28 05 02 00 00 01 02 DF 61", "01 00 28 05 02 00 00 01 00 DD 61"});
    row("ALC off, AES on, fixed shutter on", {"alcSelect", "see: -aesSelect fixedshutterSelect -alcSelect exposure=00,16,01,11,00,16,00,00,01,12,00,00,01,08,00", "aesSelect", "fixedshutterSelect", "see: -aesSelect fixedshutterSelect -alcSelect exposure=00,16,01,11,00,16,00,00,01,12,00,00,01,08,00"}, {"01 00 28 05 02 00 00 01 00 DD 61", "01 00 28 05 02 00 00 01 02 DF 61", "01 00 28 05 02 00 00 01 00 DD 61"});
    row("automatic gain off, on", {"autogainSelect", "see: -autogainSelect manualSelect exposure=01,16,01,11,00,16,00,00,00,12,01,00,01,08,00", "autogainSelect", "see: autogainSelect -manualSelect exposure=01,16,01,11,00,16,00,00,01,12,00,00,01,08,00"}, {"01 00 28 05 02 04 00 01 00 19 AD", "01 00 28 05 02 04 00 01 01 18 AD"});
    row("slow shutter on, manual gain on, off", {"slowshutterSelect", "see: priorityagcSelect -priorityslowshutterSelect exposure=01,16,01,11,00,16,01,00,01,12,00,00,01,08,00", "manualSelect", "see: -autogainSelect manualSelect exposure=01,16,01,11,00,16,01,00,00,12,01,00,01,08,00", "manualSelect", "see: autogainSelect -manualSelect exposure=01,16,01,11,00,16,01,00,01,12,00,00,01,08,00"}, {"01 00 28 05 02 04 00 01 05 1C AD", "01 00 28 05 02 04 00 01 04 1D AD", "01 00 28 05 02 04 00 01 05 1C AD"});
    row("automatic gain off keeps slow shutter and its priority", {"slowshutterSelect", "priorityslowshutterSelect", "autogainSelect", "see: -autogainSelect manualSelect exposure=01,16,01,11,00,16,01,00,00,12,01,00,01,08,01"}, {"01 00 28 05 02 04 00 01 05 1C AD", "01 00 28 05 02 04 00 01 0D 14 AD", "01 00 28 05 02 04 00 01 0C 15 AD"});
    row("slow-shutter priority ticked, unticked", {"priorityslowshutterSelect", "see: -priorityagcSelect priorityslowshutterSelect exposure=01,16,01,11,00,16,00,00,01,12,00,00,01,08,01", "priorityslowshutterSelect", "see: priorityagcSelect -priorityslowshutterSelect exposure=01,16,01,11,00,16,00,00,01,12,00,00,01,08,00"}, {"01 00 28 05 02 04 00 01 09 10 AD", "01 00 28 05 02 04 00 01 01 18 AD"});
    row("gain priority unticked, ticked", {"priorityagcSelect", "see: -priorityagcSelect priorityslowshutterSelect exposure=01,16,01,11,00,16,00,00,01,12,00,00,01,08,01", "priorityagcSelect", "see: priorityagcSelect -priorityslowshutterSelect exposure=01,16,01,11,00,16,00,00,01,12,00,00,01,08,00"}, {"01 00 28 05 02 04 00 01 09 10 AD", "01 00 28 05 02 04 00 01 01 18 AD"});
    row("slow shutter on with slow-shutter priority, off", {"priorityslowshutterSelect", "slowshutterSelect", "see: -priorityagcSelect priorityslowshutterSelect exposure=01,16,01,11,00,16,01,00,01,12,00,00,01,08,01", "slowshutterSelect", "see: exposure=01,16,01,11,00,16,00,00,01,12,00,00,01,08,01"}, {"01 00 28 05 02 04 00 01 09 10 AD", "01 00 28 05 02 04 00 01 0D 14 AD", "01 00 28 05 02 04 00 01 09 10 AD"});
    row("peak control off, on again at level 3", {"peakcontrolSelect", "see: exposure=01,16,01,11,00,16,00,00,01,12,00,00,00,08,00", "peakcontrolsliderSelect=3", "peakcontrolSelect", "see: exposure=01,16,01,11,00,16,00,00,01,12,00,00,01,03,00"}, {"01 00 28 05 02 0A 00 01 08 1E 8E", "01 00 28 05 02 0A 00 01 03 15 8E", "01 00 28 05 02 0A 00 01 83 95 8E"});
    row("colour mode 2: ATW on, AWB on", {"colormodeSelect=2", "atwSelect", "see: atwSelect -awbSelect", "awbSelect", "see: -atwSelect awbSelect"}, {"01 00 28 05 04 00 00 01 08 75 D3", "01 00 28 05 04 00 00 01 09 74 D3", "01 00 28 05 04 00 00 01 08 75 D3"});
    row("AWB off, ATW off", {"awbSelect", "see: atwSelect -awbSelect", "atwSelect", "see: -atwSelect awbSelect"}, {"01 00 28 05 04 00 00 01 01 7C D3", "01 00 28 05 04 00 00 01 00 7D D3"});
    // clang-format on
}

void TestControls::frames()
{
    QFETCH(QStringList, steps);
    QFETCH(QStringList, expected);
    Panel panel;
    const QByteArray before = panel.exposure();
    QStringList sent;
    for (const QString &step : steps) {
        if (!step.startsWith("see: ")) {
            act(panel, step);
            sent += panel.sent();
            continue;
        }
        for (const QString &item : step.mid(5).split(' ')) {
            const QString name = item.section('=', 0, 0);
            const QString value = item.section('=', 1);
            if (name == "exposure") // as a save writes it, a line a value
                QCOMPARE(QString(panel.exposure()).replace('\n', ',').chopped(1), value);
            else if (item.contains('='))
                QCOMPARE(panel.control<QLabel>(name)->text(), value);
            else
                QCOMPARE(panel.control<QCheckBox>(QString(name).remove('-'))->isChecked(), !name.startsWith('-'));
        }
    }
    QCOMPARE(sent, expected);
    // Only the exposure and gain controls touch what a preset keeps.
    if (!steps.join(' ').contains(QRegularExpression("^(alc|aes|fixed|slow|auto|manual|peak|priority)")))
        QCOMPARE(panel.exposure(), before);
}

void TestControls::textUpload_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<Positions>("frames"); // by position; the rest must be cleared
    QTest::addColumn<QString>("refused"); // in the status bar, nothing sent
    // A character goes out as its Latin-1 byte; the entry keeps the 24 the camera shows.
    // clang-format off
    QTest::newRow("AB: the worked frames") << "AB" << Positions{{0, "01 00 28 05 08 0B 00 01 41 A7 7A"}, {1, "01 00 28 05 08 0C 00 01 42 33 E3"}, {2, "01 00 28 05 08 0D 00 01 00 40 D0"}, {23, "01 00 28 05 08 22 00 01 00 98 C6"}} << "";
    QTest::newRow("empty: 24 cleared positions") << "" << Positions{} << "";
    QTest::newRow("30 typed: the 24 that fit") << QString(23, 'A') + "BCDEFGH" << Positions{{22, "01 00 28 05 08 21 00 01 41 8A 93"}, {23, "01 00 28 05 08 22 00 01 42 DA C6"}} << "";
    QTest::newRow("e-acute and y-diaeresis: Latin-1") << QString::fromUtf8("\u00e9\u00ff") << Positions{{0, "01 00 28 05 08 0B 00 01 E9 0F 7A"}, {1, "01 00 28 05 08 0C 00 01 FF 8E E3"}} << "";
    QTest::newRow("a dash the camera cannot show") << QString::fromUtf8("LOT 42 \u2014 \u00e4") << Positions{} << QString::fromUtf8("Text not sent: the on-screen text takes Latin-1 characters only, not '\u2014'");
    QTest::newRow("a face: two UTF-16 units, neither Latin-1") << QString::fromUtf8("x\U0001F600y") << Positions{} << QString::fromUtf8("Text not sent: the on-screen text takes Latin-1 characters only, not '\U0001F600'");
    // clang-format on
}

// Typed a key a character, as a keyboard or an input method types them.
void TestControls::textUpload()
{
    QFETCH(QString, typed);
    QFETCH(Positions, frames);
    QFETCH(QString, refused);
    Panel panel;
    auto *field = panel.control<QLineEdit>("textstringSelect");
    field->setFocus();
    for (const char32_t c : typed.toUcs4())
        QTest::sendKeyEvent(QTest::KeyAction::Click, field, Qt::Key_unknown, QString::fromUcs4(&c, 1), {});
    QTest::keyClick(field, Qt::Key_Return); // editing sends nothing
    QCOMPARE(panel.sent(), QStringList{});
    QCOMPARE(panel.control<QLabel>("textLeft")->text(),
             refused.isEmpty() ? QString("%1 left").arg(24 - field->text().size()) : "not Latin-1");
    QTest::mouseClick(panel.control<QPushButton>("textupdateSelect"), Qt::LeftButton);
    const QStringList sent = panel.sent();
    QCOMPARE(panel.control<QLabel>("lastCommandStatus")->text().startsWith("Text not sent"), !refused.isEmpty());
    if (!refused.isEmpty()) {
        QCOMPARE(panel.control<QLabel>("lastCommandStatus")->text(), refused);
        QCOMPARE(sent, QStringList());
        return;
    }
    QCOMPARE(sent.size(), 24);
    for (int i = 0; i < 24; ++i) {
        QVERIFY2(sent[i].startsWith(QString("01 00 28 05 08 %1 00 01 ").arg(11 + i, 2, 16, QChar('0')).toUpper()),
                 qPrintable(sent[i]));
        if (frames.contains(i))
            QCOMPARE(sent[i], frames[i]);
        else if (i >= field->text().size())
            QVERIFY2(sent[i].mid(24, 2) == "00", qPrintable(sent[i]));
    }
}

// The web-site button opens the one address chosen at build time, and sends nothing.
void TestControls::website()
{
    UrlRecorder desktop;
    QDesktopServices::setUrlHandler("https", &desktop, "open");
    QDesktopServices::setUrlHandler("http", &desktop, "open");
    Panel panel;
    panel.act("websiteSelect");
    QDesktopServices::unsetUrlHandler("https");
    QDesktopServices::unsetUrlHandler("http");
    QCOMPARE(desktop.opened, QList<QUrl>{QUrl(QStringLiteral(CAMDECK_WEBSITE_URL))});
    QCOMPARE(panel.sent(), QStringList());
}

void TestControls::jogPad_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("key"); // the same from the keyboard, the pad focused
    QTest::addColumn<QStringList>("sent");
    QTest::newRow("right") << "buttonRight" << int(Qt::Key_Right) << QStringList{"85 01 00 00 00 00 7A 00"};
    QTest::newRow("left") << "buttonLeft" << int(Qt::Key_Left) << QStringList{"85 01 01 00 00 00 79 00"};
    QTest::newRow("back") << "buttonBack" << int(Qt::Key_Down) << QStringList{"85 01 02 00 00 00 78 00"};
    QTest::newRow("forward") << "buttonForward" << int(Qt::Key_Up) << QStringList{"85 01 03 00 00 00 77 00"};
    QTest::newRow("stop, then the travel query")
        << "buttonStop" << int(Qt::Key_Space) << QStringList{"85 01 04 00 00 00 76 00", "8E 13"};
}

// The speed slider only shows its value: the packets carry no speed. The
// pressed button takes the focus from the text being typed (even where buttons
// take none on a click); a held key sends one packet.
void TestControls::jogPad()
{
    QFETCH(QString, button);
    QFETCH(int, key);
    QFETCH(QStringList, sent);
    Panel panel;
    dragSlider(panel.control<QSlider>("speedSlide"), 80);
    QCOMPARE(panel.control<QLineEdit>("speedCur")->text(), QString("80"));
    auto *field = panel.control<QLineEdit>("textstringSelect");
    auto *pressed = panel.control<QPushButton>(button);
    field->setFocus();
    QTest::keyClicks(field, "half typ");
    pressed->setFocusPolicy(Qt::TabFocus);
    QTest::mouseClick(pressed, Qt::LeftButton);
    QCOMPARE(panel.sent(), sent);
    QCOMPARE(QApplication::focusWidget(), pressed);
    QCOMPARE(field->text(), QString("half typ"));

    auto *pad = panel.control<QPushButton>("buttonForward");
    pad->setFocus();
    QTest::sendKeyEvent(QTest::KeyAction::Press, pad, Qt::Key(key), QString(), Qt::NoModifier);
    QKeyEvent held(QEvent::KeyPress, key, Qt::NoModifier, QString(), true);
    QApplication::sendEvent(pad, &held);
    QCOMPARE(panel.sent(), sent);
}

void TestControls::jogTravel_data()
{
    QTest::addColumn<QStringList>("replies"); // to each stop in turn; "" is silence
    QTest::addColumn<QString>("late"); // bytes that come after the first stop gave up
    QTest::addColumn<QString>("startTotal");
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("distance");
    QTest::addColumn<QString>("total");
    const auto row = [](const char *name, QStringList replies, const char *distance, const char *total,
                        const char *late = "", const char *startTotal = "0", const char *locale = "en_US") {
        QTest::newRow(name) << replies << late << startTotal << locale << distance << total;
    };
    row("1 byte: nothing changes", {"00"}, "0", "0");
    row("no reply: nothing changes", {""}, "0", "0");
    // A reply too late for its stop must not pass for the next one's.
    row("late reply, then 00 0A", {"", "00 0A"}, "10", "10", "00 64");
    // The most a reply says, -32768, adds 32768; a long day of moves must not
    // wrap the total negative.
    row("total past 2^31", {"80 00", "80 00"}, "-32,768", "2,147,548,536", "", "2,147,483,000");
    row("German grouping", {"FC 17", "FC 17"}, "-1.001", "2.002", "", "0", "de_DE");
}

void TestControls::jogTravel()
{
    QFETCH(QStringList, replies);
    QFETCH(QString, late);
    QFETCH(QString, startTotal);
    QFETCH(QString, locale);
    QFETCH(QString, distance);
    QFETCH(QString, total);
    QLocale::setDefault(QLocale(locale));
    Panel panel;
    panel.control<QLineEdit>("totalDist")->setText(startTotal);
    for (int i = 0; i < replies.size(); ++i) {
        panel.peer.answer(bytes("85 01 04 00 00 00 76 00 8E 13"), bytes(replies[i]));
        panel.act("buttonStop");
        panel.settle();
        if (i == 0 && !late.isEmpty()) {
            panel.peer.send(bytes(late));
            QTRY_COMPARE(pendingInput(panel.peer.slaveFd()), 2);
        }
    }
    QCOMPARE(panel.control<QLineEdit>("mmDistance")->text(), distance);
    QCOMPARE(panel.control<QLineEdit>("totalDist")->text(), total);
}

QTEST_MAIN(TestControls)
#include "tst_controls.moc"
