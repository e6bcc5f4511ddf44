// The position sliders with their labels and the on-screen text, driven
// through the window on a pseudo-terminal; the upload is also timed for real.
#include "benchwindow.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>

using namespace camdeck;
using namespace std::chrono_literals;

namespace {

QString frame8(int group, int index, int value)
{
    return hex(commandFrame8(group, index, value));
}
QString frame16(int group, int index, int value)
{
    return hex(commandFrame16(group, index, value));
}

// A slider reports only a change, so one already standing at value is moved off it first.
void moveTo(Bench &bench, QSlider *slider, int value)
{
    if (value > slider->maximum())
        slider->setMaximum(value); // a wider layout than ours
    if (slider->value() == value) {
        dragSlider(slider, value == slider->minimum() ? value + 1 : value - 1);
        bench.peer.takeAll();
    }
    dragSlider(slider, value);
}

// The 24 frames of an upload whose positions hold codes (the rest cleared).
QStringList textFrames(const QList<int> &codes)
{
    QStringList frames;
    for (int i = 0; i < 24; ++i)
        frames << frame8(8, 0x0B + i, i < codes.size() ? codes[i] : 0);
    return frames;
}

QStringList framesOf(const Bytes &stream, std::size_t size)
{
    QStringList frames;
    for (std::size_t at = 0; at < stream.size(); at += size)
        frames << hex(
            Bytes(stream.begin() + at, stream.begin() + std::min(at + size, stream.size())));
    return frames;
}

// Each slider writes its value into the label beside it.
QString labelOf(const QString &slider)
{
    static const QHash<QString, QString> labels{
        {"autopanxsliderSelect", "autopanxslidervalue"},
        {"autopanysliderSelect", "autopanyslidervalue"},
        {"magnitudesliderSelect", "magnificationslidervalue"},
        {"xpositionsliderSelect", "magxposslidervalue"},
        {"ypositionsliderSelect", "magyposslidervalue"},
        {"crosshairxpositionsliderSelect", "crossxposslidervalue"},
        {"crosshairypositionsliderSelect", "crossyposslidervalue"},
        {"SDV_H_sliderSelect", "SDV_H_slidervalue"},
        {"SDV_V_sliderSelect", "SDV_V_slidervalue"},
        {"HDV_H_sliderSelect", "HDV_H_slidervalue"},
        {"HDV_V_sliderSelect", "HDV_V_slidervalue"},
    };
    return labels.value(slider);
}

} // namespace

class TestPositions : public QObject {
    Q_OBJECT

private slots:
    void sliders_data();
    void sliders();
    void offsetNibbles_data();
    void offsetNibbles();
    void textDisplay();
    void upload_data();
    void upload();
    void editingSendsNothing();
    void uploadIsPacedInRealTime();

private:
    TemporaryHome m_home;
};

void TestPositions::sliders_data()
{
    QTest::addColumn<QString>("slider");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("shown");
    QTest::addColumn<QString>("frame");
    QTest::newRow("crosshair x 320: 8/3 = 320")
        << "crosshairxpositionsliderSelect" << 320 << 320 << "01 00 28 06 08 03 00 02 40 01 CC 0E";
    QTest::newRow("crosshair y 360: 8/5 = 360")
        << "crosshairypositionsliderSelect" << 360 << 360 << "01 00 28 06 08 05 00 02 68 01 6C 94";
    QTest::newRow("magnitude 300: 5/1 = 300")
        << "magnitudesliderSelect" << 300 << 300 << "01 00 28 06 05 01 00 02 2C 01 2A 35";
    QTest::newRow("autopan x 200: 5/7 = 200")
        << "autopanxsliderSelect" << 200 << 200 << "01 00 28 05 05 07 00 01 C8 12 7D";
    QTest::newRow("autopan y 17: 5/8 = 17")
        << "autopanysliderSelect" << 17 << 17 << frame8(5, 8, 17);
    QTest::newRow("magnified x 1000: 5/3 = 1000")
        << "xpositionsliderSelect" << 1000 << 1000 << frame16(5, 3, 1000);
    QTest::newRow("magnified y 513: 5/5 = 513")
        << "ypositionsliderSelect" << 513 << 513 << frame16(5, 5, 513);
    QTest::newRow("SDV and HDV H both at 6: 3/4 = 0x66, shows 0")
        << "SDV_H_sliderSelect" << 6 << 0 << "01 00 28 05 03 04 00 01 66 4F 9A";
    QTest::newRow("SDV V at 0: 3/5 = 0x60, shows -60")
        << "SDV_V_sliderSelect" << 0 << -60 << frame8(3, 5, 0x60);
    QTest::newRow("HDV V at 15: 3/5 = 0xF6, shows 90")
        << "HDV_V_sliderSelect" << 15 << 90 << frame8(3, 5, 0xF6);
    // Wider than the layout's ranges: only the low bits go out.
    QTest::newRow("autopan x 300: 5/7 = 0x2C")
        << "autopanxsliderSelect" << 300 << 300 << frame8(5, 7, 0x2C);
    QTest::newRow("magnitude 65836: 5/1 = 0x012C")
        << "magnitudesliderSelect" << 65836 << 65836 << "01 00 28 06 05 01 00 02 2C 01 2A 35";
}

void TestPositions::sliders()
{
    QFETCH(QString, slider);
    QFETCH(int, value);
    QFETCH(int, shown);
    QFETCH(QString, frame);
    Bench bench;
    bench.open();
    moveTo(bench, bench.control<QSlider>(slider.toLatin1()), value);
    QCOMPARE(hex(bench.peer.takeAll()), frame);
    QCOMPARE(bench.control<QLabel>(labelOf(slider).toLatin1())->text(), QString::number(shown));
}

void TestPositions::offsetNibbles_data()
{
    // Moves in order; the frames they send; the labels afterwards.
    QTest::addColumn<QStringList>("moves");
    QTest::addColumn<QStringList>("frames");
    QTest::addColumn<QStringList>("labels");
    QTest::newRow("SDV H 6 with HDV H 0, then HDV H 12: 0x06, 0xC6")
        << QStringList{"HDV_H_sliderSelect=0", "SDV_H_sliderSelect=7", "SDV_H_sliderSelect=6",
                       "HDV_H_sliderSelect=12"}
        << QStringList{frame8(3, 4, 0x06), frame8(3, 4, 0x07), frame8(3, 4, 0x06),
                       frame8(3, 4, 0xC6)}
        << QStringList{"SDV_H_slidervalue=0", "HDV_H_slidervalue=60"};
    QTest::newRow("SDV V 3 keeps HDV V 6: 0x63")
        << QStringList{"SDV_V_sliderSelect=3"} << QStringList{frame8(3, 5, 0x63)}
        << QStringList{"SDV_V_slidervalue=-30", "HDV_V_slidervalue=0"};
    QTest::newRow("HDV H 17 spills: (17 << 4 | 6) & 0xFF = 0x16")
        << QStringList{"HDV_H_sliderSelect=17"} << QStringList{frame8(3, 4, 0x16)}
        << QStringList{"HDV_H_slidervalue=110"};
    QTest::newRow("SDV V 17 spills into HDV's nibble: 0x60 | 0x11 = 0x71")
        << QStringList{"SDV_V_sliderSelect=17"} << QStringList{frame8(3, 5, 0x71)}
        << QStringList{"SDV_V_slidervalue=110"};
}

void TestPositions::offsetNibbles()
{
    QFETCH(QStringList, moves);
    QFETCH(QStringList, frames);
    QFETCH(QStringList, labels);
    Bench bench;
    bench.open();
    for (int i = 0; i < moves.size(); ++i) {
        const QStringList move = moves[i].split('=');
        moveTo(bench, bench.control<QSlider>(move[0].toLatin1()), move[1].toInt());
        QCOMPARE(hex(bench.peer.takeAll()), frames[i]);
    }
    for (const QString &expected : labels) {
        const QStringList label = expected.split('=');
        QCOMPARE(bench.control<QLabel>(label[0].toLatin1())->text(), label[1]);
    }
}

void TestPositions::textDisplay()
{
    Bench bench;
    auto *text = bench.control<QCheckBox>("textSelect");
    auto *position = bench.control<QComboBox>("textpositionSelect");
    bench.open();
    QCOMPARE(position->currentIndex(), 0);
    Bench::tick(text);
    QCOMPARE(hex(bench.peer.takeAll()), frame8(8, 8, 0x01));
    chooseItem(position, 1);
    QCOMPARE(hex(bench.peer.takeAll()), QString("01 00 28 05 08 08 00 01 03 B6 2F"));
    Bench::tick(text);
    QCOMPARE(hex(bench.peer.takeAll()), frame8(8, 8, 0x02));
    chooseItem(position, 0);
    QCOMPARE(hex(bench.peer.takeAll()), frame8(8, 8, 0x00));
}

void TestPositions::upload_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("frames");
    QTest::newRow("empty: 24 cleared positions") << "" << textFrames({});
    QStringList ab = textFrames({0x41, 0x42});
    ab[0] = "01 00 28 05 08 0B 00 01 41 A7 7A";
    ab[1] = "01 00 28 05 08 0C 00 01 42 33 E3";
    ab[2] = "01 00 28 05 08 0D 00 01 00 40 D0";
    ab[23] = "01 00 28 05 08 22 00 01 00 98 C6";
    QTest::newRow("AB") << "AB" << ab;
    QList<int> all24;
    QString full;
    for (int i = 0; i < 24; ++i) {
        full += QChar('a' + i);
        all24 << 'a' + i;
    }
    QTest::newRow("24 characters: every position") << full << textFrames(all24);
    QTest::newRow("U+00E9 as 0xE9")
        << QString::fromUtf8("caf\u00e9") << textFrames({'c', 'a', 'f', 0xE9});
    QTest::newRow("U+20AC as its low byte 0xAC")
        << QString::fromUtf8("5\u20ac") << textFrames({'5', 0xAC});
    // U+1F600 is D83D DE00 in UTF-16: two positions.
    QTest::newRow("outside the basic plane: two positions")
        << QString::fromUtf8("x\U0001F600y") << textFrames({'x', 0x3D, 0x00, 'y'});
}

void TestPositions::upload()
{
    QFETCH(QString, text);
    QFETCH(QStringList, frames);
    Bench bench;
    auto *field = bench.control<QLineEdit>("textstringSelect");
    bench.open();
    field->setFocus();
    QTest::sendKeyEvent(QTest::KeyAction::Click, field, Qt::Key_unknown, text, {});
    QCOMPARE(field->text(), text);
    QTest::mouseClick(bench.control<QPushButton>("textupdateSelect"), Qt::LeftButton);
    QCOMPARE(framesOf(bench.peer.takeAll(), 11), frames);
}

void TestPositions::editingSendsNothing()
{
    Bench bench;
    auto *field = bench.control<QLineEdit>("textstringSelect");
    bench.open();
    QTest::keyClicks(field, "HELLO");
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClick(field, Qt::Key_Return);
    QCOMPARE(field->text(), QString("HELL"));
    QCOMPARE(bench.peer.takeAll().size(), std::size_t(0));
}

void TestPositions::uploadIsPacedInRealTime()
{
    Bench bench;
    bench.open();
    QTest::keyClicks(bench.control<QLineEdit>("textstringSelect"), "AB");
    // 24 frames, 0.05 s after each.
    const TimedClick timed
        = clickInRealTime(bench, bench.control<QPushButton>("textupdateSelect"), 11, 24);
    const QString fault = pacingFault(timed, 24, 50ms);
    QVERIFY2(fault.isEmpty(), qPrintable(fault));
}

QTEST_MAIN(TestPositions)
#include "tst_positions.moc"
