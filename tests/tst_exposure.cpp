// The exposure group through the real window on a pseudo-terminal: the three
// exposure modes that exclude each other, the level and speed sliders with
// their labels, slow shutter and the priority pair, and the direct switches.
#include "panelbench.h"
#include "testsupport.h"

#include <QLabel>
#include <QSlider>
#include <QTest>

using namespace camdeck;

class TestExposure : public QObject {
    Q_OBJECT

private slots:
    void modeTransitions_data();
    void modeTransitions();
    void tickingAlcSendsTheWorkedFrame();
    void sliders_data();
    void sliders();
    void speedOutsideItsTableKeepsTheLabel_data();
    void speedOutsideItsTableKeepsTheLabel();
    void slowShutterAndPriority_data();
    void slowShutterAndPriority();
    void directSwitches_data();
    void directSwitches();

private:
    TemporaryHome m_home; // preset files for the openings
};

namespace {
const QStringList modeBoxes{"aesSelect", "fixedshutterSelect", "alcSelect"};

// From the mode preset 1 leaves (fixed shutter with ALC), the clicks to a mode.
QStringList clicksTo(const QString &mode)
{
    if (mode == "AES")
        return {"alcSelect", "aesSelect"};
    if (mode == "fixed")
        return {"alcSelect"};
    return {};
}
} // namespace

void TestExposure::modeTransitions_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("frame");
    QTest::addColumn<QString>("aesFixedAlc");
    QTest::addColumn<QList<int>>("alcFshAes");

    const auto row = [](const char *from, const char *box, const char *frame,
                        const char *aesFixedAlc, QList<int> alcFshAes) {
        QTest::addRow("%s: %s", from, box) << from << box << frame << aesFixedAlc << alcFshAes;
    };
    row("AES", "fixedshutterSelect", "2/0=00", "off on off", {0, 1, 0});
    row("AES", "aesSelect", "2/0=00", "off on off", {0, 1, 0});
    row("AES", "alcSelect", "2/0=01", "off on on", {1, 1, 0});
    row("fixed", "fixedshutterSelect", "2/0=02", "on off off", {0, 0, 1});
    row("fixed", "aesSelect", "2/0=02", "on off off", {0, 0, 1});
    row("fixed", "alcSelect", "2/0=01", "off on on", {1, 1, 0});
    row("fixed+ALC", "alcSelect", "2/0=00", "off on off", {0, 1, 0});
    row("fixed+ALC", "fixedshutterSelect", "2/0=02", "on off off", {0, 0, 1});
    row("fixed+ALC", "aesSelect", "2/0=02", "on off off", {0, 0, 1});
}

void TestExposure::modeTransitions()
{
    QFETCH(QString, from);
    QFETCH(QString, box);
    QFETCH(QString, frame);
    QFETCH(QString, aesFixedAlc);
    QFETCH(QList<int>, alcFshAes);

    PanelBench bench;
    QCOMPARE(bench.boxes(modeBoxes), QString("off on on"));
    QCOMPARE(bench.clickAfter(clicksTo(from), qPrintable(box)), QStringList{frame});
    QCOMPARE(bench.boxes(modeBoxes), aesFixedAlc);
    const ExposureState &s = bench.state();
    QCOMPARE((QList<int>{s.alc_flg, s.fsh_flg, s.aes_flg}), alcFshAes);
}

void TestExposure::tickingAlcSendsTheWorkedFrame()
{
    PanelBench bench;
    QCOMPARE(bench.clickAfter({"alcSelect"}, "aesSelect"), QStringList{"2/0=02"}); // AES
    bench.click("alcSelect");
    QCOMPARE(hex(bench.peer.take(11)), QString("01 00 28 05 02 00 00 01 01 DC 61"));
    QCOMPARE(bench.boxes(modeBoxes), QString("off on on"));
}

void TestExposure::sliders_data()
{
    addSliderRows({
        {"alcsliderSelect", 0, "alcslidervalue", "-40%", "2/1=00", 1},
        {"alcsliderSelect", 8, "alcslidervalue", "0%", "2/1=08", 1},
        {"alcsliderSelect", 16, "alcslidervalue", "40%", "2/1=10", 1},
        {"aessliderSelect", 0, "aesslidervalue", "-40%", "2/2=00", 5},
        {"aessliderSelect", 16, "aesslidervalue", "40%", "2/2=10", 5},
        {"fixedshuttersliderSelect", 0, "fixedshutterslidervalue", "1/30s", "2/3=00", 3},
        {"fixedshuttersliderSelect", 5, "fixedshutterslidervalue", "1/180s", "2/3=05", 3},
        {"fixedshuttersliderSelect", 12, "fixedshutterslidervalue", "1/10000s", "2/3=0C", 3},
        {"slowshuttersliderSelect", 0, "slowshutterslidervalue", "1/15s", "2/8=00", 7},
        {"slowshuttersliderSelect", 4, "slowshutterslidervalue", "1s", "2/8=04", 7},
        {"slowshuttersliderSelect", 7, "slowshutterslidervalue", "8s", "2/8=07", 7},
    });
}

// The level goes out whatever the mode.
void TestExposure::sliders()
{
    QFETCH(SliderRow, row);
    checkSliderRow(row);
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

    PanelBench bench;
    bench.control<QSlider>(qPrintable(slider))->setMaximum(20);
    const QString before = bench.control<QLabel>(qPrintable(label))->text();
    bench.drag(qPrintable(slider), position);
    QCOMPARE(bench.sent(), QStringList{frame});
    QCOMPARE(bench.control<QLabel>(qPrintable(label))->text(), before);
}

void TestExposure::slowShutterAndPriority_data()
{
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("frame");
    QTest::addColumn<QString>("gainSlowPriority");
    QTest::addColumn<int>("priority");

    const auto row = [](const char *name, QStringList before, const char *box, const char *frame,
                        const char *gainSlowPriority, int priority) {
        QTest::newRow(name) << before << box << frame << gainSlowPriority << priority;
    };
    // Preset 1: automatic gain on, slow shutter off, gain priority.
    row("slow shutter on", {}, "slowshutterSelect", "2/4=05", "on off", 0);
    row("slow shutter on, slow-shutter priority", {"priorityslowshutterSelect"},
        "slowshutterSelect", "2/4=0D", "off on", 1);
    row("slow shutter off", {"slowshutterSelect"}, "slowshutterSelect", "2/4=01", "on off", 0);
    row("gain priority unticked", {}, "priorityagcSelect", "2/4=09", "off on", 1);
    row("slow-shutter priority ticked", {}, "priorityslowshutterSelect", "2/4=09", "off on", 1);
    row("slow-shutter priority unticked", {"priorityslowshutterSelect"},
        "priorityslowshutterSelect", "2/4=01", "on off", 0);
    row("gain priority ticked", {"priorityslowshutterSelect"}, "priorityagcSelect", "2/4=01",
        "on off", 0);
}

void TestExposure::slowShutterAndPriority()
{
    QFETCH(QStringList, before);
    QFETCH(QString, box);
    QFETCH(QString, frame);
    QFETCH(QString, gainSlowPriority);
    QFETCH(int, priority);

    PanelBench bench;
    QCOMPARE(bench.clickAfter(before, qPrintable(box)), QStringList{frame});
    QCOMPARE(bench.boxes({"priorityagcSelect", "priorityslowshutterSelect"}), gainSlowPriority);
    QCOMPARE(bench.state().priority_flg, priority);
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

    PanelBench bench;
    const ExposureState before = bench.state();
    int pauses = 0;
    bench.window.line().setPause([&pauses](std::chrono::milliseconds) { ++pauses; });
    bench.click(qPrintable(box));
    QCOMPARE(bench.sent(), QStringList{on});
    bench.click(qPrintable(box));
    QCOMPARE(bench.sent(), QStringList{off});
    QCOMPARE(pauses, 0);
    QVERIFY(bench.state() == before);
}

QTEST_MAIN(TestExposure)
#include "tst_exposure.moc"
