// The simulated camera and drive: what the messages the panel sends do to its
// registers, masks, text, switches and motor, and what it answers; and the
// picture it shows.
#include "sim/picturewidget.h"
#include "sim/registermodel.h"

#include <QTest>

using namespace camdeck;
using namespace camdeck::sim;
using Facts = QMap<QString, QString>;

namespace {

// What the model shows of fact, as the rows spell it.
QString fact(const RegisterModel &model, const QString &name, RegisterModel::Millis now)
{
    QStringList parts;
    if (name == "registers") {
        for (const auto &[a, value] : model.registers())
            parts << QString::asprintf("%d/%d=%02x", a.group, a.index, value);
    } else if (name == "masks") {
        for (const Mask &m : model.masks()) {
            if (m.defined)
                parts << QString::asprintf("%d,%d-%d,%d %s", m.left, m.top, m.right, m.bottom,
                                           m.shown ? "shown" : "hidden");
        }
    } else if (name == "switches") {
        for (const std::string &s : model.switchesOn())
            parts << QString::fromStdString(s);
    } else if (name == "text") {
        parts << QString::fromStdString(model.text()).remove(QChar(0));
    } else if (name == "motor") {
        parts << QString("x %1 y %2").arg(model.motor().x(now)).arg(model.motor().y(now));
    } else {
        parts << QString::number(model.control(name.toStdString())); // a control by its key
    }
    return parts.join(' ');
}

} // namespace

class TestSimModel : public QObject {
    Q_OBJECT

private slots:
    void messages_data();
    void messages();
    void colourBarKeepsItsShapeInATallerWindow();
    void textWhereThePanelPutsIt();
};

void TestSimModel::messages_data()
{
    QTest::addColumn<QStringList>("steps"); // "milliseconds bytes"
    // "said" is the last line logged, "answer" the last reply, "changed" the registers each step changed.
    QTest::addColumn<Facts>("facts");
    const auto row
        = [](const char *name, const QStringList &steps, const Facts &facts) { QTest::newRow(name) << steps << facts; };
    // clang-format off
    row("8-bit: 3/4 = 0x66", {"0 01 00 28 05 03 04 00 01 66 4F 9A"}, {{"registers", "3/4=66"}, {"said", "3/4 H values (sdv, hdv) ← 0x66"}, {"hdv-h", "6"}});
    row("32-bit at the end of a group: what fits", {"0 01 00 28 08 09 FE 00 04 01 02 03 04 F1 ED"}, {{"registers", "9/254=01 9/255=02"}});
    row("16 and 32 bits: only a new value is a change", {"0 01 00 28 06 08 03 00 02 40 01 CC 0E", "0 01 00 28 08 08 03 00 04 40 01 68 01 E6 D3", "0 01 00 28 06 08 03 00 02 64 00 CD 2A"}, {{"changed", "8/3 8/4 | 8/5 8/6 | 8/3 8/4"}, {"registers", "8/3=64 8/4=00 8/5=68 8/6=01"}, {"crosshair-x", "100"}, {"crosshair-y", "360"}});
    row("signed byte: UV matrix UR -28", {"0 01 00 28 05 04 13 00 01 E4 B9 85"}, {{"uv-ur", "100"}});
    row("rejected messages change nothing", {"0 01 00 28 05 08 02 00 01 08 76 C1 01 00 28 06 08 02 00 01 08 76 C0 81 87 01 01 00 00 F7 00 85 01 00 00 00 00 7B 00"}, {{"registers", ""}, {"masks", ""}, {"motor", "x 0 y 0"}, {"said", "bad checksum, ignored: 85 01 00 00 00 00 7B 00"}});
    row("switches: BLC on, FLC on, BLC off", {"0 80 86 01 01 00 00 F8 00 80 8C 01 01 00 00 F2 00 80 86 00 01 00 00 F9 00"}, {{"switches", "FLC"}, {"registers", ""}});
    row("the plus sign after the square: masks 2 and 3 hidden, keeping their edges",
        {"0 A7 40 22 7E 24 00 55 00 A8 40 5E 7E 60 00 DC 00 81 89 01 01 00 00 F4 00 81 8A 01 01 00 00 F3 00",
         "0 81 89 00 01 00 00 F5 00 81 8A 00 01 00 00 F4 00 A5 5E 36 60 4C 00 1B 00 81 87 01 01 00 00 F6 00"},
        {{"masks", "94,54-96,76 shown 64,34-126,36 hidden 64,94-126,96 hidden"}, {"said", "mask 0 show"}});
    row("text AB, shown at the top", {"0 01 00 28 05 08 0B 00 01 41 A7 7A 01 00 28 05 08 0C 00 01 42 33 E3 01 00 28 05 08 0D 00 01 00 40 D0 01 00 28 05 08 08 00 01 03 B6 2F"}, {{"text", "AB"}, {"text-position", "1"}});
    row("greeting", {"0 8E 12"}, {{"answer", "53 49 4D 31"}, {"said", "greeting, answered SIM1"}});
    // The drive at 25 mm/s; the travel query answers the last move, big-endian.
    row("right 1.48 s", {"0 85 01 00 00 00 00 7A 00", "1480 85 01 04 00 00 00 76 00", "1480 8E 13"}, {{"answer", "00 25"}, {"motor", "x 37 y 0"}});
    row("left 8 s", {"0 85 01 01 00 00 00 79 00", "8000 85 01 04 00 00 00 76 00", "8000 8E 13"}, {{"answer", "FF 38"}, {"said", "travel query, answered -200 mm"}});
    row("forward, then back", {"0 85 01 03 00 00 00 77 00", "2000 85 01 04 00 00 00 76 00", "3000 85 01 02 00 00 00 78 00", "3400 85 01 04 00 00 00 76 00"}, {{"said", "stop, travel -10 mm"}, {"motor", "x 0 y 40"}});
    row("stop when stopped: no travel", {"0 85 01 00 00 00 00 7A 00", "400 85 01 04 00 00 00 76 00", "900 85 01 04 00 00 00 76 00", "900 8E 13"}, {{"answer", "00 00"}, {"motor", "x 10 y 0"}});
    row("turning without a stop ends the move", {"0 85 01 00 00 00 00 7A 00", "1000 85 01 01 00 00 00 79 00"}, {{"said", "jog left (right move ended, travel 25 mm)"}});
    row("the same direction twice", {"0 85 01 00 00 00 00 7A 00", "500 85 01 00 00 00 00 7A 00", "1000 85 01 04 00 00 00 76 00"}, {{"said", "stop, travel 25 mm"}});
    row("longer than 16 bits", {"0 85 01 00 00 00 00 7A 00", "2000000 85 01 04 00 00 00 76 00", "2000000 8E 13"}, {{"answer", "7F FF"}, {"motor", "x 50000 y 0"}});
    // clang-format on
}

void TestSimModel::messages()
{
    QFETCH(QStringList, steps);
    QFETCH(Facts, facts);
    RegisterModel model(25.0);
    protocol::Decoder decoder;
    RegisterModel::Millis now{0};
    Facts seen;
    QStringList changed;
    for (const QString &step : steps) {
        now = RegisterModel::Millis(step.section(' ', 0, 0).toInt());
        const QByteArray raw = QByteArray::fromHex(step.section(' ', 1).toLatin1());
        for (const Event &e : decoder.feed(Bytes(raw.begin(), raw.end()))) {
            const Outcome outcome = model.apply(e, now);
            seen["said"] = QString::fromStdString(outcome.description);
            if (!outcome.reply.empty())
                seen["answer"] = QString::fromStdString(protocol::hexBytes(outcome.reply));
        }
        QStringList addresses;
        for (const Address &a : model.takeChanged())
            addresses << QString("%1/%2").arg(a.group).arg(a.index);
        changed << addresses.join(' ');
    }
    seen["changed"] = changed.join(" | ");
    for (auto it = facts.begin(); it != facts.end(); ++it)
        QCOMPARE(seen.contains(it.key()) ? seen[it.key()] : fact(model, it.key(), now), it.value());
}

// The colour bar is the eight 75 % bars, and the picture stays 4:3 in the
// middle of a window of another shape, dark around it; without it, the scene.
void TestSimModel::colourBarKeepsItsShapeInATallerWindow()
{
    RegisterModel model;
    protocol::Decoder decoder;
    const QByteArray colourBarOn = QByteArray::fromHex("0100280508020001"
                                                       "0876C0"); // 8/2 = 08
    for (const Event &e : decoder.feed(Bytes(colourBarOn.begin(), colourBarOn.end())))
        model.apply(e, RegisterModel::Millis(0));
    PictureWidget picture(model);
    picture.resize(640, 600); // the picture 640 x 480 at y 60
    const QImage shot = picture.grab().toImage();
    QStringList bars;
    for (int x = 40; x < 640; x += 80)
        bars << QColor(shot.pixel(x, 300)).name();
    QCOMPARE(bars.join(' '), QString("#bfbfbf #bfbf00 #00bfbf #00bf00 #bf00bf #bf0000 #0000bf #000000"));
    QCOMPARE(QColor(shot.pixel(600, 70)).name(), QString("#000000"));
    for (int y : {50, 550})
        QCOMPARE(QColor(shot.pixel(320, y)).name(), QString("#2d2d2d"));
    // Without the bar, the scene: sky at the top.
    RegisterModel plain;
    PictureWidget scene(plain);
    scene.resize(640, 480);
    const QColor sky = scene.grab().toImage().pixel(600, 10);
    QVERIFY2(sky.blue() > 150 && sky.red() < 80, qPrintable(sky.name()));
}

// The text's last character, shown (8/8 bit 0) at the top, then (bit 1: "Bottom") at
// the bottom; right of the settings the picture shows at its top left.
void TestSimModel::textWhereThePanelPutsIt()
{
    RegisterModel model;
    protocol::Decoder decoder;
    for (const char *frames : {"0100280508220001"
                               "4DD5C6"
                               "010028050808000101B42F",
                               "010028050808000103B62F"}) {
        const QByteArray raw = QByteArray::fromHex(frames);
        for (const Event &e : decoder.feed(Bytes(raw.begin(), raw.end())))
            model.apply(e, RegisterModel::Millis(0));
        PictureWidget picture(model);
        picture.resize(640, 480);
        const QImage shot = picture.grab().toImage();
        const auto outlineIn = [&shot](int from, int to) {
            int n = 0;
            for (int y = from; y < to; ++y)
                for (int x = 320; x < 640; ++x)
                    n += qMax(qMax(qRed(shot.pixel(x, y)), qGreen(shot.pixel(x, y))), qBlue(shot.pixel(x, y))) < 40;
            return n;
        };
        const int top = outlineIn(0, 120), bottom = outlineIn(360, 480); // the letter's black outline
        const bool atBottom = std::string_view(frames).ends_with("B62F");
        QVERIFY2(atBottom ? bottom > 20 && top == 0 : top > 20 && bottom == 0,
                 qPrintable(QString("%1 %2").arg(top).arg(bottom)));
    }
}

QTEST_MAIN(TestSimModel)
#include "tst_simmodel.moc"
