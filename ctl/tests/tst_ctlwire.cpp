// camdeck-ctl's bytes on a real pseudo-terminal: every command's frames and
// packets with the pauses after them, what a script is told and the exit
// status, the preset files, and one preset recall paced in real time.
#include "ctlrun.h"
#include "fixture.h"
#include "util/pacing.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QRegularExpression>
#include <QTest>

using namespace camdeck;

const QString stopAndQuery = "85 01 04 00 00 00 76 00 8E 13";

class TestCtlWire : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void commands_data();
    void commands();
    void told_data();
    void told();
    void setups_data();
    void setups();
    void adapterPulledMidRecall();
    void presetRecallIsPacedInRealTime();

private:
    Home m_home;
};

// The presets' home: preset 3's file has ALC off at level 5, preset 4's is a
// directory, the others have none.
void TestCtlWire::initTestCase()
{
    m_home.write(3, "00\n05\n01\n10\n00\n16\n00\n00\n01\n11\n00\n00\n01\n08\n00\n");
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
    // Check words in any case; one register, two bits: 8/2 = 08 0C 04.
    row("set colour-bar on crosshair 1 colour-bar False",
        "01 00 28 05 08 02 00 01 08 76 C0 01 00 28 05 08 02 00 01 0C 72 C0 01 00 28 05 08 02 00 01 04 7A C0",
        {100, 100, 100});
    row("set uv-ur -128 uv-ur 127", "01 00 28 05 04 13 00 01 80 DD 85 01 00 28 05 04 13 00 01 7F 22 85", {100, 100});
    row("--raw set alc-level +5 alc-level 20", "01 00 28 05 02 01 00 01 05 E9 52 01 00 28 05 02 01 00 01 14 F8 52",
        {100, 100});
    // Items by name in any case, or by index (the high nibble of 8/36); xdr-mode is xdr's older name.
    row("set gamma 1.0 xdr-mode MIDDLE sdv-mode #1 hdv-mode 0",
        "01 00 28 05 03 06 00 01 04 4F FC 01 00 28 05 03 00 00 01 02 EF 56 01 00 28 05 08 24 00 01 10 2E 6C "
        "01 00 28 05 08 23 00 01 00 A9 F5",
        {100, 100, 100, 100});
    // The other controls as the window starts them: peak control on; ALC on
    // turns AES off and the fixed shutter on.
    row("set peak-level 5", "01 00 28 05 02 0A 00 01 85 93 8E", {100});
    row("set autopan-y 0 autopan-y 255", "01 00 28 05 05 08 00 01 00 E4 6D 01 00 28 05 05 08 00 01 FF 1B 6D",
        {100, 100}); // the ends of a range
    row("set aes on alc on", "01 00 28 05 02 00 00 01 02 DF 61 01 00 28 05 02 00 00 01 01 DC 61", {100, 100});
    // A, B, then blanks to 8/34 (the window's text frames are checked in tst_controls).
    row("text AB",
        "01 00 28 05 08 0B 00 01 41 A7 7A 01 00 28 05 08 0C 00 01 42 33 E3 01 00 28 05 08 0D 00 01 00 40 D0 …",
        QList<int>(24, 50));
    // The control that shows the text (text is its older name), and where: 8/8 = 01, 03.
    row("set text on text-position Bottom", "01 00 28 05 08 08 00 01 01 B4 2F 01 00 28 05 08 08 00 01 03 B6 2F",
        {100, 100});
    row("switch blc on switch AGC off jog right", // packets, no pause
        "80 86 01 01 00 00 F8 00 80 82 00 01 00 00 FD 00 85 01 00 00 00 00 7A 00", {});
    row("jog stop", stopAndQuery, {500}); // the travel query answered 0.5 s later
    row("mask 0", // none, by its index: the four hide packets (the patterns: tst_controls)
        "81 87 00 01 00 00 F7 00 81 88 00 01 00 00 F6 00 81 89 00 01 00 00 F5 00 81 8A 00 01 00 00 F4 00",
        QList<int>(4, 50));
    // Sixteen frames from the file, the first two 2/0 (ALC off) and 2/1 (5); the
    // frames of a recall are the window's, checked with its presets.
    row("preset 3", "01 00 28 05 02 00 00 01 00 DD 61 01 00 28 05 02 01 00 01 05 E9 52 …", QList<int>(16, 100));
    row("set aspect on", "01 00 28 05 08 00 00 01 04 18 A6", {100}); // wide-aspect's older name
}

void TestCtlWire::commands()
{
    QFETCH(QString, line);
    QFETCH(QString, sent);
    QFETCH(QList<int>, pausesMs);
    PtyPeer peer;
    peer.answer(bytes("8E 12"), bytes("53 49 4D 31"));
    peer.answer(bytes(stopAndQuery), bytes("00 00"));
    QList<int> asked; // on the queue's thread, which has ended when the run returns
    const auto pause = [&asked, fast = peer.fastPause()](std::chrono::milliseconds d) {
        asked << int(d.count());
        fast(d);
    };
    QCOMPARE(runOn(peer, line.split(' '), pause).status, 0);
    // The port is closed by now; the peer's thread may not have read it all yet.
    const QString expected = sent.endsWith(" …") ? "8E 12 " + sent.chopped(2) : "8E 12 " + sent + " 80";
    QCOMPARE(hex(peer.take(std::size_t(expected.size() + 1) / 3)), expected);
    if (!sent.endsWith(" …"))
        QCOMPARE(peer.takeAll().size(), std::size_t(0)); // nothing after the farewell
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
    const QString stopJson = "{\"args\":[\"stop\"],\"command\":\"jog\",\"reply\":";
    const QString stopSent = "\"sent\":[\"85 01 04 00 00 00 76 00\",\"8E 13\"],";
    row("three bytes are no travel", "-d PTY jog stop", "00 64 00", 5, "", noTravel + " (got 00 64 00)\n");
    row("what went out, decoded", "-v -d PTY hello set alc-level 12", "", 0, "reply 53 49 4D 31 \"SIM1\"\n",
        "TIME  sent  8E 12  greeting\nTIME  read  53 49 4D 31  reply, 4 bytes\n"
        "TIME  sent  01 00 28 05 02 01 00 01 0C E0 52  2/1 ALC level ← 0x0C\nTIME  sent  80  farewell\n");
    row("JSON, an object per command", "--json -d PTY hello set alc-level 12 jog stop", "FF 38", 0,
        "{\"args\":[],\"command\":\"hello\",\"reply\":\"53 49 4D 31\",\"reply_text\":\"SIM1\",\"sent\":[\"8E 12\"]}\n"
        "{\"args\":[\"alc-level\",\"12\"],\"command\":\"set\",\"sent\":[\"01 00 28 05 02 01 00 01 0C E0 52\"]}\n"
            + stopJson + "\"FF 38\"," + stopSent + "\"travel_mm\":-200}\n",
        "");
    row("JSON, no travel", "--json --device=PTY jog stop", "", 5,
        stopJson + "\"\"," + stopSent + "\"travel_mm\":null}\n", noTravel + "\n");
    row("no preset file: built-in values, no file made", "-d PTY preset 2", "", 0, "",
        "camdeck-ctl: no HOME/preset2.txt: preset 2 uses its built-in values (no file is made)\n");
    row("a directory for a preset file", "-d PTY preset 4", "", 0, "",
        "camdeck-ctl: cannot read HOME/preset4.txt (it is a directory): preset 4 uses its built-in values\n");
    row("missing device: 2", "-d /nonexistent/ttyUSB9 hello", "", 2, "",
        "camdeck-ctl: cannot open /nonexistent/ttyUSB9: No such file or directory\n");
    row("not a terminal: 2", "-d /dev/null hello", "", 2, "",
        "camdeck-ctl: cannot open /dev/null: Inappropriate ioctl for device; it is not a serial device; nothing was "
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
    QString said = run.err;
    said.replace(QRegularExpression("^\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d", QRegularExpression::MultilineOption), "TIME");
    QCOMPARE(said, QString(err).replace("HOME", m_home.path()));
    QCOMPARE(QDir(m_home.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
             QStringList({"preset3.txt", "preset4.txt"}));
}

// A setup file on the port itself: every control goes, in the window's order,
// those the file leaves out as a freshly started window has them; then the
// switches, the text and the mask. A file refused is refused whole: the port
// is not even opened.
void TestCtlWire::setups_data()
{
    QTest::addColumn<QByteArray>("file"); // or "<directory>", "<100 MB>", "<missing>"
    QTest::addColumn<int>("count"); // messages between the greeting and the farewell
    QTest::addColumn<QStringList>("among"); // in this order among them
    QTest::addColumn<QString>("refused"); // FILE: the file's path
    const auto row = [](const char *name, const QByteArray &file, int count, const QStringList &among,
                        const QString &refused = {}) { QTest::newRow(name) << file << count << among << refused; };
    // clang-format off
    row("two controls, the rest built in", "alc-level = 12\ngamma = 1.0\n", 91,
        {"01 00 28 05 02 01 00 01 0C E0 52", "01 00 28 05 03 06 00 01 04 4F FC", "01 00 28 06 08 03 00 02 40 01 CC 0E",
         "80 86 00 01 00 00 F9 00", "01 00 28 05 08 0B 00 01 00 E6 7A", "81 8A 00 01 00 00 F4 00"});
    row("by hand: comments, any case, spaces, CRLF, an older name", "# bench 3\r\nXDR-Mode=  Middle \r\n\r\n  blc = ON\r\n", 91,
        {"01 00 28 05 03 00 00 01 02 EF 56", "80 86 01 01 00 00 F8 00"});
    row("text shown at the bottom, mask 2", "show-text = on\ntext-position = Bottom\ntext = \"A\\\"\"\nmask = open-cross\n", 99,
        {"01 00 28 05 08 08 00 01 03 B6 2F", "01 00 28 05 08 0B 00 01 41 A7 7A", "01 00 28 05 08 0C 00 01 22 ", "81 8A 00 01 00 00 F4 00",
         "A5 40 40 56 42 00 43 00", "81 8A 01 01 00 00 F3 00"});
    row("a misspelt name", "alc-level = 12\nalc-levle = 3\n", 0, {}, "FILE, line 2: no control 'alc-levle'; did you mean alc-level?");
    row("out of range", "alc-level = 17\n", 0, {}, "FILE, line 1: alc-level takes 0 to 16, not '17'");
    row("one control under two names", "xdr = 1\n\nxdr-mode = 2\n", 0, {}, "FILE, line 3: xdr given again (first on line 1)");
    row("no equals sign", "alc-level 12\n", 0, {}, "FILE, line 1: 'alc-level 12' is no 'name = value'");
    row("text the camera cannot show", "text = \"\xE2\x82\xAC 5\"\n", 0, {}, "FILE, line 1: the on-screen text takes Latin-1 characters only, not '\u20AC'");
    row("not UTF-8", "text = \"\xFF\"\n", 0, {}, "FILE is not UTF-8 text");
    row("a directory", "<directory>", 0, {}, "FILE is a directory, not a setup");
    row("100 MB", "<100 MB>", 0, {}, "FILE is 102400 kB, more than a setup's 256 kB");
    row("not there", "<missing>", 0, {}, "FILE is not there");
    // clang-format on
}

void TestCtlWire::setups()
{
    QFETCH(QByteArray, file);
    QFETCH(int, count);
    QFETCH(QStringList, among);
    QFETCH(QString, refused);
    QTemporaryDir dir;
    const QString path = dir.filePath("bench.txt");
    QFile setup(path);
    if (file == "<directory>")
        QVERIFY(QDir(dir.path()).mkdir("bench.txt"));
    else if (file == "<100 MB>")
        QVERIFY(setup.open(QIODevice::WriteOnly) && setup.resize(100 << 20));
    else if (file != "<missing>")
        QVERIFY(setup.open(QIODevice::WriteOnly) && setup.write(file) == file.size());
    setup.close();
    PtyPeer peer;
    const CtlRun run = runOn(peer, {"setup", "apply", path});
    const QStringList sent = messages(peer.takeAll());
    if (!refused.isEmpty()) {
        QCOMPARE(run.status, 1);
        QCOMPARE(run.err.section('\n', 0, 0), "camdeck-ctl: " + QString(refused).replace("FILE", path));
        QCOMPARE(sent, QStringList());
        return;
    }
    QCOMPARE(run.status, 0);
    QCOMPARE(sent.size(), 1 + count + 1);
    qsizetype at = 0;
    for (const QString &message : among) {
        while (at < sent.size() && !sent[at].startsWith(message))
            ++at;
        QVERIFY2(at < sent.size(), qPrintable(message + " not in its place in " + sent.join(", ")));
    }
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
// recall, measured where the peer read them.
void TestCtlWire::presetRecallIsPacedInRealTime()
{
    PtyPeer peer;
    QCOMPARE(runCtl({"-d", QString::fromStdString(peer.slavePath()), "preset", "1"}).status, 0);
    QCOMPARE(peer.take(2 + 16 * 11 + 1).size(), std::size_t(2 + 16 * 11 + 1));
    const std::vector<PtyPeer::Arrival> arrivals = peer.arrivals();
    // Between the greeting and the farewell, 0.1 s after the last frame; the
    // peer's thread may stamp a frame up to 5 ms late, never early.
    const std::string fault = pacingFault(pieceStarts(arrivals, 11, arrivals[1].at, arrivals.back().at), 16,
                                          std::chrono::milliseconds(100), std::chrono::milliseconds(5));
    QVERIFY2(fault.empty(), fault.c_str());
}

QTEST_GUILESS_MAIN(TestCtlWire)
#include "tst_ctlwire.moc"
