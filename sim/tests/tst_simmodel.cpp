// The simulated camera and drive: what decoded messages do to the registers,
// the masks, the on-screen text and the motor, and what the device answers.
#include "protocol/decoder.h"
#include "sim/registermodel.h"
#include "fixture.h"

#include <QTest>

using namespace camdeck;
using namespace camdeck::sim;
using Millis = RegisterModel::Millis;

namespace {

// Feeds bytes as they would arrive and returns the log lines, at time now.
QStringList play(RegisterModel &model, const Bytes &input, Millis now = Millis(0))
{
    Decoder decoder;
    QStringList lines;
    for (const Event &e : decoder.feed(input))
        lines << QString::fromStdString(model.apply(e, now).description);
    return lines;
}

Bytes packet(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2, std::uint8_t b3, std::uint8_t b4)
{
    const Packet p = checksumPacket(b0, b1, b2, b3, b4);
    return Bytes(p.begin(), p.end());
}

Bytes jogPacket(int direction)
{
    return packet(0x85, 0x01, std::uint8_t(direction), 0, 0);
}

// A mask button's whole sequence: hide all four, define, show.
Bytes maskButton(const std::vector<std::array<std::uint8_t, 4>> &rectangles)
{
    Bytes all;
    auto add = [&all](const Bytes &b) { all.insert(all.end(), b.begin(), b.end()); };
    for (std::uint8_t k = 0; k < 4; ++k)
        add(packet(0x81, 0x87 + k, 0, 1, 0));
    for (std::uint8_t k = 0; k < rectangles.size(); ++k) {
        const auto &r = rectangles[k];
        add(packet(0xA5 + k, r[0], r[1], r[2], r[3]));
    }
    for (std::uint8_t k = 0; k < rectangles.size(); ++k)
        add(packet(0x81, 0x87 + k, 1, 1, 0));
    return all;
}

QString registerList(const RegisterModel &model)
{
    QStringList parts;
    for (const auto &[a, value] : model.registers())
        parts << QString("%1/%2=%3").arg(a.group).arg(a.index).arg(value, 2, 16, QChar('0'));
    return parts.join(' ');
}

} // namespace

class TestSimModel : public QObject {
    Q_OBJECT

private slots:
    void framesFillConsecutiveRegisters_data();
    void framesFillConsecutiveRegisters();
    void changedRegisters();
    void rejectedChangesNothing();
    void masks();
    void text();
    void switches();
    void travel_data();
    void travel();
};

void TestSimModel::framesFillConsecutiveRegisters_data()
{
    QTest::addColumn<QString>("frame");
    QTest::addColumn<QString>("registers");
    QTest::newRow("8-bit 3/4") << "01 00 28 05 03 04 00 01 66 4F 9A"
                               << "3/4=66";
    QTest::newRow("16-bit 8/3 = 320") << "01 00 28 06 08 03 00 02 40 01 CC 0E"
                                      << "8/3=40 8/4=01";
    QTest::newRow("16-bit 5/1 = 300") << "01 00 28 06 05 01 00 02 2C 01 2A 35"
                                      << "5/1=2c 5/2=01";
    QTest::newRow("32-bit centre") << "01 00 28 08 08 03 00 04 40 01 68 01 E6 D3"
                                   << "8/3=40 8/4=01 8/5=68 8/6=01";
    QTest::newRow("32-bit at the end of a group")
        << hex(commandFrame32(9, 254, 0x0201, 0x0403)) << "9/254=01 9/255=02";
}

void TestSimModel::framesFillConsecutiveRegisters()
{
    QFETCH(QString, frame);
    QFETCH(QString, registers);
    RegisterModel model;
    play(model, bytes(frame));
    QCOMPARE(registerList(model), registers);
    QCOMPARE(int(model.takeChanged().size()), int(model.registers().size()));
}

void TestSimModel::changedRegisters()
{
    RegisterModel model;
    play(model, commandFrame32(8, 3, 320, 360));
    QCOMPARE(model.word(8, 3), 320);
    QCOMPARE(model.word(8, 5), 360);
    QCOMPARE(int(model.takeChanged().size()), 4);
    // The same x again changes nothing; a new y changes only its low byte.
    play(model, commandFrame16(8, 3, 320));
    QVERIFY(model.takeChanged().empty());
    play(model, commandFrame16(8, 5, 361));
    const std::set<Address> changed = model.takeChanged();
    QCOMPARE(int(changed.size()), 1);
    QCOMPARE(int(changed.begin()->index), 5);
}

void TestSimModel::rejectedChangesNothing()
{
    RegisterModel model;
    play(model,
         bytes("01 00 28 05 08 02 00 01 08 76 C1 01 00 28 06 08 02 00 01 08 76 C0 "
               "81 87 01 01 00 00 F7 00 85 01 00 00 00 00 7B 00"));
    QVERIFY(model.registers().empty());
    QVERIFY(model.takeChanged().empty());
    QVERIFY(!model.masks()[0].shown);
    QCOMPARE(int(model.motor().direction()), int(MotorDrive::Direction::Stop));
}

void TestSimModel::masks()
{
    RegisterModel model;
    const QStringList lines = play(
        model,
        maskButton({{124, 34, 126, 96}, {64, 34, 66, 96}, {64, 34, 126, 36}, {64, 94, 126, 96}}));
    QCOMPARE(lines.size(), 12);
    QCOMPARE(lines[6], QString("mask 2 define 64,34–126,36"));
    const Mask &m2 = model.masks()[2];
    QCOMPARE(QList<int>({m2.left, m2.top, m2.right, m2.bottom}), QList<int>({64, 34, 126, 36}));
    for (const Mask &m : model.masks())
        QVERIFY(m.defined && m.shown);

    // The plus sign after the square: masks 2 and 3 hidden, keeping their edges.
    play(model, maskButton({{94, 54, 96, 76}, {84, 64, 106, 66}}));
    QCOMPARE(int(model.masks()[0].left), 94);
    QVERIFY(model.masks()[0].shown && model.masks()[1].shown);
    QVERIFY(!model.masks()[2].shown && !model.masks()[3].shown);
    QCOMPARE(int(model.masks()[3].top), 94);
}

void TestSimModel::text()
{
    RegisterModel model;
    Bytes upload;
    const char typed[] = "AB";
    for (int i = 0; i < 24; ++i) {
        const Bytes f = commandFrame8(8, 11 + i, i < 2 ? typed[i] : 0);
        upload.insert(upload.end(), f.begin(), f.end());
    }
    const QStringList lines = play(model, upload);
    QCOMPARE(lines.first(), QString("8/11 text position 0 ← 0x41 'A'"));
    QCOMPARE(model.text(), std::string("AB") + std::string(22, '\0'));
    play(model, commandFrame8(8, 8, 0x03));
    QVERIFY(model.control("text") && model.control("text-position"));
}

void TestSimModel::switches()
{
    RegisterModel model;
    play(model, bytes("80 86 01 01 00 00 F8 00 80 8C 01 01 00 00 F2 00 80 86 00 01 00 00 F9 00"));
    QCOMPARE(model.switchesOn(), std::vector<std::string>{"FLC"});
    QVERIFY(model.registers().empty());
}

// A script of "time direction" steps (milliseconds; r, l, b, f, s for stop)
// at 25 mm/s, then the travel query.
void TestSimModel::travel_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("lastLine");
    QTest::addColumn<QString>("reply");
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("y");
    QTest::newRow("right 1.48 s") << "0 r, 1480 s"
                                  << "stop, travel 37 mm"
                                  << "00 25" << 37.0 << 0.0;
    QTest::newRow("left 8 s") << "0 l, 8000 s"
                              << "stop, travel -200 mm"
                              << "FF 38" << -200.0 << 0.0;
    QTest::newRow("forward then back") << "0 f, 2000 s, 3000 b, 3400 s"
                                       << "stop, travel -10 mm"
                                       << "FF F6" << 0.0 << 40.0;
    QTest::newRow("stop when stopped") << "0 r, 400 s, 900 s"
                                       << "stop, travel 0 mm"
                                       << "00 00" << 10.0 << 0.0;
    QTest::newRow("turn without a stop") << "0 r, 1000 l"
                                         << "jog left (right move ended, travel 25 mm)"
                                         << "00 19" << 25.0 << 0.0;
    QTest::newRow("the same direction twice") << "0 r, 500 r, 1000 s"
                                              << "stop, travel 25 mm"
                                              << "00 19" << 25.0 << 0.0;
    QTest::newRow("longer than 16 bits") << "0 r, 2000000 s"
                                         << "stop, travel 32767 mm"
                                         << "7F FF" << 50000.0 << 0.0;
}

void TestSimModel::travel()
{
    QFETCH(QString, script);
    QFETCH(QString, lastLine);
    QFETCH(QString, reply);
    QFETCH(double, x);
    QFETCH(double, y);
    RegisterModel model(25.0);
    const QString directions = "rlbfs";
    QString last;
    Millis at{0};
    for (const QString &step : script.split(", ")) {
        at = Millis(step.section(' ', 0, 0).toInt());
        last = play(model, jogPacket(int(directions.indexOf(step.section(' ', 1)))), at).last();
    }
    QCOMPARE(last, lastLine);
    Decoder decoder;
    const Outcome answer = model.apply(decoder.feed(bytes("8E 13")).at(0), at);
    QCOMPARE(hex(answer.reply), reply);
    QCOMPARE(model.motor().x(at), x);
    QCOMPARE(model.motor().y(at), y);
}

QTEST_APPLESS_MAIN(TestSimModel)
#include "tst_simmodel.moc"
