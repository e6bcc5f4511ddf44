// The Qt-free units alone: the decoder of what crosses the
// line, however it is cut, and the preset file's text.
#include "hexbytes.h"
#include "presets/presetfile.h"
#include "protocol/decoder.h"

#include <QTest>

using namespace camdeck;
using protocol::Decoder;
using protocol::Event;
using Values = QList<int>;

namespace {

QStringList described(const std::vector<Event> &events)
{
    QStringList lines;
    for (const Event &e : events)
        lines << QString::fromStdString(protocol::describeMessage(e));
    return lines;
}

ExposureSettings settingsOf(const Values &values)
{
    ExposureSettings s{};
    std::copy(values.begin(), values.end(), s.begin());
    return s;
}

Values valuesOf(const ExposureSettings &s)
{
    return Values(s.begin(), s.end());
}

const QByteArray slot0Text = "01\n16\n01\n11\n00\n16\n00\n00\n01\n12\n00\n00\n01\n08\n00\n";
const Values slot0 = {1, 16, 1, 11, 0, 16, 0, 0, 1, 12, 0, 0, 1, 8, 0};

} // namespace

class TestUnits : public QObject {
    Q_OBJECT

private slots:
    void decoded_data();
    void decoded();
    void replyDescribed_data();
    void replyDescribed();
    void presetWritten_data();
    void presetWritten();
    void presetRead_data();
    void presetRead();
};

void TestUnits::decoded_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("decoded");
    const auto row = [](const char *input, const char *decoded) { QTest::newRow(decoded) << input << decoded; };
    row("01 00 28 05 02 00 00 01 01 DC 61", "2/0 exposure mode ← 0x01");
    row("01 00 28 06 08 03 00 02 40 01 CC 0E", "8/3 crosshair x ← 320 (0x0140)");
    row("01 00 28 06 08 04 00 02 40 01 5C 8B", "8/4 crosshair x, high byte ← 320 (0x0140)");
    row("01 00 28 08 08 03 00 04 40 01 68 01 E6 D3", "8/3 crosshair x ← 320 (0x0140), 8/5 crosshair y ← 360 (0x0168)");
    row("01 00 28 05 08 0B 00 01 41 A7 7A 85 01 00 00 00 00 7A 00 85 01 04 00 00 00 76 00 8E 13",
        "8/11 text position 0 ← 0x41 'A' | jog right | stop | travel query");
    row("01 00 28 05 08 0B 00 01 20 C6 7A", "8/11 text position 0 ← 0x20 ' '");
    row("01 00 28 05 08 0B 00 01 7F 99 7A", "8/11 text position 0 ← 0x7F");
    row("01 00 28 05 08 24 00 01 10 2E 6C", "8/36 SDV mode ← 0x10");
    row("01 00 28 05 03 04 00 01 66 4F 9A", "3/4 H values (sdv, hdv) ← 0x66");
    row("01 00 28 05 04 00 00 01 01 7C D3", "4/0 white balance and colour mode ← 0x01");
    row("01 00 28 05 07 00 00 01 01 2C 8A", "7/0 ← 0x01");
    row("80 86 01 01 00 00 F8 00", "BLC on");
    row("81 8A 01 01 00 00 F3 00", "mask 3 show");
    row("A6 54 40 6A 42 00 1A 00", "mask 1 define 84,64–106,66");
    row("8E 12", "greeting");
    // What a device rejects changes nothing; the next message still comes out.
    row("01 00 28 05 08 02 00 01 08 76 C1", "bad CRC, ignored: 01 00 28 05 08 02 00 01 08 76 C1");
    row("01 00 28 07 08 02 00 01 08 76 C0", "bad length, ignored: 01 00 28 07 | skipped 7 bytes: 08 02 00 01 08 76 C0");
    row("01 00 28 05 08 02 00 01 76 C0 01 00 28 05 08 01 00 01 81 AC 95",
        "bad CRC, ignored: 01 00 28 05 08 02 00 01 76 C0 01 | 8/1 flips and negative ← 0x81");
    row("85 01 00 00 00 00 7B 00", "bad checksum, ignored: 85 01 00 00 00 00 7B 00");
    row("01 00 28 05 08 02 00", "truncated, ignored: 01 00 28 05 08 02 00");
    row("85 01 05 00 00 00 75 00", "skipped 8 bytes: 85 01 05 00 00 00 75 00");
    row("81 8B 01 01 00 00 F2 00", "skipped 8 bytes: 81 8B 01 01 00 00 F2 00"); // there are four masks
    // A lone 80 is the farewell only where no switch packet can start.
    row("80", "farewell");
    row("80 8E 12", "farewell | greeting");
    row("80 80 86 01 01 00 00 F8 00", "farewell | BLC on");
    row("80 86", "truncated, ignored: 80 86");
    row("80 FF", "skipped 2 bytes: 80 FF");
}

// Whole, cut anywhere or a byte at a time, then silence: the same messages.
void TestUnits::decoded()
{
    QFETCH(QString, input);
    QFETCH(QString, decoded);
    const Bytes stream = bytes(input);
    for (std::size_t cut = 0; cut < stream.size(); ++cut) {
        Decoder decoder;
        QStringList lines = described(decoder.feed(stream.data(), cut));
        lines += described(decoder.feed(stream.data() + cut, stream.size() - cut));
        lines += described(decoder.flush());
        QCOMPARE(lines.join(" | "), decoded);
    }
    Decoder decoder;
    QStringList lines;
    for (std::uint8_t b : stream)
        lines += described(decoder.feed(&b, 1));
    QCOMPARE((lines + described(decoder.flush())).join(" | "), decoded);
}

void TestUnits::replyDescribed_data()
{
    QTest::addColumn<QString>("reply");
    QTest::addColumn<int>("shown");
    QTest::addColumn<QString>("described");
    QTest::newRow("printable, a space among it") << "53 49 4D 20 31" << 16 << "53 49 4D 20 31 \"SIM 1\"";
    QTest::newRow("a DEL: bytes only") << "53 49 4D 7F" << 16 << "53 49 4D 7F";
    QTest::newRow("a control character: bytes only") << "1F 53" << 16 << "1F 53";
    QTest::newRow("longer than shown") << "41 42 43 44 45" << 3 << "41 42 43 … (5 bytes) \"ABC…\"";
    QTest::newRow("nothing") << "" << 16 << "";
}

void TestUnits::replyDescribed()
{
    QFETCH(QString, reply);
    QFETCH(int, shown);
    QFETCH(QString, described);
    QCOMPARE(QString::fromStdString(protocol::describeReply(bytes(reply), std::size_t(shown))), described);
}

void TestUnits::presetWritten_data()
{
    QTest::addColumn<Values>("values");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("negative, -1 to -9") << Values{-1, -9, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, -5}
                                        << QByteArray("-1\n-9\n00\n00\n00\n00\n00\n00\n00\n00\n00\n00\n00\n00\n-5\n");
    QTest::newRow("too wide: clamped to -9..99")
        << Values{100, -10, 12345, -2147483647 - 1, 99, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}
        << QByteArray("99\n-9\n99\n-9\n99\n00\n00\n00\n00\n00\n00\n00\n00\n00\n00\n");
}

// Always fifteen three-character lines that read back as written.
void TestUnits::presetWritten()
{
    QFETCH(Values, values);
    QFETCH(QByteArray, text);
    const std::string written = formatPresetFile(settingsOf(values));
    QCOMPARE(QByteArray::fromStdString(written), text);
    QCOMPARE(formatPresetFile(parsePresetFile(written)), written);
}

void TestUnits::presetRead_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<Values>("values");
    // Two characters at 3k and 3k + 1; the separators are never looked at.
    QTest::newRow("other separators") << QByteArray("01 16;01,11\t00|16x00y00 01 12 00 00 01 08 00.") << slot0;
    QTest::newRow("CR before LF shifts by one per line")
        << QByteArray("01\r\n16\r\n01\r\n11\r\n00\r\n") << Values{1, 1, 0, 1, 11, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    QTest::newRow("anything after the 44th character") << slot0Text.left(44) + "junk 77\n88\n" << slot0;
    QTest::newRow("bytes, not letters: a two-byte letter fills a value's place")
        << QByteArray("\xC3\xA9\n16\n01\n11\n00\n16\n00\n00\n01\n12\n00\n00\n01\n08\n\xFF\xFE\n")
        << Values{0, 16, 1, 11, 0, 16, 0, 0, 1, 12, 0, 0, 1, 8, 0};
    // What a short file lacks reads as 0.
    QTest::newRow("empty") << QByteArray() << Values(15, 0);

    QTest::newRow("43 characters") << slot0Text.left(42) + "1"
                                   << Values{1, 16, 1, 11, 0, 16, 0, 0, 1, 12, 0, 0, 1, 8, 1};
    // Each piece: white space, one sign, digits up to the first non-digit.
    QTest::newRow("pieces") << QByteArray(" 7\n\t7\n-3\n+4\n7x\nab\n--\n -\n- \n09\n+-\n  \n 9\n-0\n5")
                            << Values{7, 7, -3, 4, 7, 0, 0, 0, 0, 9, 0, 0, 9, 0, 5};
}

void TestUnits::presetRead()
{
    QFETCH(QByteArray, text);
    QFETCH(Values, values);
    QCOMPARE(valuesOf(parsePresetFile(text.toStdString())), values);
}

QTEST_APPLESS_MAIN(TestUnits)
#include "tst_units.moc"
