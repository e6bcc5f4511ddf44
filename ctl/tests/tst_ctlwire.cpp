// camdeck-ctl's bytes on a real pseudo-terminal: every command's frames and
// packets with the pauses after them, the answers it prints, the exit status
// when the port is held, missing or lost, the preset files, and one preset
// recall paced in real time.
#include "ctlrun.h"
#include "fixture.h"
#include "ptypeer.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <mutex>
#include <sys/file.h>

using namespace camdeck;
using namespace std::chrono_literals;

namespace {

const QString greeting = "8E 12";
const QString farewell = "80";
const QString stopAndQuery = "85 01 04 00 00 00 76 00 8E 13";

// Preset 2's built-in values, recalled: 2/0, 2/1 15, 2/0, 2/3 10, 2/0, 2/2 16,
// 2/4, 2/8 0, 2/4, 2/5 11, 2/4, 2/6 0, 2/10 peak on at 8 twice, 2/4 twice.
const QString presetTwo = "01 00 28 05 02 00 00 01 00 DD 61 01 00 28 05 02 01 00 01 0F E3 52 "
                          "01 00 28 05 02 00 00 01 00 DD 61 01 00 28 05 02 03 00 01 0A 84 34 "
                          "01 00 28 05 02 00 00 01 00 DD 61 01 00 28 05 02 02 00 01 10 AF 07 "
                          "01 00 28 05 02 04 00 01 01 18 AD 01 00 28 05 02 08 00 01 00 74 E8 "
                          "01 00 28 05 02 04 00 01 01 18 AD 01 00 28 05 02 05 00 01 0B 23 9E "
                          "01 00 28 05 02 04 00 01 01 18 AD 01 00 28 05 02 06 00 01 00 7B CB "
                          "01 00 28 05 02 0A 00 01 88 9E 8E 01 00 28 05 02 0A 00 01 88 9E 8E "
                          "01 00 28 05 02 04 00 01 01 18 AD 01 00 28 05 02 04 00 01 01 18 AD";

// The peer's short pauses, each one asked for kept in order.
struct Pauses {
    explicit Pauses(PtyPeer &peer)
        : fast(peer.fastPause())
    {
    }
    SerialLine::Pause pause()
    {
        return [this](std::chrono::milliseconds d) {
            {
                const std::lock_guard lock(mutex);
                asked << int(d.count());
            }
            fast(d);
        };
    }
    SerialLine::Pause fast;
    std::mutex mutex;
    QList<int> asked;
};

CtlRun runOn(PtyPeer &peer, const QStringList &arguments, SerialLine::Pause pause)
{
    return runCtl(QStringList{"-d", QString::fromStdString(peer.slavePath())} + arguments, std::move(pause));
}

CtlRun runOn(PtyPeer &peer, const QStringList &arguments)
{
    return runOn(peer, arguments, peer.fastPause());
}

} // namespace

class TestCtlWire : public QObject {
    Q_OBJECT

private slots:
    void init();
    void commands_data();
    void commands();
    void textUpload_data();
    void textUpload();
    void travel_data();
    void travel();
    void jsonObjectPerCommand();
    void verboseDecodesWhatWentOut();
    void presetFiles_data();
    void presetFiles();
    void exitStatus_data();
    void exitStatus();
    void presetRecallIsPacedInRealTime();

private:
    QTemporaryDir m_home;
};

void TestCtlWire::init()
{
    qputenv("HOME", m_home.path().toLocal8Bit());
}

void TestCtlWire::commands_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("sent"); // between the greeting and the farewell
    QTest::addColumn<QList<int>>("pausesMs"); // after the greeting's 250
    QTest::newRow("colour bar on, crosshair off")
        << QStringList{"set", "colour-bar", "on"} << "01 00 28 05 08 02 00 01 08 76 C0" << QList<int>{100};
    QTest::newRow("colour bar, then crosshair: one register, both bits")
        << QStringList{"set", "colour-bar", "on", "crosshair", "on"}
        << "01 00 28 05 08 02 00 01 08 76 C0 01 00 28 05 08 02 00 01 0C 72 C0" << QList<int>{100, 100};
    QTest::newRow("crosshair-x 320: a word, low byte first")
        << QStringList{"set", "crosshair-x", "320"} << "01 00 28 06 08 03 00 02 40 01 CC 0E" << QList<int>{100};
    QTest::newRow("sdv-mode 1: the high nibble of 8/36")
        << QStringList{"set", "sdv-mode", "1"} << "01 00 28 05 08 24 00 01 10 2E 6C" << QList<int>{100};
    QTest::newRow("hdv-h 3 beside sdv-h at its starting 6: 36 in 3/4")
        << QStringList{"set", "hdv-h", "3"} << "01 00 28 05 03 04 00 01 36 1F 9A" << QList<int>{100};
    QTest::newRow("peak-level 5 with peak control on from the start: 85 in 2/10")
        << QStringList{"set", "peak-level", "5"} << "01 00 28 05 02 0A 00 01 85 93 8E" << QList<int>{100};
    QTest::newRow("aes off from the start: ALC stays on")
        << QStringList{"set", "aes", "off"} << "01 00 28 05 02 00 00 01 01 DC 61" << QList<int>{100};
    QTest::newRow("alc on from AES: AES goes off, the fixed shutter on")
        << QStringList{"set", "aes", "on", "set", "alc", "on"}
        << "01 00 28 05 02 00 00 01 02 DF 61 01 00 28 05 02 00 00 01 01 DC 61" << QList<int>{100, 100};
    QTest::newRow("uv-ur -28 is E4 in 4/19")
        << QStringList{"set", "uv-ur", "-28"} << "01 00 28 05 04 13 00 01 E4 B9 85" << QList<int>{100};
    QTest::newRow("alc-level 20 under --raw")
        << QStringList{"--raw", "set", "alc-level", "20"} << "01 00 28 05 02 01 00 01 14 F8 52" << QList<int>{100};
    QTest::newRow("set text on: the control that shows the text, not an upload")
        << QStringList{"set", "text", "on"} << "01 00 28 05 08 08 00 01 01 B4 2F" << QList<int>{100};
    QTest::newRow("switch blc on: a packet, no pause")
        << QStringList{"switch", "blc", "on"} << "80 86 01 01 00 00 F8 00" << QList<int>{};
    QTest::newRow("switch agc off") << QStringList{"switch", "AGC", "off"} << "80 82 00 01 00 00 FD 00" << QList<int>{};
    QTest::newRow("jog right") << QStringList{"jog", "right"} << "85 01 00 00 00 00 7A 00" << QList<int>{};
    QTest::newRow("jog stop, then the travel query answered 0.5 s later")
        << QStringList{"jog", "stop"} << stopAndQuery << QList<int>{500};
    QTest::newRow("mask plus: hide all four, define two, show two")
        << QStringList{"mask", "plus"}
        << "81 87 00 01 00 00 F7 00 81 88 00 01 00 00 F6 00 81 89 00 01 00 00 F5 00 "
           "81 8A 00 01 00 00 F4 00 A5 5E 36 60 4C 00 1B 00 A6 54 40 6A 42 00 1A 00 "
           "81 87 01 01 00 00 F6 00 81 88 01 01 00 00 F5 00"
        << QList<int>{50, 50, 50, 50, 50, 50, 50, 50};
    QTest::newRow("mask none: hide all four")
        << QStringList{"mask", "none"}
        << "81 87 00 01 00 00 F7 00 81 88 00 01 00 00 F6 00 81 89 00 01 00 00 F5 00 "
           "81 8A 00 01 00 00 F4 00"
        << QList<int>{50, 50, 50, 50};
    QTest::newRow("hello: the greeting is all") << QStringList{"hello"} << "" << QList<int>{};
}

void TestCtlWire::commands()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, sent);
    QFETCH(QList<int>, pausesMs);
    PtyPeer peer;
    peer.answer(bytes(greeting), bytes("53 49 4D 31"));
    peer.answer(bytes(stopAndQuery), bytes("00 00"));
    Pauses pauses(peer);
    const CtlRun run = runOn(peer, arguments, pauses.pause());
    QCOMPARE(run.err, QString());
    QCOMPARE(hex(peer.takeAll()), QStringList({greeting, sent, farewell}).join(' ').simplified());
    QCOMPARE(pauses.asked, QList<int>{250} + pausesMs);
}

void TestCtlWire::textUpload_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("frame");
    QTest::newRow("position 0: A") << 0 << "01 00 28 05 08 0B 00 01 41 A7 7A";
    QTest::newRow("position 1: B") << 1 << "01 00 28 05 08 0C 00 01 42 33 E3";
    QTest::newRow("position 2: cleared") << 2 << "01 00 28 05 08 0D 00 01 00 40 D0";
    QTest::newRow("position 23: cleared") << 23 << "01 00 28 05 08 22 00 01 00 98 C6";
}

void TestCtlWire::textUpload()
{
    QFETCH(int, position);
    QFETCH(QString, frame);
    PtyPeer peer;
    Pauses pauses(peer);
    QCOMPARE(runOn(peer, {"text", "AB"}, pauses.pause()).status, 0);
    const Bytes all = peer.takeAll();
    QCOMPARE(all.size(), std::size_t(2 + 24 * 11 + 1));
    const auto at = all.begin() + 2 + 11 * position;
    QCOMPARE(hex(Bytes(at, at + 11)), frame);
    QCOMPARE(pauses.asked, QList<int>{250} + QList<int>(24, 50));
}

void TestCtlWire::travel_data()
{
    QTest::addColumn<QString>("reply");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("printed");
    QTest::addColumn<QString>("said");
    QTest::newRow("FF 38: -200 mm") << "FF 38" << 0 << "travel -200 mm\n"
                                    << "";
    QTest::newRow("00 64: 100 mm") << "00 64" << 0 << "travel 100 mm\n"
                                   << "";
    QTest::newRow("no answer: status 5") << "" << 5 << ""
                                         << "camdeck-ctl: the drive did not answer the travel query\n";
    QTest::newRow("three bytes are no answer")
        << "00 64 00" << 5 << ""
        << "camdeck-ctl: the drive did not answer the travel query (got 00 64 00)\n";
}

void TestCtlWire::travel()
{
    QFETCH(QString, reply);
    QFETCH(int, status);
    QFETCH(QString, printed);
    QFETCH(QString, said);
    PtyPeer peer;
    peer.answer(bytes(stopAndQuery), bytes(reply));
    const CtlRun run = runOn(peer, {"jog", "stop"});
    QCOMPARE(run.status, status);
    QCOMPARE(run.out, printed);
    QCOMPARE(run.err, said);
}

void TestCtlWire::jsonObjectPerCommand()
{
    PtyPeer peer;
    peer.answer(bytes(greeting), bytes("53 49 4D 31"));
    peer.answer(bytes(stopAndQuery), bytes("FF 38"));
    const CtlRun run = runOn(peer, {"--json", "hello", "set", "alc-level", "12", "jog", "stop"});
    QCOMPARE(run.status, 0);
    QCOMPARE(run.out,
             "{\"command\":\"hello\",\"args\":[],\"sent\":[\"8E 12\"],\"reply\":\"53 49 4D 31\","
             "\"reply_text\":\"SIM1\"}\n"
             "{\"command\":\"set\",\"args\":[\"alc-level\",\"12\"],"
             "\"sent\":[\"01 00 28 05 02 01 00 01 0C E0 52\"]}\n"
             "{\"command\":\"jog\",\"args\":[\"stop\"],"
             "\"sent\":[\"85 01 04 00 00 00 76 00\",\"8E 13\"],\"reply\":\"FF "
             "38\",\"travel_mm\":-200}\n");
}

void TestCtlWire::verboseDecodesWhatWentOut()
{
    PtyPeer peer;
    peer.answer(bytes(greeting), bytes("4F 4B"));
    const CtlRun run = runOn(peer, {"-v", "hello", "set", "alc-level", "12"});
    QCOMPARE(run.out, "reply 4F 4B \"OK\"\n");
    QCOMPARE(run.err,
             "sent 8E 12  greeting\n"
             "read 4F 4B\n"
             "sent 01 00 28 05 02 01 00 01 0C E0 52  2/1 ALC level ← 0x0C\n"
             "sent 80  farewell\n");
}

void TestCtlWire::presetFiles_data()
{
    QTest::addColumn<QString>("preset");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QByteArray>("content"); // null: no file; "dir": a directory in its place
    QTest::addColumn<QString>("said");
    QTest::newRow("preset 2, no file: built-in values, said, no file made")
        << "2"
        << "preset2.txt" << QByteArray() << "no HOME/preset2.txt: preset 2 uses its built-in values (no file is made)";
    QTest::newRow("preset 3 from a file holding preset 2's values")
        << "3"
        << "preset3.txt" << QByteArray("00\n15\n01\n10\n00\n16\n00\n00\n01\n11\n00\n00\n01\n08\n00\n") << "";
    QTest::newRow("preset 2, a directory in its place: built-in values and why")
        << "2"
        << "preset2.txt" << QByteArray("dir")
        << "cannot read HOME/preset2.txt (it is a directory): preset 2 uses its built-in values";
}

void TestCtlWire::presetFiles()
{
    QFETCH(QString, preset);
    QFETCH(QString, fileName);
    QFETCH(QByteArray, content);
    QFETCH(QString, said);
    const QString path = m_home.filePath(fileName);
    QFile::remove(path);
    QDir(path).removeRecursively();
    if (content == "dir") {
        QVERIFY(QDir().mkdir(path));
    } else if (!content.isNull()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    PtyPeer peer;
    const CtlRun run = runOn(peer, {"preset", preset});
    QCOMPARE(run.status, 0);
    QCOMPARE(run.err,
             said.isEmpty() ? QString() : "camdeck-ctl: " + QString(said).replace("HOME", m_home.path()) + "\n");
    QCOMPARE(hex(peer.takeAll()), QStringList({greeting, presetTwo, farewell}).join(' '));
    QCOMPARE(QFile::exists(path), !content.isNull());
}

void TestCtlWire::exitStatus_data()
{
    QTest::addColumn<QString>("situation");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("said");
    QTest::newRow("held by another program: 3") << "held" << 3 << "in use by another program (Device or resource busy)";
    QTest::newRow("missing device: 2") << "missing" << 2 << "No such file or directory";
    QTest::newRow("not a terminal: 2") << "/dev/null" << 2 << "it is not a serial device";
    QTest::newRow("adapter pulled mid-recall: 4") << "lost" << 4 << "(Input/output error); the rest is not sent";
}

void TestCtlWire::exitStatus()
{
    QFETCH(QString, situation);
    QFETCH(int, status);
    QFETCH(QString, said);
    PtyPeer peer;
    QString device = QString::fromStdString(peer.slavePath());
    const int other = ::open(peer.slavePath().c_str(), O_RDWR | O_NOCTTY);
    if (situation == "held")
        QCOMPARE(::flock(other, LOCK_EX | LOCK_NB), 0);
    else if (situation == "missing")
        device = m_home.filePath("ttyUSB9");
    else if (situation == "/dev/null")
        device = situation;
    // The adapter goes away after the third frame of the recall.
    int paused = 0;
    const auto pause = [&, fast = peer.fastPause()](std::chrono::milliseconds d) {
        if (situation == "lost" && ++paused == 4)
            peer.hangUp();
        fast(d);
    };
    const CtlRun run = runCtl({"-d", device, "preset", "1"}, pause);
    QCOMPARE(run.status, status);
    QVERIFY2(run.err.contains(said), qPrintable(run.err));
    if (situation != "lost")
        QCOMPARE(hex(peer.takeAll()), QString());
    ::close(other);
}

// The one test in real time: the camera's 0.1 s between the frames of a
// recall, measured where the peer read them, less a few ms of its wake-up.
void TestCtlWire::presetRecallIsPacedInRealTime()
{
    PtyPeer peer;
    QCOMPARE(runCtl({"-d", QString::fromStdString(peer.slavePath()), "preset", "1"}).status, 0);
    QCOMPARE(peer.take(2 + 16 * 11 + 1).size(), std::size_t(2 + 16 * 11 + 1));
    std::vector<PtyPeer::Clock::time_point> starts; // of the greeting, each frame, the farewell
    std::size_t offset = 0;
    for (const PtyPeer::Arrival &arrival : peer.arrivals()) {
        for (std::size_t at = offset; at < offset + arrival.bytes.size(); ++at) {
            if (at == 0 || (at >= 2 && (at - 2) % 11 == 0))
                starts.push_back(arrival.at);
        }
        offset += arrival.bytes.size();
    }
    QCOMPARE(starts.size(), std::size_t(1 + 16 + 1));
    const auto gapMs
        = [&](std::size_t i) { return std::chrono::duration<double, std::milli>(starts[i] - starts[i - 1]).count(); };
    QVERIFY2(gapMs(1) >= 250 - 5, qPrintable(QString::number(gapMs(1))));
    for (std::size_t i = 2; i < starts.size(); ++i)
        QVERIFY2(gapMs(i) >= 100 - 5, qPrintable(QString("gap %1: %2 ms").arg(i).arg(gapMs(i))));
}

QTEST_GUILESS_MAIN(TestCtlWire)
#include "tst_ctlwire.moc"
