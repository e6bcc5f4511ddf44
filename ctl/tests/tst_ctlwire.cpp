// camdeck-ctl's bytes on a real pseudo-terminal: every command's frames and
// packets with the pauses after them, what a script is told and the exit
// status, the preset files, and one preset recall paced in real time.
#include "ctlrun.h"
#include "fixture.h"

#include <QDir>
#include <QTest>

using namespace camdeck;

namespace {

const QString stopAndQuery = "85 01 04 00 00 00 76 00 8E 13";

// Runs on the peer with its short pauses, keeping each one asked for (on the
// queue's thread, which has ended when the run returns).
CtlRun runPaused(PtyPeer &peer, const QStringList &arguments, QList<int> &asked)
{
    return runOn(peer, arguments, [&asked, fast = peer.fastPause()](std::chrono::milliseconds d) {
        asked << int(d.count());
        fast(d);
    });
}

} // namespace

class TestCtlWire : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void commands_data();
    void commands();
    void told_data();
    void told();
    void adapterPulledMidRecall();
    void presetRecallIsPacedInRealTime();

private:
    QTemporaryDir m_home;
};

// The presets' home: preset 3's file holds preset 2's values, preset 4's is a
// directory, the others have none.
void TestCtlWire::initTestCase()
{
    qputenv("HOME", m_home.path().toLocal8Bit());
    QFile three(m_home.filePath("preset3.txt"));
    QVERIFY(three.open(QIODevice::WriteOnly));
    three.write("00\n15\n01\n10\n00\n16\n00\n00\n01\n11\n00\n00\n01\n08\n00\n");
    QVERIFY(QDir(m_home.path()).mkdir("preset4.txt"));
}

void TestCtlWire::commands_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("sent"); // between the greeting and the farewell
    QTest::addColumn<QList<int>>("pausesMs"); // after the greeting's 250
    const auto row = [](const char *line, const QString &sent, const QList<int> &pausesMs) {
        QTest::newRow(line) << line << sent << pausesMs;
    };
    // One register, two bits: the colour bar, then the crosshair.
    row("set colour-bar on crosshair 1", "01 00 28 05 08 02 00 01 08 76 C0 01 00 28 05 08 02 00 01 0C 72 C0",
        {100, 100});
    row("set colour-bar False", "01 00 28 05 08 02 00 01 00 7E C0", {100});
    row("set uv-ur -128 uv-ur 127", "01 00 28 05 04 13 00 01 80 DD 85 01 00 28 05 04 13 00 01 7F 22 85", {100, 100});
    row("set alc-level +5", "01 00 28 05 02 01 00 01 05 E9 52", {100});
    row("--raw set alc-level 20", "01 00 28 05 02 01 00 01 14 F8 52", {100});
    // Items by name in any case, or by index.
    row("set gamma 1.0 xdr-mode MIDDLE", "01 00 28 05 03 06 00 01 04 4F FC 01 00 28 05 03 00 00 01 02 EF 56",
        {100, 100});
    row("set sdv-mode 1", "01 00 28 05 08 24 00 01 10 2E 6C", {100}); // the high nibble of 8/36
    row("set crosshair-x 320", "01 00 28 06 08 03 00 02 40 01 CC 0E", {100}); // a word, low byte first
    // The other controls as the window starts them.
    row("set hdv-h 3", "01 00 28 05 03 04 00 01 36 1F 9A", {100}); // beside sdv-h at 6
    row("set peak-level 5", "01 00 28 05 02 0A 00 01 85 93 8E", {100}); // peak control on
    row("set aes off", "01 00 28 05 02 00 00 01 01 DC 61", {100}); // ALC stays on
    // ALC on turns AES off and the fixed shutter on.
    row("set aes on alc on", "01 00 28 05 02 00 00 01 02 DF 61 01 00 28 05 02 00 00 01 01 DC 61", {100, 100});
    // All 24 positions, 8/11 to 8/34: the letters, then blanks.
    row("text AB",
        "01 00 28 05 08 0B 00 01 41 A7 7A 01 00 28 05 08 0C 00 01 42 33 E3 01 00 28 05 08 0D 00 01 00 40 D0 "
        "01 00 28 05 08 0E 00 01 00 13 85 01 00 28 05 08 0F 00 01 00 22 B6 01 00 28 05 08 10 00 01 00 6F A5 "
        "01 00 28 05 08 11 00 01 00 5E 96 01 00 28 05 08 12 00 01 00 0D C3 01 00 28 05 08 13 00 01 00 3C F0 "
        "01 00 28 05 08 14 00 01 00 AB 69 01 00 28 05 08 15 00 01 00 9A 5A 01 00 28 05 08 16 00 01 00 C9 0F "
        "01 00 28 05 08 17 00 01 00 F8 3C 01 00 28 05 08 18 00 01 00 C6 2C 01 00 28 05 08 19 00 01 00 F7 1F "
        "01 00 28 05 08 1A 00 01 00 A4 4A 01 00 28 05 08 1B 00 01 00 95 79 01 00 28 05 08 1C 00 01 00 02 E0 "
        "01 00 28 05 08 1D 00 01 00 33 D3 01 00 28 05 08 1E 00 01 00 60 86 01 00 28 05 08 1F 00 01 00 51 B5 "
        "01 00 28 05 08 20 00 01 00 FA A0 01 00 28 05 08 21 00 01 00 CB 93 01 00 28 05 08 22 00 01 00 98 C6",
        QList<int>(24, 50));
    row("set text on", "01 00 28 05 08 08 00 01 01 B4 2F", {100}); // the control that shows the text
    row("switch blc on switch AGC off jog right", // packets, no pause
        "80 86 01 01 00 00 F8 00 80 82 00 01 00 00 FD 00 85 01 00 00 00 00 7A 00", {});
    row("jog stop", stopAndQuery, {500}); // the travel query answered 0.5 s later
    // Hide all four masks, define two, show two.
    row("mask plus",
        "81 87 00 01 00 00 F7 00 81 88 00 01 00 00 F6 00 81 89 00 01 00 00 F5 00 81 8A 00 01 00 00 F4 00 "
        "A5 5E 36 60 4C 00 1B 00 A6 54 40 6A 42 00 1A 00 81 87 01 01 00 00 F6 00 81 88 01 01 00 00 F5 00",
        QList<int>(8, 50));
    // 2/0, 2/1 15, 2/0, 2/3 10, 2/0, 2/2 16, 2/4, 2/8 0, 2/4, 2/5 11, 2/4, 2/6 0, 2/10 peak on at 8
    // twice, 2/4 twice.
    const QString presetTwo
        = "01 00 28 05 02 00 00 01 00 DD 61 01 00 28 05 02 01 00 01 0F E3 52 01 00 28 05 02 00 00 01 00 DD 61 "
          "01 00 28 05 02 03 00 01 0A 84 34 01 00 28 05 02 00 00 01 00 DD 61 01 00 28 05 02 02 00 01 10 AF 07 "
          "01 00 28 05 02 04 00 01 01 18 AD 01 00 28 05 02 08 00 01 00 74 E8 01 00 28 05 02 04 00 01 01 18 AD "
          "01 00 28 05 02 05 00 01 0B 23 9E 01 00 28 05 02 04 00 01 01 18 AD 01 00 28 05 02 06 00 01 00 7B CB "
          "01 00 28 05 02 0A 00 01 88 9E 8E 01 00 28 05 02 0A 00 01 88 9E 8E 01 00 28 05 02 04 00 01 01 18 AD "
          "01 00 28 05 02 04 00 01 01 18 AD";
    row("preset 2", presetTwo, QList<int>(16, 100)); // no file: its built-in values
    row("preset 3", presetTwo, QList<int>(16, 100)); // from a file that holds preset 2's values
    row("hello", "", {}); // the greeting is all
}

void TestCtlWire::commands()
{
    QFETCH(QString, line);
    QFETCH(QString, sent);
    QFETCH(QList<int>, pausesMs);
    PtyPeer peer;
    peer.answer(bytes("8E 12"), bytes("53 49 4D 31"));
    peer.answer(bytes(stopAndQuery), bytes("00 00"));
    QList<int> asked;
    QCOMPARE(runPaused(peer, line.split(' '), asked).status, 0);
    QCOMPARE(hex(peer.takeAll()), ("8E 12 " + sent + " 80").simplified());
    QCOMPARE(asked, QList<int>{250} + pausesMs);
}

void TestCtlWire::told_data()
{
    QTest::addColumn<QString>("line"); // PTY: the peer's port
    QTest::addColumn<QString>("travel"); // the drive's answer to the travel query
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err"); // HOME: the test's own
    const auto row = [](const char *name, const char *line, const char *travel, int status, const QString &out,
                        const QString &err) { QTest::newRow(name) << line << travel << status << out << err; };
    const QString noTravel = "camdeck-ctl: the drive did not answer the travel query";
    const QString stopJson
        = "{\"command\":\"jog\",\"args\":[\"stop\"],\"sent\":[\"85 01 04 00 00 00 76 00\",\"8E 13\"],";
    row("travel", "-d PTY jog stop", "00 64", 0, "travel 100 mm\n", "");
    row("no travel: 5", "-d PTY jog stop", "", 5, "", noTravel + "\n");
    row("three bytes are no travel", "-d PTY jog stop", "00 64 00", 5, "", noTravel + " (got 00 64 00)\n");
    row("what went out, decoded", "-v -d PTY hello set alc-level 12", "", 0, "reply 53 49 4D 31 \"SIM1\"\n",
        "sent 8E 12  greeting\nread 53 49 4D 31\nsent 01 00 28 05 02 01 00 01 0C E0 52  2/1 ALC level ← 0x0C\n"
        "sent 80  farewell\n");
    row("JSON, an object per command", "--json -d PTY hello set alc-level 12 jog stop", "FF 38", 0,
        "{\"command\":\"hello\",\"args\":[],\"sent\":[\"8E 12\"],\"reply\":\"53 49 4D 31\",\"reply_text\":\"SIM1\"}\n"
        "{\"command\":\"set\",\"args\":[\"alc-level\",\"12\"],\"sent\":[\"01 00 28 05 02 01 00 01 0C E0 52\"]}\n"
            + stopJson + "\"reply\":\"FF 38\",\"travel_mm\":-200}\n",
        "");
    row("JSON, no travel", "--json -d PTY jog stop", "", 5, stopJson + "\"reply\":\"\",\"travel_mm\":null}\n",
        noTravel + "\n");
    row("no preset file: built-in values, no file made", "-d PTY preset 2", "", 0, "",
        "camdeck-ctl: no HOME/preset2.txt: preset 2 uses its built-in values (no file is made)\n");
    row("a directory for a preset file", "-d PTY preset 4", "", 0, "",
        "camdeck-ctl: cannot read HOME/preset4.txt (it is a directory): preset 4 uses its built-in values\n");
    row("missing device: 2", "-d /nonexistent/ttyUSB9 hello", "", 2, "",
        "camdeck-ctl: cannot open /nonexistent/ttyUSB9: No such file or directory\n");
    row("not a terminal: 2", "-d /dev/null hello", "", 2, "",
        "camdeck-ctl: cannot open /dev/null: Inappropriate ioctl for device; it is not a serial device, nothing was "
        "written to it\n");
}

void TestCtlWire::told()
{
    QFETCH(QString, line);
    QFETCH(QString, travel);
    QFETCH(int, status);
    QFETCH(QString, out);
    QFETCH(QString, err);
    PtyPeer peer;
    peer.answer(bytes("8E 12"), bytes("53 49 4D 31"));
    peer.answer(bytes(stopAndQuery), bytes(travel));
    const CtlRun run
        = runCtl(line.replace("PTY", QString::fromStdString(peer.slavePath())).split(' '), peer.fastPause());
    QCOMPARE(run.status, status);
    QCOMPARE(run.out, out);
    QCOMPARE(run.err, QString(err).replace("HOME", m_home.path()));
    QCOMPARE(QDir(m_home.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
             QStringList({"preset3.txt", "preset4.txt"}));
}

// The adapter goes away after the third frame of a recall: the rest is not sent.
void TestCtlWire::adapterPulledMidRecall()
{
    PtyPeer peer;
    int paused = 0;
    const CtlRun run = runOn(peer, {"preset", "1"}, [&, fast = peer.fastPause()](std::chrono::milliseconds d) {
        if (++paused == 4)
            peer.hangUp();
        fast(d);
    });
    QCOMPARE(run.status, 4);
    QVERIFY2(run.err.contains("(Input/output error); the rest is not sent"), qPrintable(run.err));
}

// The one test in real time: the camera's 0.1 s between the frames of a
// recall, measured where the peer read them, less a few ms of its wake-up.
void TestCtlWire::presetRecallIsPacedInRealTime()
{
    PtyPeer peer;
    QCOMPARE(runCtl({"-d", QString::fromStdString(peer.slavePath()), "preset", "1"}).status, 0);
    QCOMPARE(peer.take(2 + 16 * 11 + 1).size(), std::size_t(2 + 16 * 11 + 1));
    std::vector<PtyPeer::Clock::time_point> starts; // of the greeting, each frame, the farewell
    std::size_t at = 0;
    for (const PtyPeer::Arrival &arrival : peer.arrivals())
        for (const std::size_t end = at + arrival.bytes.size(); at < end; ++at)
            if (at == 0 || (at >= 2 && (at - 2) % 11 == 0))
                starts.push_back(arrival.at);
    QCOMPARE(starts.size(), std::size_t(1 + 16 + 1));
    for (std::size_t i = 1; i < starts.size(); ++i) {
        const double gapMs = std::chrono::duration<double, std::milli>(starts[i] - starts[i - 1]).count();
        QVERIFY2(gapMs >= (i == 1 ? 250 : 100) - 5, qPrintable(QString("gap %1: %2 ms").arg(i).arg(gapMs)));
    }
}

QTEST_GUILESS_MAIN(TestCtlWire)
#include "tst_ctlwire.moc"
