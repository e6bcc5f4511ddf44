// What a script may write: control values in script units, the mistakes it
// makes and what it is told, the captured streams it decodes, and --list.
#include "ctlrun.h"
#include "fixture.h"
#include "ptypeer.h"
#include "values.h"

#include <QTemporaryFile>
#include <QTest>

using namespace camdeck;

class TestCtlArguments : public QObject {
    Q_OBJECT

private slots:
    void values_data();
    void values();
    void mistakesSendNothing_data();
    void mistakesSendNothing();
    void decode_data();
    void decode();
    void listNamesControlsInScriptUnits();
};

void TestCtlArguments::values_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("word");
    QTest::addColumn<bool>("raw");
    QTest::addColumn<int>("value"); // the panel's V
    QTest::addColumn<QString>("error");
    QTest::newRow("uv-ur -28 is slider 100") << "uv-ur"
                                             << "-28" << false << 100 << "";
    QTest::newRow("uv-ur 127 is slider 255") << "uv-ur"
                                             << "127" << false << 255 << "";
    QTest::newRow("uv-ur -129 is refused")
        << "uv-ur"
        << "-129" << false << 0 << "uv-ur takes -128 to 127, not '-129' (--raw lets it through)";
    QTest::newRow("uv-ur 200 under --raw") << "uv-ur"
                                           << "200" << true << 328 << "";
    QTest::newRow("alc-level 16 is its top") << "alc-level"
                                             << "16" << false << 16 << "";
    QTest::newRow("alc-level +5") << "alc-level"
                                  << "+5" << false << 5 << "";
    QTest::newRow("alc-level 17 is refused, not wrapped")
        << "alc-level"
        << "17" << false << 0 << "alc-level takes 0 to 16, not '17' (--raw lets it through)";
    QTest::newRow("alc-level 5x is no number") << "alc-level"
                                               << "5x" << true << 0 << "alc-level takes 0 to 16, not '5x'";
    QTest::newRow("crosshair-x 720 is its top") << "crosshair-x"
                                                << "720" << false << 720 << "";
    QTest::newRow("gamma by name 0.45") << "gamma"
                                        << "0.45" << false << 0 << "";
    QTest::newRow("gamma 1.0 is item 4") << "gamma"
                                         << "1.0" << false << 4 << "";
    QTest::newRow("gamma by index 4") << "gamma"
                                      << "4" << false << 4 << "";
    QTest::newRow("gamma 0.5 is no item")
        << "gamma"
        << "0.5" << false << 0 << "gamma takes 0 to 4 or one of 0.45, 0.55, 0.65, 0.75, 1.0, not '0.5'";
    QTest::newRow("xdr-mode MIDDLE in any case") << "xdr-mode"
                                                 << "MIDDLE" << false << 2 << "";
    QTest::newRow("sdv-mode by name") << "sdv-mode"
                                      << "mode 1" << false << 1 << "";
    QTest::newRow("a shutter speed by its label") << "fixed-shutter-speed"
                                                  << "1/1000s" << false << 9 << "";
    QTest::newRow("colour-bar on") << "colour-bar"
                                   << "on" << false << 1 << "";
    QTest::newRow("colour-bar False") << "colour-bar"
                                      << "False" << false << 0 << "";
    QTest::newRow("colour-bar 1") << "colour-bar"
                                  << "1" << false << 1 << "";
    QTest::newRow("colour-bar 2 is refused, --raw or not") << "colour-bar"
                                                           << "2" << true << 0 << "colour-bar takes on or off, not '2'";
}

void TestCtlArguments::values()
{
    QFETCH(QString, control);
    QFETCH(QString, word);
    QFETCH(bool, raw);
    QFETCH(int, value);
    QFETCH(QString, error);
    const ctl::ControlValue got
        = ctl::scriptValue(*protocol::findControl(control.toStdString()), word.toStdString(), raw);
    QCOMPARE(QString::fromStdString(got.error), error);
    if (error.isEmpty())
        QCOMPARE(got.value, value);
}

void TestCtlArguments::mistakesSendNothing_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("said");
    QTest::newRow("misspelt control") << QStringList{"set", "alc-levle", "12"}
                                      << "no control 'alc-levle'; did you mean alc-level?";
    QTest::newRow("misspelt after good commands: the line is read whole first")
        << QStringList{"set", "alc", "on", "jog", "stop", "set", "colour-bra", "on"}
        << "no control 'colour-bra'; did you mean colour-bar?";
    QTest::newRow("misspelt command") << QStringList{"helo"} << "no command 'helo'; did you mean hello?";
    QTest::newRow("a control without set")
        << QStringList{"alc-level", "12"} << "no command 'alc-level'; to set the control: set alc-level VALUE";
    QTest::newRow("a switch is not a control")
        << QStringList{"set", "blc", "on"} << "blc is a switch: switch blc on|off";
    QTest::newRow("misspelt switch") << QStringList{"switch", "bcl", "on"} << "no switch 'bcl'; did you mean blc?";
    QTest::newRow("out of range") << QStringList{"set", "uv-ur", "128"}
                                  << "uv-ur takes -128 to 127, not '128' (--raw lets it through)";
    QTest::newRow("set without its value") << QStringList{"set", "alc"} << "set alc wants a value";
    QTest::newRow("preset 6") << QStringList{"preset", "6"} << "preset takes 1 to 5, not '6'";
    QTest::newRow("mask star") << QStringList{"mask", "star"} << "mask takes none|plus|cross|grid|square, not 'star'";
    QTest::newRow("jog up") << QStringList{"jog", "up"} << "jog takes right|left|back|forward|stop, not 'up'";
    QTest::newRow("25 characters of text")
        << QStringList{"text", "ABCDEFGHIJKLMNOPQRSTUVWXY"} << "the on-screen text takes at most 24 characters, not 25";
    QTest::newRow("text beyond Latin-1") << QStringList{"text", "5 €"}
                                         << "the on-screen text takes Latin-1 characters only";
    QTest::newRow("misspelt option") << QStringList{"--jsno", "hello"} << "no option '--jsno'; did you mean --json?";
    QTest::newRow("ports with a device command")
        << QStringList{"hello", "ports"} << "ports runs alone, not with other commands";
}

void TestCtlArguments::mistakesSendNothing()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, said);
    PtyPeer peer;
    const CtlRun run = runCtl(QStringList{"-d", QString::fromStdString(peer.slavePath())} + arguments);
    QCOMPARE(run.status, 1);
    const QStringList lines = run.err.split('\n');
    QCOMPARE(lines.value(0), "camdeck-ctl: " + said);
    QVERIFY2(lines.value(1).startsWith("usage: camdeck-ctl [-v] [--json] [--raw] -d PATH COMMAND"),
             qPrintable(run.err));
    QCOMPARE(run.out, QString());
    QCOMPARE(hex(peer.takeAll()), QString()); // not even a greeting
}

void TestCtlArguments::decode_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("printed");
    // A frame, the same frame with its CRC hit, a switch, a jog stop with a
    // wrong checksum, the greeting and the farewell.
    const QByteArray captured = QByteArray::fromHex("0100280508020001 0876C0"
                                                    "0100280508020001 0876C1"
                                                    "8086010100 00F800"
                                                    "8501040000 007700"
                                                    "8E12 80");
    const QString decoded = "01 00 28 05 08 02 00 01 08 76 C0  8/2 colour bar and crosshair ← 0x08\n"
                            "bad CRC, ignored: 01 00 28 05 08 02 00 01 08 76 C1\n"
                            "80 86 01 01 00 00 F8 00  BLC on\n"
                            "bad checksum, ignored: 85 01 04 00 00 00 77 00\n"
                            "8E 12  greeting\n"
                            "80  farewell\n";
    QTest::newRow("raw bytes: the corrupted ones reported, the rest decoded")
        << QStringList{} << captured << 0 << decoded;
    QTest::newRow("hex text: runs, 0x, commas, comments")
        << QStringList{"--hex"}
        << QByteArray("# captured on the bench\n01 00 28 05 08 02 00 01 08 76 C0\n"
                      "0100280508020001 0876C1\n0x80,0x86,0x01,0x01,0x00,0x00,0xF8,0x00\n"
                      "85:01:04:00:00:00:77:00  # stop, checksum hit\n8E12 80\n")
        << 0 << decoded;
    QTest::newRow("cut off at the end") << QStringList{} << QByteArray::fromHex("01002805") << 0
                                        << "truncated, ignored: 01 00 28 05\n";
    QTest::newRow("as JSON") << QStringList{"--json"} << QByteArray::fromHex("8E1201002805") << 0
                             << "{\"command\":\"decode\",\"messages\":["
                                "{\"bytes\":\"8E 12\",\"message\":\"greeting\",\"ok\":true},"
                                "{\"bytes\":\"01 00 28 05\",\"message\":\"truncated, ignored: 01 "
                                "00 28 05\",\"ok\":false}]}\n";
    QTest::newRow("not hex: exit 1 after what came before")
        << QStringList{"--hex"} << QByteArray("8E 12\n01 0G\n") << 1 << "8E 12  greeting\n";
}

void TestCtlArguments::decode()
{
    QFETCH(QStringList, options);
    QFETCH(QByteArray, input);
    QFETCH(int, status);
    QFETCH(QString, printed);
    // From a file, and the same through standard input.
    QTemporaryFile file;
    QVERIFY(file.open());
    file.write(input);
    file.close();
    for (const QString &source : {file.fileName(), QString("-")}) {
        const CtlRun run = runCtl(options + QStringList{"decode", source}, {}, input);
        QCOMPARE(run.status, status);
        QCOMPARE(run.out, printed);
        if (status == 1)
            QVERIFY2(run.err.endsWith(", line 2: '0G' is not hex\n"), qPrintable(run.err));
    }
}

void TestCtlArguments::listNamesControlsInScriptUnits()
{
    const CtlRun run = runCtl({"--list"});
    QCOMPARE(run.status, 0);
    for (const char *line : {"uv-ur                  -128..127  UV matrix UR: register 4/19, 0 to 255 (-128 to 127)\n",
                             "gamma                  0..4       Gamma: register 3/6, item index; by name "
                             "0.45|0.55|0.65|0.75|1.0\n",
                             "colour-bar             on|off     Colour bar: bit 3 of register 8/2\n",
                             "switch blc             on|off     Back-light compensation on or off: packet 80 86\n"})
        QVERIFY2(run.out.contains(QString::fromUtf8(line)), line);
}

QTEST_GUILESS_MAIN(TestCtlArguments)
#include "tst_ctlarguments.moc"
