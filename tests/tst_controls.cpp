// Every camera control through the real window on a pseudo-terminal: what a
// user's click, drag or pick sends (literal bytes, the worked frames first),
// what the labels show, and the rules that tie check boxes together.
#include "fixture.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
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

// The exposure settings by their names, in the preset file's order.
const QStringList fieldNames{"alc_flg", "alc_val", "fsh_flg",         "fsh_val",         "aes_flg",
                             "aes_val", "ssh_flg", "ssh_val",         "agc_flg",         "agc_val",
                             "mgc_flg", "mgc_val", "peakcontrol_flg", "peakcontrol_val", "priority_flg"};

// "alcsliderSelect=12" acts on a control with a value; "alcSelect" without one.
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
    void partnerRules_data();
    void partnerRules();
    void textUpload_data();
    void textUpload();
    void website();
};

void TestControls::frames_data()
{
    QTest::addColumn<QStringList>("actions");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QStringList>("labels");
    const auto row = [](const char *name, QStringList actions, QStringList expected, QStringList labels = {}) {
        QTest::newRow(name) << actions << expected << labels;
    };
    // After opening, preset 1 is on: fixed shutter with ALC, automatic gain,
    // gain priority, peak control on at 8; the rest as the window starts.
    // clang-format off
    row("colour bar ticked, crosshair not: 8/2 = 0x08", {"colorbarSelect"}, {"01 00 28 05 08 02 00 01 08 76 C0"});
    row("colour bar and crosshair ticked: 8/2 = 0x0C", {"crosshairSelect", "colorbarSelect"}, {"01 00 28 05 08 02 00 01 04 7A C0", "01 00 28 05 08 02 00 01 0C 72 C0"});
    row("negative and horizontal flip ticked: 8/1 = 0x81", {"hflipSelect", "negativeSelect"}, {"01 00 28 05 08 01 00 01 01 2C 95", "01 00 28 05 08 01 00 01 81 AC 95"});
    row("aspect ticked: 8/0 = 0x04, then unticked", {"aspectSelect", "aspectSelect"}, {"01 00 28 05 08 00 00 01 04 18 A6", "01 00 28 05 08 00 00 01 00 1C A6"});
    row("sdv mode item 1: 8/36 = 0x10", {"sdvSelect=1"}, {"01 00 28 05 08 24 00 01 10 2E 6C"});
    row("colour mode item 2 with ATW ticked: 4/0 = 0x09", {"atwSelect", "colormodeSelect=2"}, {"01 00 28 05 04 00 00 01 01 7C D3", "01 00 28 05 04 00 00 01 09 74 D3"});
    row("crosshair x at 320: 8/3 = 320", {"crosshairxpositionsliderSelect=320"}, {"01 00 28 06 08 03 00 02 40 01 CC 0E"}, {"crossxposslidervalue=320"});
    row("crosshair y at 360: 8/5 = 360", {"crosshairypositionsliderSelect=360"}, {"01 00 28 06 08 05 00 02 68 01 6C 94"}, {"crossyposslidervalue=360"});
    row("centre button: one frame for x and y", {"crosshairxpositionsliderSelect=100", "crosshairypositionsliderSelect=700", "centerSelect"}, {"01 00 28 06 08 03 00 02 64 00 CD 2A", "01 00 28 06 08 05 00 02 BC 02 6F 40", "01 00 28 08 08 03 00 04 40 01 68 01 E6 D3"}, {"crossxposslidervalue=320", "crossyposslidervalue=360"});
    row("magnitude at 300: 5/1 = 300", {"magnitudesliderSelect=300"}, {"01 00 28 06 05 01 00 02 2C 01 2A 35"}, {"magnificationslidervalue=300"});
    row("autopan x at 200: 5/7 = 200", {"autopanxsliderSelect=200"}, {"01 00 28 05 05 07 00 01 C8 12 7D"}, {"autopanxslidervalue=200"});
    row("SDV H and HDV H both at 6: 3/4 = 0x66", {"SDV_H_sliderSelect=6"}, {"01 00 28 05 03 04 00 01 66 4F 9A"}, {"SDV_H_slidervalue=0"});
    row("text shown, position 1: 8/8 = 0x03", {"textSelect", "textpositionSelect=1"}, {"01 00 28 05 08 08 00 01 01 B4 2F", "01 00 28 05 08 08 00 01 03 B6 2F"});
    row("BLC on, off", {"blcSelect", "blcSelect"}, {"80 86 01 01 00 00 F8 00", "80 86 00 01 00 00 F9 00"});
    row("AGC switch on, off", {"agcSelect", "agcSelect"}, {"80 82 01 01 00 00 FC 00", "80 82 00 01 00 00 FD 00"});
    row("FLC on, off", {"flcSelect", "flcSelect"}, {"80 8C 01 01 00 00 F2 00", "80 8C 00 01 00 00 F3 00"});
    row("colour bar, crosshair, colour bar off, crosshair off: 08 0C 04 00", {"colorbarSelect", "crosshairSelect", "colorbarSelect", "crosshairSelect"}, {"01 00 28 05 08 02 00 01 08 76 C0", "01 00 28 05 08 02 00 01 0C 72 C0", "01 00 28 05 08 02 00 01 04 7A C0", "01 00 28 05 08 02 00 01 00 7E C0"});
    row("negative alone: 8/1 = 0x80", {"negativeSelect"}, {"01 00 28 05 08 01 00 01 80 AD 95"});
    row("vertical flip keeps its bit: 02 82 80", {"vflipSelect", "negativeSelect", "vflipSelect"}, {"01 00 28 05 08 01 00 01 02 2F 95", "01 00 28 05 08 01 00 01 82 AF 95", "01 00 28 05 08 01 00 01 80 AD 95"});
    row("colour mode item 3, ATW off, then ATW ticked: 0C 0D", {"colormodeSelect=3", "atwSelect"}, {"01 00 28 05 04 00 00 01 0C 71 D3", "01 00 28 05 04 00 00 01 0D 70 D3"});
    row("SDV H at 6 with HDV H at 0, HDV H to 12: 06 C6", {"HDV_H_sliderSelect=0", "SDV_H_sliderSelect=6", "HDV_H_sliderSelect=12"}, {"01 00 28 05 03 04 00 01 06 2F 9A", "01 00 28 05 03 04 00 01 06 2F 9A", "01 00 28 05 03 04 00 01 C6 EF 9A"}, {"SDV_H_slidervalue=0", "HDV_H_slidervalue=60"});
    row("V sliders: SDV V 15, HDV V 0: 3/5 = 0x0F", {"HDV_V_sliderSelect=0", "SDV_V_sliderSelect=15"}, {"01 00 28 05 03 05 00 01 06 1E A9", "01 00 28 05 03 05 00 01 0F 17 A9"}, {"SDV_V_slidervalue=90", "HDV_V_slidervalue=-60"});
    row("text shown while position is top: 8/8 = 0x01", {"textSelect"}, {"01 00 28 05 08 08 00 01 01 B4 2F"});
    row("freeze on, off: 8/38 = 1, 0", {"freezeSelect", "freezeSelect"}, {"01 00 28 05 08 26 00 01 01 5D 0A", "01 00 28 05 08 26 00 01 00 5C 0A"});
    row("hdv mode item 3: 8/35 = 0x30", {"hdvSelect=3"}, {"01 00 28 05 08 23 00 01 30 99 F5"});
    row("xdr item 2: 3/0 = 2", {"xdrSelect=2"}, {"01 00 28 05 03 00 00 01 02 EF 56"});
    row("fog item 3: 3/1 = 3", {"fogSelect=3"}, {"01 00 28 05 03 01 00 01 03 DF 65"});
    row("eclipse item 1: 3/2 = 1", {"eclipseSelect=1"}, {"01 00 28 05 03 02 00 01 01 8E 30"});
    row("dnr item 1: 3/3 = 1", {"dnrSelect=1"}, {"01 00 28 05 03 03 00 01 01 BF 03"});
    row("gamma item 4: 3/6 = 4", {"gammaSelect=4"}, {"01 00 28 05 03 06 00 01 04 4F FC"});
    row("sharpness item 2: 3/7 = 2", {"sharpnessSelect=2"}, {"01 00 28 05 03 07 00 01 02 78 CF"});
    row("magnification item 2: 5/0 = 2", {"magnificationSelect=2"}, {"01 00 28 05 05 00 00 01 02 4F E4"});
    row("item 0 goes out too: 3/0 = 0", {"xdrSelect=0"}, {"01 00 28 05 03 00 00 01 00 ED 56"});
    row("alcsliderSelect 0: alcslidervalue shows -40%", {"alcsliderSelect=0"}, {"01 00 28 05 02 01 00 01 00 EC 52"}, {"alcslidervalue=-40%"});
    row("alcsliderSelect 8: alcslidervalue shows 0%", {"alcsliderSelect=8"}, {"01 00 28 05 02 01 00 01 08 E4 52"}, {"alcslidervalue=0%"});
    row("alcsliderSelect 16: alcslidervalue shows 40%", {"alcsliderSelect=16"}, {"01 00 28 05 02 01 00 01 10 FC 52"}, {"alcslidervalue=40%"});
    row("aessliderSelect 0: aesslidervalue shows -40%", {"aessliderSelect=0"}, {"01 00 28 05 02 02 00 01 00 BF 07"}, {"aesslidervalue=-40%"});
    row("fixedshuttersliderSelect 0: fixedshutterslidervalue shows 1/30s", {"fixedshuttersliderSelect=0"}, {"01 00 28 05 02 03 00 01 00 8E 34"}, {"fixedshutterslidervalue=1/30s"});
    row("fixedshuttersliderSelect 5: fixedshutterslidervalue shows 1/180s", {"fixedshuttersliderSelect=5"}, {"01 00 28 05 02 03 00 01 05 8B 34"}, {"fixedshutterslidervalue=1/180s"});
    row("fixedshuttersliderSelect 12: fixedshutterslidervalue shows 1/10000s", {"fixedshuttersliderSelect=12"}, {"01 00 28 05 02 03 00 01 0C 82 34"}, {"fixedshutterslidervalue=1/10000s"});
    row("slowshuttersliderSelect 4: slowshutterslidervalue shows 1s", {"slowshuttersliderSelect=4"}, {"01 00 28 05 02 08 00 01 04 70 E8"}, {"slowshutterslidervalue=1s"});
    row("slowshuttersliderSelect 7: slowshutterslidervalue shows 8s", {"slowshuttersliderSelect=7"}, {"01 00 28 05 02 08 00 01 07 73 E8"}, {"slowshutterslidervalue=8s"});
    row("autogainsliderSelect 18: autogainslidervalue shows 36dB", {"autogainsliderSelect=18"}, {"01 00 28 05 02 05 00 01 12 3A 9E"}, {"autogainslidervalue=36dB"});
    row("manualsliderSelect 9: manualslidervalue shows 18dB", {"manualsliderSelect=9"}, {"01 00 28 05 02 06 00 01 09 72 CB"}, {"manualslidervalue=18dB"});
    row("peakcontrolsliderSelect 0: peakcontrolslidervalue shows 10%", {"peakcontrolsliderSelect=0"}, {"01 00 28 05 02 0A 00 01 80 96 8E"}, {"peakcontrolslidervalue=10%"});
    row("peakcontrolsliderSelect 9: peakcontrolslidervalue shows 100%", {"peakcontrolsliderSelect=9"}, {"01 00 28 05 02 0A 00 01 89 9F 8E"}, {"peakcontrolslidervalue=100%"});
    row("atwsliderSelect 0: atwslidervalue shows -40%", {"atwsliderSelect=0"}, {"01 00 28 05 04 02 00 01 00 1F B5"}, {"atwslidervalue=-40%"});
    row("awbsliderSelect 16: awbslidervalue shows 40%", {"awbsliderSelect=16"}, {"01 00 28 05 04 03 00 01 10 3E 86"}, {"awbslidervalue=40%"});
    row("colorsuppresssliderSelect 3: colorsuppressslidervalue shows 30%", {"colorsuppresssliderSelect=3"}, {"01 00 28 05 04 01 00 01 03 4F E0"}, {"colorsuppressslidervalue=30%"});
    row("colorsuppresssliderSelect 10: colorsuppressslidervalue shows 100%", {"colorsuppresssliderSelect=10"}, {"01 00 28 05 04 01 00 01 0A 46 E0"}, {"colorsuppressslidervalue=100%"});
    row("colorgainsliderSelect 0: colorgainslidervalue shows -16", {"colorgainsliderSelect=0"}, {"01 00 28 05 04 04 00 01 00 B9 1F"}, {"colorgainslidervalue=-16"});
    row("colorgainsliderSelect 16: colorgainslidervalue shows 0", {"colorgainsliderSelect=16"}, {"01 00 28 05 04 04 00 01 10 A9 1F"}, {"colorgainslidervalue=0"});
    row("colortonerysliderSelect 0: colortoneryslidervalue shows -40%", {"colortonerysliderSelect=0"}, {"01 00 28 05 04 05 00 01 00 88 2C"}, {"colortoneryslidervalue=-40%"});
    row("colortonebysliderSelect 16: colortonebyslidervalue shows 40%", {"colortonebysliderSelect=16"}, {"01 00 28 05 04 06 00 01 10 CB 79"}, {"colortonebyslidervalue=40%"});
    row("uvmatrix_UR_sliderSelect 0: uvmatrixURslidervalue shows -128", {"uvmatrix_UR_sliderSelect=0"}, {"01 00 28 05 04 13 00 01 80 DD 85"}, {"uvmatrixURslidervalue=-128"});
    row("uvmatrix_UR_sliderSelect 100: uvmatrixURslidervalue shows -28", {"uvmatrix_UR_sliderSelect=100"}, {"01 00 28 05 04 13 00 01 E4 B9 85"}, {"uvmatrixURslidervalue=-28"});
    row("uvmatrix_UG_sliderSelect 255: uvmatrixUGslidervalue shows 127", {"uvmatrix_UG_sliderSelect=255"}, {"01 00 28 05 04 14 00 01 7F B5 1C"}, {"uvmatrixUGslidervalue=127"});
    row("uvmatrix_UB_sliderSelect 128: uvmatrixUBslidervalue shows 0", {"uvmatrix_UB_sliderSelect=128"}, {"01 00 28 05 04 15 00 01 00 FB 2F"}, {"uvmatrixUBslidervalue=0"});
    row("uvmatrix_VR_sliderSelect 129: uvmatrixVRslidervalue shows 1", {"uvmatrix_VR_sliderSelect=129"}, {"01 00 28 05 04 16 00 01 01 A9 7A"}, {"uvmatrixVRslidervalue=1"});
    row("uvmatrix_VG_sliderSelect 127: uvmatrixVGslidervalue shows -1", {"uvmatrix_VG_sliderSelect=127"}, {"01 00 28 05 04 17 00 01 FF 66 49"}, {"uvmatrixVGslidervalue=-1"});
    row("uvmatrix_VB_sliderSelect 1: uvmatrixVBslidervalue shows -127", {"uvmatrix_VB_sliderSelect=1"}, {"01 00 28 05 04 18 00 01 81 26 59"}, {"uvmatrixVBslidervalue=-127"});
    row("xpositionsliderSelect 1023: magxposslidervalue shows 1023", {"xpositionsliderSelect=1023"}, {"01 00 28 06 05 03 00 02 FF 03 48 88"}, {"magxposslidervalue=1023"});
    row("ypositionsliderSelect 256: magyposslidervalue shows 256", {"ypositionsliderSelect=256"}, {"01 00 28 06 05 05 00 02 00 01 EA C5"}, {"magyposslidervalue=256"});
    row("autopanysliderSelect 255: autopanyslidervalue shows 255", {"autopanysliderSelect=255"}, {"01 00 28 05 05 08 00 01 FF 1B 6D"}, {"autopanyslidervalue=255"});
    row("mask button 0: the four hide packets", {"maskbutton0Select"}, {"81 87 00 01 00 00 F7 00", "81 88 00 01 00 00 F6 00", "81 89 00 01 00 00 F5 00", "81 8A 00 01 00 00 F4 00"});
    row("mask button 1: hide all, define and show its 2", {"maskbutton1Select"}, {"81 87 00 01 00 00 F7 00", "81 88 00 01 00 00 F6 00", "81 89 00 01 00 00 F5 00", "81 8A 00 01 00 00 F4 00", "A5 5E 36 60 4C 00 1B 00", "A6 54 40 6A 42 00 1A 00", "81 87 01 01 00 00 F6 00", "81 88 01 01 00 00 F5 00"});
    row("mask button 2: hide all, define and show its 4", {"maskbutton2Select"}, {"81 87 00 01 00 00 F7 00", "81 88 00 01 00 00 F6 00", "81 89 00 01 00 00 F5 00", "81 8A 00 01 00 00 F4 00", "A5 40 40 56 42 00 43 00", "A6 68 40 7E 42 00 F2 00", "A7 5E 22 60 38 00 41 00", "A8 5E 4A 60 60 00 F0 00", "81 87 01 01 00 00 F6 00", "81 88 01 01 00 00 F5 00", "81 89 01 01 00 00 F4 00", "81 8A 01 01 00 00 F3 00"});
    row("mask button 3: hide all, define and show its 4", {"maskbutton3Select"}, {"81 87 00 01 00 00 F7 00", "81 88 00 01 00 00 F6 00", "81 89 00 01 00 00 F5 00", "81 8A 00 01 00 00 F4 00", "A5 64 22 66 60 00 0F 00", "A6 58 22 5A 60 00 26 00", "A7 40 3A 7E 3C 00 25 00", "A8 40 46 7E 48 00 0C 00", "81 87 01 01 00 00 F6 00", "81 88 01 01 00 00 F5 00", "81 89 01 01 00 00 F4 00", "81 8A 01 01 00 00 F3 00"});
    row("mask button 4: hide all, define and show its 4", {"maskbutton4Select"}, {"81 87 00 01 00 00 F7 00", "81 88 00 01 00 00 F6 00", "81 89 00 01 00 00 F5 00", "81 8A 00 01 00 00 F4 00", "A5 7C 22 7E 60 00 DF 00", "A6 40 22 42 60 00 56 00", "A7 40 22 7E 24 00 55 00", "A8 40 5E 7E 60 00 DC 00", "81 87 01 01 00 00 F6 00", "81 88 01 01 00 00 F5 00", "81 89 01 01 00 00 F4 00", "81 8A 01 01 00 00 F3 00"});
    row("mask button 1 after button 4: masks 2 and 3 stay hidden", {"maskbutton4Select", "maskbutton1Select"}, {"81 87 00 01 00 00 F7 00", "81 88 00 01 00 00 F6 00", "81 89 00 01 00 00 F5 00", "81 8A 00 01 00 00 F4 00", "A5 7C 22 7E 60 00 DF 00", "A6 40 22 42 60 00 56 00", "A7 40 22 7E 24 00 55 00", "A8 40 5E 7E 60 00 DC 00", "81 87 01 01 00 00 F6 00", "81 88 01 01 00 00 F5 00", "81 89 01 01 00 00 F4 00", "81 8A 01 01 00 00 F3 00", "81 87 00 01 00 00 F7 00", "81 88 00 01 00 00 F6 00", "81 89 00 01 00 00 F5 00", "81 8A 00 01 00 00 F4 00", "A5 5E 36 60 4C 00 1B 00", "A6 54 40 6A 42 00 1A 00", "81 87 01 01 00 00 F6 00", "81 88 01 01 00 00 F5 00"});
    // clang-format on
}

void TestControls::frames()
{
    QFETCH(QStringList, actions);
    QFETCH(QStringList, expected);
    QFETCH(QStringList, labels);
    Panel panel;
    const ExposureState before = panel.state();
    QStringList sent;
    for (const QString &action : actions) {
        act(panel, action);
        sent += panel.sent();
    }
    QCOMPARE(sent, expected);
    for (const QString &label : labels) {
        const QStringList nameText = label.split('=');
        QCOMPARE(panel.control<QLabel>(nameText[0])->text(), nameText[1]);
    }
    // Only the exposure and gain controls touch what a preset keeps.
    if (!actions.join(' ').contains(QRegularExpression("^(alc|aes|fixed|slow|auto|manual|peak)")))
        QVERIFY(panel.state() == before);
}

void TestControls::partnerRules_data()
{
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QString>("click");
    QTest::addColumn<QString>("frame");
    QTest::addColumn<QString>("boxes");
    QTest::addColumn<QString>("state");
    const auto row = [](const char *name, QStringList before, const char *click, const char *frame, const char *boxes,
                        const char *state = "") { QTest::newRow(name) << before << click << frame << boxes << state; };
    // From preset 1: fixed shutter with ALC, automatic gain, gain priority,
    // peak control on at 8, AWB ticked, colour mode 0. "-box" is unticked.
    // clang-format off
    row("AES: fixed shutter on", {"alcSelect", "aesSelect"}, "fixedshutterSelect", "01 00 28 05 02 00 00 01 00 DD 61", "-aesSelect fixedshutterSelect -alcSelect", "alc_flg=0 fsh_flg=1 aes_flg=0");
    row("AES: AES off", {"alcSelect", "aesSelect"}, "aesSelect", "01 00 28 05 02 00 00 01 00 DD 61", "-aesSelect fixedshutterSelect -alcSelect", "alc_flg=0 fsh_flg=1 aes_flg=0");
    row("AES: ALC on", {"alcSelect", "aesSelect"}, "alcSelect", "01 00 28 05 02 00 00 01 01 DC 61", "-aesSelect fixedshutterSelect alcSelect", "alc_flg=1 fsh_flg=1 aes_flg=0");
    row("fixed: fixed shutter off", {"alcSelect"}, "fixedshutterSelect", "01 00 28 05 02 00 00 01 02 DF 61", "aesSelect -fixedshutterSelect -alcSelect", "alc_flg=0 fsh_flg=0 aes_flg=1");
    row("fixed: AES on", {"alcSelect"}, "aesSelect", "01 00 28 05 02 00 00 01 02 DF 61", "aesSelect -fixedshutterSelect -alcSelect", "alc_flg=0 fsh_flg=0 aes_flg=1");
    row("fixed: ALC on", {"alcSelect"}, "alcSelect", "01 00 28 05 02 00 00 01 01 DC 61", "-aesSelect fixedshutterSelect alcSelect", "alc_flg=1 fsh_flg=1 aes_flg=0");
    row("fixed with ALC: ALC off", {}, "alcSelect", "01 00 28 05 02 00 00 01 00 DD 61", "-aesSelect fixedshutterSelect -alcSelect", "alc_flg=0 fsh_flg=1 aes_flg=0");
    row("fixed with ALC: fixed shutter off", {}, "fixedshutterSelect", "01 00 28 05 02 00 00 01 02 DF 61", "aesSelect -fixedshutterSelect -alcSelect", "alc_flg=0 fsh_flg=0 aes_flg=1");
    row("fixed with ALC: AES on", {}, "aesSelect", "01 00 28 05 02 00 00 01 02 DF 61", "aesSelect -fixedshutterSelect -alcSelect", "alc_flg=0 fsh_flg=0 aes_flg=1");
    row("automatic gain on", {"autogainSelect"}, "autogainSelect", "01 00 28 05 02 04 00 01 01 18 AD", "autogainSelect -manualSelect", "agc_flg=1 mgc_flg=0");
    row("automatic gain off", {}, "autogainSelect", "01 00 28 05 02 04 00 01 00 19 AD", "-autogainSelect manualSelect", "agc_flg=0 mgc_flg=1");
    row("automatic gain off keeps slow shutter and its priority", {"slowshutterSelect", "priorityslowshutterSelect"}, "autogainSelect", "01 00 28 05 02 04 00 01 0C 15 AD", "-autogainSelect manualSelect", "agc_flg=0 mgc_flg=1");
    row("manual gain on", {}, "manualSelect", "01 00 28 05 02 04 00 01 00 19 AD", "-autogainSelect manualSelect", "agc_flg=0 mgc_flg=1");
    row("manual gain off with slow shutter", {"slowshutterSelect", "manualSelect"}, "manualSelect", "01 00 28 05 02 04 00 01 05 1C AD", "autogainSelect -manualSelect", "agc_flg=1 mgc_flg=0");
    row("slow shutter on", {}, "slowshutterSelect", "01 00 28 05 02 04 00 01 05 1C AD", "priorityagcSelect -priorityslowshutterSelect", "ssh_flg=1 priority_flg=0");
    row("slow shutter on with slow-shutter priority", {"priorityslowshutterSelect"}, "slowshutterSelect", "01 00 28 05 02 04 00 01 0D 14 AD", "-priorityagcSelect priorityslowshutterSelect", "ssh_flg=1 priority_flg=1");
    row("slow shutter off", {"slowshutterSelect"}, "slowshutterSelect", "01 00 28 05 02 04 00 01 01 18 AD", "", "ssh_flg=0");
    row("gain priority unticked", {}, "priorityagcSelect", "01 00 28 05 02 04 00 01 09 10 AD", "-priorityagcSelect priorityslowshutterSelect", "priority_flg=1");
    row("slow-shutter priority ticked", {}, "priorityslowshutterSelect", "01 00 28 05 02 04 00 01 09 10 AD", "-priorityagcSelect priorityslowshutterSelect", "priority_flg=1");
    row("slow-shutter priority unticked", {"priorityslowshutterSelect"}, "priorityslowshutterSelect", "01 00 28 05 02 04 00 01 01 18 AD", "priorityagcSelect -priorityslowshutterSelect", "priority_flg=0");
    row("gain priority ticked", {"priorityslowshutterSelect"}, "priorityagcSelect", "01 00 28 05 02 04 00 01 01 18 AD", "priorityagcSelect -priorityslowshutterSelect", "priority_flg=0");
    row("peak control off", {}, "peakcontrolSelect", "01 00 28 05 02 0A 00 01 08 1E 8E", "", "peakcontrol_flg=0 peakcontrol_val=8");
    row("peak control on again at level 3", {"peakcontrolSelect", "peakcontrolsliderSelect=3"}, "peakcontrolSelect", "01 00 28 05 02 0A 00 01 83 95 8E", "", "peakcontrol_flg=1 peakcontrol_val=3");
    row("ATW on, colour mode 2", {"colormodeSelect=2"}, "atwSelect", "01 00 28 05 04 00 00 01 09 74 D3", "atwSelect -awbSelect", "");
    row("AWB on, colour mode 2", {"colormodeSelect=2", "atwSelect"}, "awbSelect", "01 00 28 05 04 00 00 01 08 75 D3", "-atwSelect awbSelect", "");
    row("AWB off", {}, "awbSelect", "01 00 28 05 04 00 00 01 01 7C D3", "atwSelect -awbSelect", "");
    row("ATW off", {"atwSelect"}, "atwSelect", "01 00 28 05 04 00 00 01 00 7D D3", "-atwSelect awbSelect", "");
    // clang-format on
}

void TestControls::partnerRules()
{
    QFETCH(QStringList, before);
    QFETCH(QString, click);
    QFETCH(QString, frame);
    QFETCH(QString, boxes);
    QFETCH(QString, state);
    Panel panel;
    for (const QString &action : before)
        act(panel, action);
    panel.sent();
    act(panel, click);
    QCOMPARE(panel.sent(), QStringList{frame});
    for (const QString &box : boxes.split(' ', Qt::SkipEmptyParts)) {
        const bool on = !box.startsWith('-');
        QCOMPARE(panel.control<QCheckBox>(box.mid(on ? 0 : 1))->isChecked(), on);
    }
    for (const QString &field : state.split(' ', Qt::SkipEmptyParts)) {
        const QStringList nameValue = field.split('=');
        const auto k = static_cast<std::size_t>(fieldNames.indexOf(nameValue[0]));
        QCOMPARE(panel.state().*presetFields[k], nameValue[1].toInt());
    }
}

void TestControls::textUpload_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<Positions>("frames"); // by position; the rest must be cleared
    QTest::newRow("AB: the worked frames") << "AB"
                                           << Positions{{0, "01 00 28 05 08 0B 00 01 41 A7 7A"},
                                                        {1, "01 00 28 05 08 0C 00 01 42 33 E3"},
                                                        {2, "01 00 28 05 08 0D 00 01 00 40 D0"},
                                                        {23, "01 00 28 05 08 22 00 01 00 98 C6"}};
    QTest::newRow("empty: 24 cleared positions") << "" << Positions{};
    QTest::newRow("30 characters set: the entry keeps the 24 that go out")
        << QString(23, 'A') + "BCDEFGH"
        << Positions{{22, "01 00 28 05 08 21 00 01 41 8A 93"}, {23, "01 00 28 05 08 22 00 01 42 DA C6"}};
    // A UTF-16 unit goes out as its low byte; one outside the basic plane takes two.
    QTest::newRow("e-acute, euro, a clef") << QString::fromUtf8("\u00e9\u20ac\U0001D11E")
                                           << Positions{{0, "01 00 28 05 08 0B 00 01 E9 0F 7A"},
                                                        {1, "01 00 28 05 08 0C 00 01 AC DD E3"},
                                                        {2, "01 00 28 05 08 0D 00 01 34 74 D0"},
                                                        {3, "01 00 28 05 08 0E 00 01 1E 0D 85"}};
}

void TestControls::textUpload()
{
    QFETCH(QString, text);
    QFETCH(Positions, frames);
    Panel panel;
    auto *field = panel.control<QLineEdit>("textstringSelect");
    field->setText(text);
    QTest::keyClick(field, Qt::Key_Return); // editing sends nothing
    QCOMPARE(panel.sent(), QStringList{});
    QTest::mouseClick(panel.control<QPushButton>("textupdateSelect"), Qt::LeftButton);
    const QStringList sent = panel.sent();
    QCOMPARE(sent.size(), 24);
    for (int i = 0; i < 24; ++i) {
        QVERIFY2(sent[i].startsWith(QString("01 00 28 05 08 %1 00 01 ").arg(11 + i, 2, 16, QChar('0')).toUpper()),
                 qPrintable(sent[i]));
        if (frames.contains(i))
            QCOMPARE(sent[i], frames[i]);
        else if (i >= text.size())
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

QTEST_MAIN(TestControls)
#include "tst_controls.moc"
