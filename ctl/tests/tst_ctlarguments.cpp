// What a script may get wrong and what it is told, the captured streams it
// decodes, and --list.
#include "ctlrun.h"

#include <QTemporaryFile>
#include <QTest>

using namespace camdeck;

class TestCtlArguments : public QObject {
    Q_OBJECT

private slots:
    void mistakesSendNothing_data();
    void mistakesSendNothing();
    void decode_data();
    void decode();
    void listNamesControlsInScriptUnits();
};

void TestCtlArguments::mistakesSendNothing_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("said");
    const auto row = [](const char *line, const char *said) { QTest::newRow(line) << line << said; };
    // The line is read whole before anything is sent.
    row("set alc on jog stop set colour-bra on", "no control 'colour-bra'; did you mean colour-bar?");
    row("helo", "no command 'helo'; did you mean hello?");
    row("ehlol", "no command 'ehlol'; did you mean hello?"); // two swaps are two edits
    row("exit", "no command 'exit'; did you mean text?"); // two edits from text, three from set
    row("alc-level 12", "no command 'alc-level'; to set the control: set alc-level VALUE");
    row("set blc on", "blc is a switch: switch blc on|off");
    row("switch bcl on", "no switch 'bcl'; did you mean blc?");
    row("switch blc", "switch wants a switch and on or off");
    row("set uv-ur -129", "uv-ur takes -128 to 127, not '-129' (--raw lets it through)");
    row("--raw set alc-level 5x", "alc-level takes 0 to 16, not '5x'");
    row("set gamma 0.5", "gamma takes 0 to 4 or one of 0.45, 0.55, 0.65, 0.75, 1.0, not '0.5'");
    row("set gamma 1", "gamma 1 is ambiguous: item 1 is 0.55, but 1 reads as 1.0 (item 4); write 1.0 or #1");
    row("--raw set colour-bar 2", "colour-bar takes on or off, not '2'");
    row("set alc", "set alc wants a value");
    row("preset 0", "preset takes 1 to 5, not '0'");
    row("preset 6", "preset takes 1 to 5, not '6'");
    row("mask star", "mask takes none|plus|open-cross|grid|square, not 'star'");
    row("jog up", "jog takes right|left|back|forward|stop, not 'up'");
    row("text ABCDEFGHIJKLMNOPQRSTUVWXY", "the on-screen text takes at most 24 characters, not 25");
    // Beyond 16 bits: two UTF-16 units, neither of them Latin-1, named as one character.
    row("text 5\U00010000", "the on-screen text takes Latin-1 characters only, not '\U00010000'");
    row("decode a b", "decode reads one input, not 'b' after 'a'");
    row("--jsno hello", "no option '--jsno'; did you mean --json?");
    row("hello ports", "ports runs alone, not with other commands");
    row("set alc on ports", "ports runs alone, not with other commands"); // a command word ends the pairs
}

void TestCtlArguments::mistakesSendNothing()
{
    QFETCH(QString, line);
    QFETCH(QString, said);
    PtyPeer peer;
    const CtlRun run = runOn(peer, line.split(' '));
    QCOMPARE(run.status, 1);
    QCOMPARE(run.err.section('\n', 0, 0), "camdeck-ctl: " + said);
    QVERIFY2(run.err.section('\n', 1, 1).startsWith("usage: camdeck-ctl [-v] [--json] [--raw] [--direct] [-d PATH] COMMAND"),
             qPrintable(run.err));
    QCOMPARE(run.out, QString());
    QVERIFY(peer.takeAll().empty()); // not even a greeting
}

void TestCtlArguments::decode_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("printed");
    QTest::addColumn<QString>("said"); // on standard error
    // A frame, the same frame with its CRC hit, a switch, a jog stop with a
    // wrong checksum, the greeting and the farewell.
    const QString decoded = "01 00 28 05 08 02 00 01 08 76 C0  8/2 colour bar and crosshair ← 0x08\n"
                            "bad CRC, ignored: 01 00 28 05 08 02 00 01 08 76 C1\n"
                            "80 86 01 01 00 00 F8 00  BLC on\n"
                            "bad checksum, ignored: 85 01 04 00 00 00 77 00\n"
                            "8E 12  greeting\n"
                            "80  farewell\n";
    const QString damaged = "camdeck-ctl: %1 holds bytes that are no sound message\n";
    const auto row
        = [](const char *name, const QStringList &options, const QByteArray &input, int status, const QString &printed,
             const QString &said) { QTest::newRow(name) << options << input << status << printed << said; };
    row("raw bytes: the damaged ones reported, the rest decoded", {},
        QByteArray::fromHex("01002805080200010876C0 01002805080200010876C1 808601010000F800 8501040000007700 8E12 80"),
        6, decoded, damaged);
    row("hex text: runs, 0x, commas, comments", {"--hex"},
        "# captured on the bench\n01 00 28 05 08 02 00 01 08 76 C0\n0100280508020001 0876C1\n"
        "0x80,0x86,0x01,0x01,0x00,0x00,0xF8,0x00\n85:01:04:00:00:00:77:00  # stop, checksum hit\n8E12 80\n",
        6, decoded, damaged);
    // As the traffic monitor saves it and -v prints it: a frame cut by a reply.
    row("a capture", {"--hex"},
        "09:41:07.250  sent  8E 12  greeting\n09:41:07.500  read  53 49 4D 31  reply, 4 bytes\n"
        "09:41:07.501  sent  01 00 28 05  \n09:41:07.502  read  00  reply, 1 byte\n"
        "09:41:07.503  sent  02 00 00 01 01 DC 61  2/0 exposure mode ← 0x01\n",
        0,
        "8E 12  greeting\n53 49 4D 31  reply, 4 bytes\n00  reply, 1 byte\n"
        "01 00 28 05 02 00 00 01 01 DC 61  2/0 exposure mode ← 0x01\n",
        "");
    row("a capture without --hex: it is text", {}, "09:41:07.250  sent  8E 12  greeting\n", 6,
        "skipped 36 bytes: 30 39 3A 34 31 3A 30 37 2E 32 35 30 20 20 73 65 6E 74 20 20 38 45 20 31 32 20 20 67 72 65 "
        "65 74 69 6E 67 0A\n",
        "camdeck-ctl: %1 holds bytes that are no sound message (it is text: --hex reads hex and captures)\n");
    row("as JSON", {"--json"}, QByteArray::fromHex("8E1201002805"), 6,
        "{\"command\":\"decode\",\"messages\":[{\"bytes\":\"8E 12\",\"message\":\"greeting\",\"ok\":true},"
        "{\"bytes\":\"01 00 28 05\",\"message\":\"truncated, ignored: 01 00 28 05\",\"ok\":false}]}\n",
        damaged);
    row("not hex: exit 1 after what came before", {"--hex"}, "8E 12\n01 0G\n", 1, "8E 12  greeting\n",
        "camdeck-ctl: %1, line 2: '0G' is not hex\n");
}

// From a file with the options after it, and the same through standard input
// with the options before.
void TestCtlArguments::decode()
{
    QFETCH(QStringList, options);
    QFETCH(QByteArray, input);
    QFETCH(int, status);
    QFETCH(QString, printed);
    QFETCH(QString, said);
    QTemporaryFile file;
    QVERIFY(file.open());
    file.write(input);
    file.close();
    for (const QStringList &line :
         {QStringList{"decode", file.fileName()} + options, options + QStringList{"decode", "-"}}) {
        const CtlRun run = runCtl(line, {}, input);
        QCOMPARE(run.status, status);
        QCOMPARE(run.out, printed);
        QCOMPARE(run.err, said.arg(line.contains("-") ? "standard input" : file.fileName()));
    }
}

void TestCtlArguments::listNamesControlsInScriptUnits()
{
    const CtlRun run = runCtl({"--list"});
    QCOMPARE(run.status, 0);
    for (const char *line : {"uv-ur                  -128..127  UV matrix UR: register 4/19, 0 to 255 (-128 to 127)\n",
                             "wide-aspect            on|off     Wide aspect: bit 2 of register 8/0\n",
                             "gamma                  0..4       Gamma: register 3/6, item index; by name "
                             "0.45|0.55|0.65|0.75|1.0\n",
                             "colour-bar             on|off     Colour bar: bit 3 of register 8/2\n",
                             "switch blc             on|off     Back-light compensation on or off: packet 80 86\n"})
        QVERIFY2(run.out.contains(QString::fromUtf8(line)), line);
}

QTEST_GUILESS_MAIN(TestCtlArguments)
#include "tst_ctlarguments.moc"
