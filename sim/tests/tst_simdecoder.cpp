// The device's decoder against the bytes the panel sends: every worked frame
// and packet, what a real device rejects, and streams cut up or mixed with
// garbage.
#include "protocol/decoder.h"
#include "sim/registermodel.h"
#include "testsupport.h"

#include <QRandomGenerator>
#include <QTest>

using namespace camdeck;
using namespace camdeck::sim;

namespace {

// What the device makes of a stream fed in one go (then silence when quiet).
QStringList decode(const Bytes &input, bool quiet = true)
{
    Decoder decoder;
    RegisterModel model;
    std::vector<Event> events = decoder.feed(input);
    if (quiet) {
        const std::vector<Event> rest = decoder.flush();
        events.insert(events.end(), rest.begin(), rest.end());
    }
    QStringList lines;
    for (const Event &e : events)
        lines << QString::fromStdString(model.apply(e, {}).description);
    return lines;
}

struct Worked {
    const char *name;
    const char *bytes;
    const char *decoded;
};

// Every frame and packet the panel's worked examples spell out.
const Worked worked[] = {
    {"ALC on", "01 00 28 05 02 00 00 01 01 DC 61", "2/0 exposure mode ← 0x01"},
    {"bar and crosshair off", "01 00 28 05 08 02 00 01 00 7E C0",
     "8/2 colour bar and crosshair ← 0x00"},
    {"bar and crosshair on", "01 00 28 05 08 02 00 01 0C 72 C0",
     "8/2 colour bar and crosshair ← 0x0C"},
    {"bar on", "01 00 28 05 08 02 00 01 08 76 C0", "8/2 colour bar and crosshair ← 0x08"},
    {"crosshair x 320", "01 00 28 06 08 03 00 02 40 01 CC 0E", "8/3 crosshair x ← 320 (0x0140)"},
    {"crosshair y 360", "01 00 28 06 08 05 00 02 68 01 6C 94", "8/5 crosshair y ← 360 (0x0168)"},
    {"centre", "01 00 28 08 08 03 00 04 40 01 68 01 E6 D3",
     "8/3 crosshair x ← 320 (0x0140), 8/5 crosshair y ← 360 (0x0168)"},
    {"negative, hflip", "01 00 28 05 08 01 00 01 81 AC 95", "8/1 flips and negative ← 0x81"},
    {"aspect", "01 00 28 05 08 00 00 01 04 18 A6", "8/0 aspect ← 0x04"},
    {"SDV mode 1", "01 00 28 05 08 24 00 01 10 2E 6C", "8/36 SDV mode ← 0x10"},
    {"colour mode 2, ATW", "01 00 28 05 04 00 00 01 09 74 D3",
     "4/0 white balance and colour mode ← 0x09"},
    {"text A", "01 00 28 05 08 0B 00 01 41 A7 7A", "8/11 text position 0 ← 0x41 'A'"},
    {"text B", "01 00 28 05 08 0C 00 01 42 33 E3", "8/12 text position 1 ← 0x42 'B'"},
    {"text cleared 2", "01 00 28 05 08 0D 00 01 00 40 D0", "8/13 text position 2 ← 0x00"},
    {"text cleared 23", "01 00 28 05 08 22 00 01 00 98 C6", "8/34 text position 23 ← 0x00"},
    {"magnitude 300", "01 00 28 06 05 01 00 02 2C 01 2A 35", "5/1 magnitude ← 300 (0x012C)"},
    {"autopan x 200", "01 00 28 05 05 07 00 01 C8 12 7D", "5/7 autopan x ← 0xC8"},
    {"H values 0x66", "01 00 28 05 03 04 00 01 66 4F 9A", "3/4 H values (sdv, hdv) ← 0x66"},
    {"text shown, top", "01 00 28 05 08 08 00 01 03 B6 2F", "8/8 text display ← 0x03"},
    {"BLC off", "80 86 00 01 00 00 F9 00", "BLC off"},
    {"BLC on", "80 86 01 01 00 00 F8 00", "BLC on"},
    {"AGC off", "80 82 00 01 00 00 FD 00", "AGC off"},
    {"AGC on", "80 82 01 01 00 00 FC 00", "AGC on"},
    {"FLC off", "80 8C 00 01 00 00 F3 00", "FLC off"},
    {"FLC on", "80 8C 01 01 00 00 F2 00", "FLC on"},
    {"hide 0", "81 87 00 01 00 00 F7 00", "mask 0 hide"},
    {"show 0", "81 87 01 01 00 00 F6 00", "mask 0 show"},
    {"hide 1", "81 88 00 01 00 00 F6 00", "mask 1 hide"},
    {"show 1", "81 88 01 01 00 00 F5 00", "mask 1 show"},
    {"hide 2", "81 89 00 01 00 00 F5 00", "mask 2 hide"},
    {"show 2", "81 89 01 01 00 00 F4 00", "mask 2 show"},
    {"hide 3", "81 8A 00 01 00 00 F4 00", "mask 3 hide"},
    {"show 3", "81 8A 01 01 00 00 F3 00", "mask 3 show"},
    {"plus 0", "A5 5E 36 60 4C 00 1B 00", "mask 0 define 94,54–96,76"},
    {"plus 1", "A6 54 40 6A 42 00 1A 00", "mask 1 define 84,64–106,66"},
    {"cross 0", "A5 40 40 56 42 00 43 00", "mask 0 define 64,64–86,66"},
    {"cross 1", "A6 68 40 7E 42 00 F2 00", "mask 1 define 104,64–126,66"},
    {"cross 2", "A7 5E 22 60 38 00 41 00", "mask 2 define 94,34–96,56"},
    {"cross 3", "A8 5E 4A 60 60 00 F0 00", "mask 3 define 94,74–96,96"},
    {"grid 0", "A5 64 22 66 60 00 0F 00", "mask 0 define 100,34–102,96"},
    {"grid 1", "A6 58 22 5A 60 00 26 00", "mask 1 define 88,34–90,96"},
    {"grid 2", "A7 40 3A 7E 3C 00 25 00", "mask 2 define 64,58–126,60"},
    {"grid 3", "A8 40 46 7E 48 00 0C 00", "mask 3 define 64,70–126,72"},
    {"square 0", "A5 7C 22 7E 60 00 DF 00", "mask 0 define 124,34–126,96"},
    {"square 1", "A6 40 22 42 60 00 56 00", "mask 1 define 64,34–66,96"},
    {"square 2", "A7 40 22 7E 24 00 55 00", "mask 2 define 64,34–126,36"},
    {"square 3", "A8 40 5E 7E 60 00 DC 00", "mask 3 define 64,94–126,96"},
    {"jog right", "85 01 00 00 00 00 7A 00", "jog right"},
    {"jog left", "85 01 01 00 00 00 79 00", "jog left"},
    {"jog back", "85 01 02 00 00 00 78 00", "jog back"},
    {"jog forward", "85 01 03 00 00 00 77 00", "jog forward"},
    {"stop", "85 01 04 00 00 00 76 00", "stop, travel 0 mm"},
    {"greeting", "8E 12", "greeting, answered SIM1"},
    {"travel query", "8E 13", "travel query, answered 0 mm"},
};

Bytes allWorked()
{
    Bytes all;
    for (const Worked &w : worked) {
        const Bytes b = bytes(w.bytes);
        all.insert(all.end(), b.begin(), b.end());
    }
    return all;
}

// The messages a decoder fed a stream in random chunks accepts, as hex, minus
// the short ones (greeting, travel query, farewell) that noise spells by chance.
// Every event also goes through a model, which must take whatever comes.
QStringList accepted(const Bytes &stream, QRandomGenerator &random)
{
    Decoder decoder;
    RegisterModel model;
    std::vector<Event> events;
    for (std::size_t at = 0; at < stream.size();) {
        const std::size_t n = std::min<std::size_t>(1 + random.bounded(40), stream.size() - at);
        const std::vector<Event> got = decoder.feed(stream.data() + at, n);
        events.insert(events.end(), got.begin(), got.end());
        at += n;
    }
    const std::vector<Event> rest = decoder.flush();
    events.insert(events.end(), rest.begin(), rest.end());
    QStringList messages;
    for (const Event &e : events) {
        model.apply(e, RegisterModel::Millis(random.bounded(100000)));
        const bool chance = e.kind == Event::Kind::Greeting || e.kind == Event::Kind::TravelQuery
            || e.kind == Event::Kind::Farewell;
        if (!e.isRejected() && !chance)
            messages << hex(e.bytes);
    }
    return messages;
}

// The worked frames and packets, without the greeting and the travel query.
const int longMessages = int(std::size(worked)) - 2;

// Random bytes, one in four taken from the first bytes of real messages so
// that the garbage keeps starting messages that never finish.
Bytes garbage(QRandomGenerator &random, int size)
{
    static const std::uint8_t leads[]
        = {0x01, 0x00, 0x28, 0x80, 0x81, 0x85, 0x8E, 0xA5, 0xA6, 0xA7, 0xA8, 0x86, 0x87};
    Bytes g(static_cast<std::size_t>(size));
    for (auto &b : g)
        b = random.bounded(4) == 0 ? leads[random.bounded(int(sizeof leads))]
                                   : static_cast<std::uint8_t>(random.bounded(256));
    return g;
}

} // namespace

class TestSimDecoder : public QObject {
    Q_OBJECT

private slots:
    void workedMessages_data();
    void workedMessages();
    void rejectedAndFarewell_data();
    void rejectedAndFarewell();
    void truncatedAtTheEndOfARead();
    void oneByteAtATime();
    void garbageBetweenMessages();
    void randomStreamThenValidMessages();
};

void TestSimDecoder::workedMessages_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("decoded");
    for (const Worked &w : worked)
        QTest::newRow(w.name) << w.bytes << w.decoded;
}

void TestSimDecoder::workedMessages()
{
    QFETCH(QString, input);
    QFETCH(QString, decoded);
    // Decided without waiting for the line to go quiet.
    QCOMPARE(decode(bytes(input), false), QStringList{decoded});
}

void TestSimDecoder::rejectedAndFarewell_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("decoded");
    QTest::newRow("corrupted CRC") << "01 00 28 05 08 02 00 01 08 76 C1"
                                   << "bad CRC, ignored: 01 00 28 05 08 02 00 01 08 76 C1";
    QTest::newRow("corrupted data") << "01 00 28 05 08 02 00 01 09 76 C0"
                                    << "bad CRC, ignored: 01 00 28 05 08 02 00 01 09 76 C0";
    QTest::newRow("length 07") << "01 00 28 07 08 02 00 01 08 76 C0"
                               << "bad length, ignored: 01 00 28 07 | skipped 7 bytes: 08 02 00 "
                                  "01 08 76 C0";
    QTest::newRow("length 06, one data byte")
        << "01 00 28 06 08 02 00 01 08 76 C0"
        << "bad length, ignored: 01 00 28 06 08 02 00 01 | skipped 3 bytes: 08 76 C0";
    QTest::newRow("bad CRC, then a good frame")
        << "01 00 28 05 08 02 00 01 08 76 C1 01 00 28 05 08 01 00 01 81 AC 95"
        << "bad CRC, ignored: 01 00 28 05 08 02 00 01 08 76 C1 | 8/1 flips and negative ← 0x81";
    QTest::newRow("frame lost a byte, then a good frame")
        << "01 00 28 05 08 02 00 01 76 C0 01 00 28 05 08 01 00 01 81 AC 95"
        << "bad CRC, ignored: 01 00 28 05 08 02 00 01 76 C0 01 | 8/1 flips and negative ← 0x81";
    QTest::newRow("jog checksum") << "85 01 00 00 00 00 7B 00"
                                  << "bad checksum, ignored: 85 01 00 00 00 00 7B 00";
    QTest::newRow("BLC checksum") << "80 86 01 01 00 00 F9 00"
                                  << "bad checksum, ignored: 80 86 01 01 00 00 F9 00";
    QTest::newRow("define checksum") << "A7 40 22 7E 24 00 56 00"
                                     << "bad checksum, ignored: A7 40 22 7E 24 00 56 00";
    QTest::newRow("truncated frame") << "01 00 28 05 08 02 00"
                                     << "truncated, ignored: 01 00 28 05 08 02 00";
    QTest::newRow("unknown jog direction") << "85 01 05 00 00 00 75 00"
                                           << "skipped 8 bytes: 85 01 05 00 00 00 75 00";
    QTest::newRow("unknown 8E request") << "8E 14"
                                        << "skipped 2 bytes: 8E 14";
    QTest::newRow("garbage") << "FF 00 12"
                             << "skipped 3 bytes: FF 00 12";

    // A lone 80 is the farewell only where no switch packet can start.
    QTest::newRow("lone 80, then silence") << "80"
                                           << "farewell";
    QTest::newRow("80 then a new greeting") << "80 8E 12"
                                            << "farewell | greeting, answered SIM1";
    QTest::newRow("80 then a frame") << "80 01 00 28 05 08 02 00 01 08 76 C0"
                                     << "farewell | 8/2 colour bar and crosshair ← 0x08";
    QTest::newRow("80 then a BLC packet") << "80 80 86 01 01 00 00 F8 00"
                                          << "farewell | BLC on";
    QTest::newRow("BLC packet is no farewell") << "80 86 01 01 00 00 F8 00"
                                               << "BLC on";
    QTest::newRow("80 86, then silence") << "80 86"
                                         << "truncated, ignored: 80 86";
    QTest::newRow("80 then garbage") << "80 FF"
                                     << "skipped 2 bytes: 80 FF";
}

void TestSimDecoder::rejectedAndFarewell()
{
    QFETCH(QString, input);
    QFETCH(QString, decoded);
    QCOMPARE(decode(bytes(input)).join(" | "), decoded);
}

void TestSimDecoder::truncatedAtTheEndOfARead()
{
    const Bytes frame = bytes("01 00 28 08 08 03 00 04 40 01 68 01 E6 D3");
    for (std::size_t cut = 1; cut < frame.size(); ++cut) {
        Decoder decoder;
        QVERIFY(decoder.feed(frame.data(), cut).empty());
        QVERIFY(decoder.hasPending());
        const std::vector<Event> events = decoder.feed(frame.data() + cut, frame.size() - cut);
        QCOMPARE(events.size(), std::size_t(1));
        QCOMPARE(int(events[0].kind), int(Event::Kind::Frame));
        QCOMPARE(hex(events[0].data()), QString("40 01 68 01"));
        QVERIFY(!decoder.hasPending());
    }
}

void TestSimDecoder::oneByteAtATime()
{
    Decoder decoder;
    QStringList got;
    for (std::uint8_t b : allWorked()) {
        for (const Event &e : decoder.feed(&b, 1))
            got << hex(e.bytes);
    }
    QStringList expected;
    for (const Worked &w : worked)
        expected << w.bytes;
    QCOMPARE(got, expected);
    QVERIFY(!decoder.hasPending());
}

void TestSimDecoder::garbageBetweenMessages()
{
    QRandomGenerator random(5);
    Bytes stream;
    QStringList expected;
    for (int round = 0; round < 400; ++round) {
        const Bytes g = garbage(random, random.bounded(24));
        stream.insert(stream.end(), g.begin(), g.end());
        const Bytes b = bytes(worked[random.bounded(longMessages)].bytes);
        stream.insert(stream.end(), b.begin(), b.end());
        expected << hex(b);
    }
    QCOMPARE(accepted(stream, random), expected);
}

void TestSimDecoder::randomStreamThenValidMessages()
{
    QRandomGenerator random(2026);
    Bytes stream = garbage(random, 200000);
    QStringList expected;
    for (int i = 0; i < longMessages; ++i) {
        const Bytes b = bytes(worked[i].bytes);
        stream.insert(stream.end(), b.begin(), b.end());
        expected << hex(b);
    }
    const QStringList got = accepted(stream, random);
    // Whatever the noise spelled, the messages after it come out whole and in order.
    QVERIFY(got.size() >= longMessages);
    QCOMPARE(got.mid(got.size() - longMessages), expected);
}

QTEST_APPLESS_MAIN(TestSimDecoder)
#include "tst_simdecoder.moc"
