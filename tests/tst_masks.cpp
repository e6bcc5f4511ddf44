// The mask patterns: the fixed packet tables on their own, then the five
// buttons through the window on a pseudo-terminal, one sequence timed for real.
#include "benchwindow.h"
#include "protocol/masks.h"

#include <QPushButton>

#include <numeric>

using namespace camdeck;
using namespace std::chrono_literals;

namespace {

const QStringList hidePackets{"81 87 00 01 00 00 F7 00", "81 88 00 01 00 00 F6 00",
                              "81 89 00 01 00 00 F5 00", "81 8A 00 01 00 00 F4 00"};
const QStringList showPackets{"81 87 01 01 00 00 F6 00", "81 88 01 01 00 00 F5 00",
                              "81 89 01 01 00 00 F4 00", "81 8A 01 01 00 00 F3 00"};
const QStringList definePackets[5] = {
    {},
    {"A5 5E 36 60 4C 00 1B 00", "A6 54 40 6A 42 00 1A 00"},
    {"A5 40 40 56 42 00 43 00", "A6 68 40 7E 42 00 F2 00", "A7 5E 22 60 38 00 41 00",
     "A8 5E 4A 60 60 00 F0 00"},
    {"A5 64 22 66 60 00 0F 00", "A6 58 22 5A 60 00 26 00", "A7 40 3A 7E 3C 00 25 00",
     "A8 40 46 7E 48 00 0C 00"},
    {"A5 7C 22 7E 60 00 DF 00", "A6 40 22 42 60 00 56 00", "A7 40 22 7E 24 00 55 00",
     "A8 40 5E 7E 60 00 DC 00"},
};

QString hexOf(const Packet &p)
{
    return hex(Bytes(p.begin(), p.end()));
}

// Hide all four, define the pattern's masks, show them.
QStringList expectedSequence(int button)
{
    QStringList packets = hidePackets;
    packets << definePackets[button];
    packets << showPackets.mid(0, definePackets[button].size());
    return packets;
}

QStringList packetsOf(const Bytes &stream)
{
    QStringList packets;
    for (std::size_t at = 0; at + 8 <= stream.size(); at += 8)
        packets << hex(Bytes(stream.begin() + at, stream.begin() + at + 8));
    if (stream.size() % 8)
        packets << "left over: " + hex(Bytes(stream.end() - stream.size() % 8, stream.end()));
    return packets;
}

QPushButton *maskButton(Bench &bench, int button)
{
    return bench.control<QPushButton>(QByteArray("maskbutton") + QByteArray::number(button)
                                      + "Select");
}

} // namespace

class TestMasks : public QObject {
    Q_OBJECT

private slots:
    void definePacket_data();
    void definePacket();
    void showAndHidePackets();
    void everyPacketChecksToZero();
    void noSuchPattern();
    void buttons_data();
    void buttons();
    void maskSequenceIsPacedInRealTime();

private:
    TemporaryHome m_home;
};

void TestMasks::definePacket_data()
{
    QTest::addColumn<int>("pattern");
    QTest::addColumn<int>("mask");
    QTest::addColumn<QString>("packet");
    for (int pattern = 1; pattern < 5; ++pattern) {
        for (int mask = 0; mask < definePackets[pattern].size(); ++mask)
            QTest::addRow("button %d, mask %d", pattern, mask)
                << pattern << mask << definePackets[pattern][mask];
    }
}

void TestMasks::definePacket()
{
    QFETCH(int, pattern);
    QFETCH(int, mask);
    QFETCH(QString, packet);
    const std::vector<MaskRect> rects = maskPattern(pattern);
    QCOMPARE(int(rects.size()), definePackets[pattern].size());
    const MaskRect &r = rects[std::size_t(mask)];
    QVERIFY(r.right > r.left && r.bottom > r.top);
    QVERIFY(r.right - r.left == 2 || r.bottom - r.top == 2);
    QCOMPARE(hexOf(maskDefinePacket(mask, r)), packet);
}

void TestMasks::showAndHidePackets()
{
    for (int mask = 0; mask < maskCount; ++mask) {
        QCOMPARE(hexOf(maskShowPacket(mask, false)), hidePackets[mask]);
        QCOMPARE(hexOf(maskShowPacket(mask, true)), showPackets[mask]);
    }
}

void TestMasks::everyPacketChecksToZero()
{
    for (int pattern = 0; pattern < maskPatternCount; ++pattern) {
        for (const Packet &p : maskSequence(pattern)) {
            QCOMPARE(std::accumulate(p.begin(), p.begin() + 7, 0) % 256, 0);
            QCOMPARE(int(p[5]), 0);
            QCOMPARE(int(p[7]), 0);
        }
    }
}

void TestMasks::noSuchPattern()
{
    QVERIFY(maskSequence(-1).empty());
    QVERIFY(maskSequence(maskPatternCount).empty());
    QVERIFY(maskPattern(maskPatternCount).empty());
}

void TestMasks::buttons_data()
{
    QTest::addColumn<QList<int>>("presses");
    QTest::addColumn<int>("packets");
    QTest::newRow("button 0: the four hides only") << QList<int>{0} << 4;
    QTest::newRow("button 1: plus, 8 packets") << QList<int>{1} << 8;
    QTest::newRow("button 2: open cross, 12 packets") << QList<int>{2} << 12;
    QTest::newRow("button 3: grid, 12 packets") << QList<int>{3} << 12;
    QTest::newRow("button 4: square, 12 packets") << QList<int>{4} << 12;
    QTest::newRow("button 1 after 4: masks 2 and 3 stay hidden") << QList<int>{4, 1} << 20;
    QTest::newRow("the same button twice: the same sequence twice") << QList<int>{3, 3} << 24;
}

void TestMasks::buttons()
{
    QFETCH(QList<int>, presses);
    QFETCH(int, packets);
    Bench bench;
    bench.open();
    QStringList expected;
    for (int button : presses) {
        QTest::mouseClick(maskButton(bench, button), Qt::LeftButton);
        expected << expectedSequence(button);
    }
    QCOMPARE(expected.size(), packets);
    QCOMPARE(packetsOf(bench.peer.takeAll()), expected);
}

void TestMasks::maskSequenceIsPacedInRealTime()
{
    Bench bench;
    bench.open();
    // 12 packets, 0.05 s after each.
    const TimedClick timed = clickInRealTime(bench, maskButton(bench, 2), 8, 12);
    const QString fault = pacingFault(timed, 12, 50ms);
    QVERIFY2(fault.isEmpty(), qPrintable(fault));
}

QTEST_MAIN(TestMasks)
#include "tst_masks.moc"
