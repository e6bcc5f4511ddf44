// Frames, CRC and checksum packets against the bytes the camera and drive expect.
#include "protocol/frame.h"
#include "testsupport.h"

#include <QRandomGenerator>
#include <QTest>

using namespace camdeck;

class TestFrame : public QObject {
    Q_OBJECT

private slots:
    void crc_data();
    void crc();
    void crcIsXmodemOfHeadXorTail();
    void frames_data();
    void frames();
    void checksumPackets_data();
    void checksumPackets();
};

void TestFrame::crc_data()
{
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("expected");
    QTest::newRow("empty") << "" << 0x0000;
    QTest::newRow("01") << "01" << 0x0001;
    QTest::newRow("01 00") << "01 00" << 0x0100;
    QTest::newRow("01 00 28") << "01 00 28" << 0x1009;
    QTest::newRow("digits 1-9") << "31 32 33 34 35 36 37 38 39" << 0xBEEF;
    QTest::newRow("colour bar off") << "01 00 28 05 08 02 00 01 00" << 0xC07E;
    QTest::newRow("centre") << "01 00 28 08 08 03 00 04 40 01 68 01" << 0xD3E6;
}

void TestFrame::crc()
{
    QFETCH(QString, message);
    QFETCH(int, expected);
    const Bytes m = bytes(message);
    QCOMPARE(frameCRC16(m.data(), static_cast<int>(m.size())), expected);
}

// An independent check: for two bytes or more the camera's CRC is the XMODEM
// CRC of all but the last two bytes, XORed with those two taken big-endian.
void TestFrame::crcIsXmodemOfHeadXorTail()
{
    auto xmodem = [](const Bytes &m, std::size_t n) {
        std::uint16_t crc = 0;
        for (std::size_t i = 0; i < n; ++i) {
            crc ^= static_cast<std::uint16_t>(m[i] << 8);
            for (int b = 0; b < 8; ++b)
                crc = static_cast<std::uint16_t>(crc & 0x8000 ? (crc << 1) ^ 0x1021 : crc << 1);
        }
        return crc;
    };
    QRandomGenerator random(2026);
    for (int round = 0; round < 500; ++round) {
        Bytes m(2 + random.bounded(30));
        for (auto &b : m)
            b = static_cast<std::uint8_t>(random.bounded(256));
        const std::size_t n = m.size();
        const auto tail = static_cast<std::uint16_t>(m[n - 2] << 8 | m[n - 1]);
        QCOMPARE(frameCRC16(m.data(), static_cast<int>(n)), xmodem(m, n - 2) ^ tail);
    }
}

void TestFrame::frames_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("group");
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("second");
    QTest::addColumn<QString>("expected");

    QTest::newRow("8/2 = 0") << 8 << 8 << 2 << 0 << 0 << "01 00 28 05 08 02 00 01 00 7E C0";
    QTest::newRow("8/2 = 12") << 8 << 8 << 2 << 12 << 0 << "01 00 28 05 08 02 00 01 0C 72 C0";
    QTest::newRow("2/0 = 1 (ALC on)")
        << 8 << 2 << 0 << 1 << 0 << "01 00 28 05 02 00 00 01 01 DC 61";
    QTest::newRow("8/3 = 320") << 16 << 8 << 3 << 320 << 0 << "01 00 28 06 08 03 00 02 40 01 CC 0E";
    QTest::newRow("8/5 = 360") << 16 << 8 << 5 << 360 << 0 << "01 00 28 06 08 05 00 02 68 01 6C 94";
    QTest::newRow("8/3 = 320, 360")
        << 32 << 8 << 3 << 320 << 360 << "01 00 28 08 08 03 00 04 40 01 68 01 E6 D3";
    // Only the low 8 or 16 bits of the caller's integer go out.
    QTest::newRow("8-bit -1") << 8 << 8 << 2 << -1 << 0 << hex(commandFrame8(8, 2, 0xFF));
    QTest::newRow("8-bit 268") << 8 << 8 << 2 << 268 << 0 << hex(commandFrame8(8, 2, 12));
    QTest::newRow("16-bit 0x10140")
        << 16 << 8 << 3 << 0x10140 << 0 << "01 00 28 06 08 03 00 02 40 01 CC 0E";
    QTest::newRow("16-bit -1") << 16 << 5 << 1 << -1 << 0 << hex(commandFrame16(5, 1, 0xFFFF));
    QTest::newRow("32-bit wide words")
        << 32 << 8 << 3 << 0x20140 << 0x30168 << "01 00 28 08 08 03 00 04 40 01 68 01 E6 D3";
}

void TestFrame::frames()
{
    QFETCH(int, size);
    QFETCH(int, group);
    QFETCH(int, index);
    QFETCH(int, first);
    QFETCH(int, second);
    QFETCH(QString, expected);
    const auto g = static_cast<std::uint8_t>(group);
    const auto i = static_cast<std::uint8_t>(index);
    const Bytes frame = size == 8 ? commandFrame8(g, i, first)
        : size == 16              ? commandFrame16(g, i, first)
                                  : commandFrame32(g, i, first, second);
    QCOMPARE(hex(frame), expected);
}

void TestFrame::checksumPackets_data()
{
    QTest::addColumn<QString>("commandBytes");
    QTest::addColumn<QString>("expected");
    QTest::newRow("jog stop") << "85 01 04 00 00"
                              << "85 01 04 00 00 00 76 00";
    QTest::newRow("BLC on") << "80 86 01 01 00"
                            << "80 86 01 01 00 00 F8 00";
    QTest::newRow("sum 0x200") << "80 80 80 80 00"
                               << "80 80 80 80 00 00 00 00";
    QTest::newRow("mask define") << "A5 5E 36 60 4C"
                                 << "A5 5E 36 60 4C 00 1B 00";
}

void TestFrame::checksumPackets()
{
    QFETCH(QString, commandBytes);
    QFETCH(QString, expected);
    const Bytes b = bytes(commandBytes);
    const Packet p = checksumPacket(b[0], b[1], b[2], b[3], b[4]);
    QCOMPARE(hex(Bytes(p.begin(), p.end())), expected);
}

QTEST_GUILESS_MAIN(TestFrame)
#include "tst_frame.moc"
