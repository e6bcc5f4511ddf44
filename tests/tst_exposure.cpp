// The exposure group through the real window on a pseudo-terminal: the three
// exposure modes that exclude each other, the level and speed sliders with
// their labels, slow shutter and the priority pair, and the direct switches.
#include "panelbench.h"
#include "testsupport.h"

#include <QCheckBox>
#include <QLabel>
#include <QSlider>
#include <QTest>

using namespace camdeck;
using namespace std::chrono_literals;

class TestExposure : public QObject {
    Q_OBJECT

private slots:
    void modeTransitions_data();
    void modeTransitions();
    void sliders_data();
    void sliders();
    void speedOutsideItsTableKeepsTheLabel_data();
    void speedOutsideItsTableKeepsTheLabel();
    void slowShutterAndPriority_data();
    void slowShutterAndPriority();
    void directSwitches_data();
    void directSwitches();
};

void TestExposure::modeTransitions_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QStringList>("frames");
    QTest::addColumn<QString>("aesFixedAlc");
    QTest::addColumn<QList<int>>("alcFshAes");

    const QStringList aes {"2/0=02"}, fixed {"2/0=00"}, withAlc {"2/0=01"};
    QTest::newRow("AES: fixed shutter on")
        << "AES"
        << "fixedshutterSelect" << fixed << "off on off" << QList<int> {0, 1, 0};
    QTest::newRow("AES: AES off") << "AES"
                                  << "aesSelect" << fixed << "off on off" << QList<int> {0, 1, 0};
    QTest::newRow("AES: ALC on") << "AES"
                                 << "alcSelect" << withAlc << "off on on" << QList<int> {1, 1, 0};
    QTest::newRow("fixed: fixed shutter off")
        << "fixed"
        << "fixedshutterSelect" << aes << "on off off" << QList<int> {0, 0, 1};
    QTest::newRow("fixed: AES on") << "fixed"
                                   << "aesSelect" << aes << "on off off" << QList<int> {0, 0, 1};
    QTest::newRow("fixed: ALC on") << "fixed"
                                   << "alcSelect" << withAlc << "off on on" << QList<int> {1, 1, 0};
    QTest::newRow("fixed+ALC: ALC off")
        << "fixed+ALC"
        << "alcSelect" << fixed << "off on off" << QList<int> {0, 1, 0};
    QTest::newRow("fixed+ALC: fixed shutter off")
        << "fixed+ALC"
        << "fixedshutterSelect" << aes << "on off off" << QList<int> {0, 0, 1};
    QTest::newRow("fixed+ALC: AES on")
        << "fixed+ALC"
        << "aesSelect" << aes << "on off off" << QList<int> {0, 0, 1};
}

void TestExposure::modeTransitions()
{
    QFETCH(QString, from);
    QFETCH(QString, box);
    QFETCH(QStringList, frames);
    QFETCH(QString, aesFixedAlc);
    QFETCH(QList<int>, alcFshAes);

    BenchWindow bench; // preset 1 puts it in fixed shutter with ALC
    const QStringList modeBoxes {"aesSelect", "fixedshutterSelect", "alcSelect"};
    QCOMPARE(bench.boxes(modeBoxes), QString("off on on"));
    if (from != "fixed+ALC")
        bench.click("alcSelect");
    if (from == "AES")
        bench.click("aesSelect");
    bench.sent();

    bench.click(qPrintable(box));
    QCOMPARE(bench.sent(), frames);
    QCOMPARE(bench.boxes(modeBoxes), aesFixedAlc);
    const ExposureState &s = bench.window().exposureState();
    QCOMPARE((QList<int> {s.alc_flg, s.fsh_flg, s.aes_flg}), alcFshAes);
}

void TestExposure::sliders_data()
{
    QTest::addColumn<QString>("slider");
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("frame");
    QTest::addColumn<int>("field");

    QTest::newRow("ALC 0") << "alcsliderSelect" << 0 << "alcslidervalue"
                           << "-40%"
                           << "2/1=00" << 1;
    QTest::newRow("ALC 8") << "alcsliderSelect" << 8 << "alcslidervalue"
                           << "0%"
                           << "2/1=08" << 1;
    QTest::newRow("ALC 16") << "alcsliderSelect" << 16 << "alcslidervalue"
                            << "40%"
                            << "2/1=10" << 1;
    QTest::newRow("AES 0") << "aessliderSelect" << 0 << "aesslidervalue"
                           << "-40%"
                           << "2/2=00" << 5;
    QTest::newRow("AES 16") << "aessliderSelect" << 16 << "aesslidervalue"
                            << "40%"
                            << "2/2=10" << 5;
    QTest::newRow("fixed 0") << "fixedshuttersliderSelect" << 0 << "fixedshutterslidervalue"
                             << "1/30s"
                             << "2/3=00" << 3;
    QTest::newRow("fixed 5") << "fixedshuttersliderSelect" << 5 << "fixedshutterslidervalue"
                             << "1/180s"
                             << "2/3=05" << 3;
    QTest::newRow("fixed 12") << "fixedshuttersliderSelect" << 12 << "fixedshutterslidervalue"
                              << "1/10000s"
                              << "2/3=0C" << 3;
    QTest::newRow("slow 0") << "slowshuttersliderSelect" << 0 << "slowshutterslidervalue"
                            << "1/15s"
                            << "2/8=00" << 7;
    QTest::newRow("slow 4") << "slowshuttersliderSelect" << 4 << "slowshutterslidervalue"
                            << "1s"
                            << "2/8=04" << 7;
    QTest::newRow("slow 7") << "slowshuttersliderSelect" << 7 << "slowshutterslidervalue"
                            << "8s"
                            << "2/8=07" << 7;
}

// The level goes out whatever the mode; the label shows it while the camera
// takes the frame.
void TestExposure::sliders()
{
    QFETCH(QString, slider);
    QFETCH(int, position);
    QFETCH(QString, label);
    QFETCH(QString, text);
    QFETCH(QString, frame);
    QFETCH(int, field);

    BenchWindow bench;
    auto *shown = bench.control<QLabel>(label.toLatin1());
    QString duringPause;
    bench.window().line().setPause([&](std::chrono::milliseconds) { duringPause = shown->text(); });
    bench.drag(qPrintable(slider), position);
    QCOMPARE(bench.sent(), QStringList {frame});
    QCOMPARE(shown->text(), text);
    QCOMPARE(duringPause, text);
    QCOMPARE(bench.window().exposureState().*presetFields[field], position);
}

void TestExposure::speedOutsideItsTableKeepsTheLabel_data()
{
    QTest::addColumn<QString>("slider");
    QTest::addColumn<QString>("label");
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("frame");
    QTest::newRow("slow 8") << "slowshuttersliderSelect"
                            << "slowshutterslidervalue" << 8 << "2/8=08";
    QTest::newRow("fixed 13") << "fixedshuttersliderSelect"
                              << "fixedshutterslidervalue" << 13 << "2/3=0D";
}

// Should the layout give a speed slider more room than the table has.
void TestExposure::speedOutsideItsTableKeepsTheLabel()
{
    QFETCH(QString, slider);
    QFETCH(QString, label);
    QFETCH(int, position);
    QFETCH(QString, frame);

    BenchWindow bench;
    bench.control<QSlider>(slider.toLatin1())->setMaximum(20);
    const QString before = bench.control<QLabel>(label.toLatin1())->text();
    bench.drag(qPrintable(slider), position);
    QCOMPARE(bench.sent(), QStringList {frame});
    QCOMPARE(bench.control<QLabel>(label.toLatin1())->text(), before);
}

void TestExposure::slowShutterAndPriority_data()
{
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("frame");
    QTest::addColumn<QString>("gainSlowPriority");
    QTest::addColumn<int>("priority");

    // Preset 1: automatic gain on, slow shutter off, gain priority.
    QTest::newRow("slow shutter on") << QStringList() << "slowshutterSelect"
                                     << "2/4=05"
                                     << "on off" << 0;
    QTest::newRow("slow shutter on, slow-shutter priority")
        << QStringList {"priorityslowshutterSelect"} << "slowshutterSelect"
        << "2/4=0D"
        << "off on" << 1;
    QTest::newRow("slow shutter off") << QStringList {"slowshutterSelect"} << "slowshutterSelect"
                                      << "2/4=01"
                                      << "on off" << 0;
    QTest::newRow("gain priority unticked") << QStringList() << "priorityagcSelect"
                                            << "2/4=09"
                                            << "off on" << 1;
    QTest::newRow("slow-shutter priority ticked") << QStringList() << "priorityslowshutterSelect"
                                                  << "2/4=09"
                                                  << "off on" << 1;
    QTest::newRow("slow-shutter priority unticked")
        << QStringList {"priorityslowshutterSelect"} << "priorityslowshutterSelect"
        << "2/4=01"
        << "on off" << 0;
    QTest::newRow("gain priority ticked")
        << QStringList {"priorityslowshutterSelect"} << "priorityagcSelect"
        << "2/4=01"
        << "on off" << 0;
}

void TestExposure::slowShutterAndPriority()
{
    QFETCH(QStringList, before);
    QFETCH(QString, box);
    QFETCH(QString, frame);
    QFETCH(QString, gainSlowPriority);
    QFETCH(int, priority);

    BenchWindow bench;
    for (const QString &b : before)
        bench.click(qPrintable(b));
    bench.sent();
    bench.click(qPrintable(box));
    QCOMPARE(bench.sent(), QStringList {frame});
    QCOMPARE(bench.boxes({"priorityagcSelect", "priorityslowshutterSelect"}), gainSlowPriority);
    QCOMPARE(bench.window().exposureState().priority_flg, priority);
}

void TestExposure::directSwitches_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("on");
    QTest::addColumn<QString>("off");
    QTest::newRow("BLC") << "blcSelect"
                         << "80 86 01 01 00 00 F8 00"
                         << "80 86 00 01 00 00 F9 00";
    QTest::newRow("AGC") << "agcSelect"
                         << "80 82 01 01 00 00 FC 00"
                         << "80 82 00 01 00 00 FD 00";
    QTest::newRow("FLC") << "flcSelect"
                         << "80 8C 01 01 00 00 F2 00"
                         << "80 8C 00 01 00 00 F3 00";
}

// A packet of its own switch only, with no frame around it and no pause after it.
void TestExposure::directSwitches()
{
    QFETCH(QString, box);
    QFETCH(QString, on);
    QFETCH(QString, off);

    BenchWindow bench;
    const ExposureState before = bench.window().exposureState();
    int pauses = 0;
    bench.window().line().setPause([&pauses](std::chrono::milliseconds) { ++pauses; });
    bench.click(qPrintable(box));
    QCOMPARE(bench.sent(), QStringList {on});
    bench.click(qPrintable(box));
    QCOMPARE(bench.sent(), QStringList {off});
    QCOMPARE(pauses, 0);
    QVERIFY(bench.window().exposureState() == before);
}

QTEST_MAIN(TestExposure)
#include "tst_exposure.moc"
