// The five presets through the real window on a pseudo-terminal: recall onto
// the controls and the camera, save, the files in a home directory of the
// test's own, and what happens when those files are odd, broken or unwritable.
#include "panelbench.h"
#include "testsupport.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QStatusBar>
#include <QTest>
#include <clocale>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace camdeck;
using namespace std::chrono_literals;

class TestPresets : public QObject {
    Q_OBJECT

private slots:
    void firstStartCreatesTheFiles();
    void recallSendsSixteenFrames_data();
    void recallSendsSixteenFrames();
    void recallOfADefaultSlotChangesNoFlag_data();
    void recallOfADefaultSlotChangesNoFlag();
    void recallAppliesThePartnerRules_data();
    void recallAppliesThePartnerRules();
    void beforeAnyPortThePresetsAreZero();
    void saveAndRecallSurviveARestart();
    void filesAsPeopleEditThem_data();
    void filesAsPeopleEditThem();
    void unreadableFileKeepsTheBuiltInValues_data();
    void unreadableFileKeepsTheBuiltInValues();
    void failedSaveIsReportedAndKeptInMemory();
    void unwritableHomeIsTriedOnce_data();
    void unwritableHomeIsTriedOnce();
    void homeIsAskedAfresh();
    void saveReplacesTheFileWhole();
    void recallIsPacedInRealTime();
    void danglingLinkIsCreatedThroughTheLink();
    void filesIgnoreTheUsersLocale();
    void diskFullDuringASaveKeepsTheOldFile();
};

namespace {

QList<int> valuesOf(const ExposureState &s)
{
    QList<int> values;
    for (const auto field : presetFields)
        values << s.*field;
    return values;
}

const QList<QList<int>> builtIn = {{1, 16, 1, 11, 0, 16, 0, 0, 1, 12, 0, 0, 1, 8, 0},
                                   {0, 15, 1, 10, 0, 16, 0, 0, 1, 11, 0, 0, 1, 8, 0},
                                   {1, 16, 1, 9, 0, 16, 1, 0, 1, 12, 0, 0, 1, 8, 1},
                                   {1, 16, 1, 8, 0, 16, 1, 0, 1, 12, 0, 0, 1, 8, 1},
                                   {1, 16, 1, 0, 0, 16, 1, 7, 1, 12, 0, 0, 1, 8, 1}};

const QByteArray preset1Text = "01\n16\n01\n11\n00\n16\n00\n00\n01\n12\n00\n00\n01\n08\n00\n";
const QByteArray preset5Text = "01\n16\n01\n00\n00\n16\n01\n07\n01\n12\n00\n00\n01\n08\n01\n";

const QStringList preset1Frames
    = {"2/0=01", "2/1=10", "2/0=01", "2/3=0B", "2/0=01",  "2/2=10",  "2/4=01", "2/8=00",
       "2/4=01", "2/5=0C", "2/4=01", "2/6=00", "2/10=88", "2/10=88", "2/4=01", "2/4=01"};
const QStringList preset2Frames
    = {"2/0=00", "2/1=0F", "2/0=00", "2/3=0A", "2/0=00",  "2/2=10",  "2/4=01", "2/8=00",
       "2/4=01", "2/5=0B", "2/4=01", "2/6=00", "2/10=88", "2/10=88", "2/4=01", "2/4=01"};
const QStringList preset5Frames
    = {"2/0=01", "2/1=10", "2/0=01", "2/3=00", "2/0=01",  "2/2=10",  "2/4=0D", "2/8=07",
       "2/4=0D", "2/5=0C", "2/4=0D", "2/6=00", "2/10=88", "2/10=88", "2/4=0D", "2/4=0D"};
const QStringList zeroFrames
    = {"2/0=00", "2/1=00", "2/0=02", "2/3=00", "2/0=02",  "2/2=00",  "2/4=00", "2/8=00",
       "2/4=00", "2/5=00", "2/4=00", "2/6=00", "2/10=00", "2/10=00", "2/4=00", "2/4=00"};
// AES on, manual gain on, gain priority: where the partner rules take fifteen zeros.
const QList<int> zeroRecalled = {0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0};

const QStringList flagBoxes
    = {"alcSelect",         "fixedshutterSelect", "aesSelect",
       "slowshutterSelect", "autogainSelect",     "manualSelect",
       "peakcontrolSelect", "priorityagcSelect",  "priorityslowshutterSelect"};
const QString zeroBoxes = "off off on off off on off on off";

void writeAllPresets(const PresetHome &home, const QByteArray &text)
{
    for (int preset = 1; preset <= 5; ++preset)
        home.write(preset, text);
}

bool isRoot()
{
    return ::geteuid() == 0;
}

} // namespace

void TestPresets::firstStartCreatesTheFiles()
{
    PresetHome home;
    PanelBench bench(PanelBench::Closed);
    LogCapture log;
    QStringList shown;
    QObject::connect(bench.window.statusBar(), &QStatusBar::messageChanged,
                     [&](const QString &message) { shown << message; });
    const QStringList opening = bench.open();

    // The greeting; a recall of its built-in values for each missing file; preset 1.
    QCOMPARE(opening.size(), 1 + 6 * 16);
    QCOMPARE(opening.mid(1, 16), preset1Frames);
    QCOMPARE(opening.mid(1 + 16, 16), preset2Frames);
    QCOMPARE(opening.mid(1 + 4 * 16, 16), preset5Frames);
    QCOMPARE(opening.mid(1 + 5 * 16), preset1Frames);

    QCOMPARE(home.read(1), preset1Text);
    QCOMPARE(home.read(5), preset5Text);
    QCOMPARE(home.read(2),
             QByteArray("00\n15\n01\n10\n00\n16\n00\n00\n01\n11\n00\n00\n01\n08\n00\n"));
    QCOMPARE(home.read(3),
             QByteArray("01\n16\n01\n09\n00\n16\n01\n00\n01\n12\n00\n00\n01\n08\n01\n"));
    QCOMPARE(home.read(4),
             QByteArray("01\n16\n01\n08\n00\n16\n01\n00\n01\n12\n00\n00\n01\n08\n01\n"));

    // The window says what it is doing meanwhile, and is done with it after.
    QVERIFY(shown.contains("Creating preset 3 from its built-in values — 7 of 16"));
    QVERIFY(shown.contains("Applying preset 1 — 16 of 16"));
    QCOMPARE(shown.last(), QString());
    QVERIFY(!QApplication::overrideCursor());
    QCOMPARE(valuesOf(bench.state()), builtIn[0]);

    const QStringList lines = log.linesOf("camdeck.presets");
    QCOMPARE(lines.mid(0, 6),
             (QStringList{"preset1.txt does NOT exist", "preset1.txt exists",
                          "Content of 'preset1.txt':\n" + preset1Text, "Content of '01':\n",
                          "Content of '\n1':\n", "Content of '6\n':\n"}));
    QCOMPARE(lines.indexOf("preset2.txt does NOT exist"), 2 + 1 + 15);
    QCOMPARE(lines.size(), 5 * 18);
}

void TestPresets::recallSendsSixteenFrames_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("altKey");
    QTest::addColumn<QStringList>("frames");
    QTest::newRow("preset 1") << "preset1Button" << 0 << preset1Frames;
    QTest::newRow("preset 2") << "preset2Button" << 0 << preset2Frames;
    QTest::newRow("preset 5") << "preset5Button" << 0 << preset5Frames;
    QTest::newRow("Alt+2") << "" << int(Qt::Key_2) << preset2Frames;
    QTest::newRow("Alt+5") << "" << int(Qt::Key_5) << preset5Frames;
}

// Only the exposure and gain registers: white balance and colour are left alone.
void TestPresets::recallSendsSixteenFrames()
{
    QFETCH(QString, button);
    QFETCH(int, altKey);
    QFETCH(QStringList, frames);
    PresetHome home;
    PanelBench bench;
    for (int round = 0; round < 2; ++round) {
        if (altKey) {
            // The shortcut works wherever the focus is, here in the text field.
            bench.window.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&bench.window));
            auto *field = bench.control<QLineEdit>("textstringSelect");
            field->setFocus();
            QTest::keyClick(field, Qt::Key(altKey), Qt::AltModifier);
        } else {
            bench.click(qPrintable(button));
        }
        // A shortcut clicks its button a moment later, as it shows the press.
        QStringList got;
        QTRY_VERIFY((got += bench.sent()).size() >= frames.size());
        QCOMPARE(got, frames);
    }
}

void TestPresets::recallOfADefaultSlotChangesNoFlag_data()
{
    QTest::addColumn<int>("preset");
    QTest::addColumn<QString>("boxes");
    QTest::newRow("preset 1") << 1 << "on on off off on off on on off";
    QTest::newRow("preset 2") << 2 << "off on off off on off on on off";
    QTest::newRow("preset 3") << 3 << "on on off on on off on off on";
    QTest::newRow("preset 4") << 4 << "on on off on on off on off on";
    QTest::newRow("preset 5") << 5 << "on on off on on off on off on";
}

void TestPresets::recallOfADefaultSlotChangesNoFlag()
{
    QFETCH(int, preset);
    QFETCH(QString, boxes);
    PresetHome home;
    PanelBench bench;
    bench.click("aesSelect"); // something else first
    bench.click(qPrintable(QString("preset%1Button").arg(preset)));
    const QList<int> row = builtIn[preset - 1];
    QCOMPARE(valuesOf(bench.state()), row);
    QCOMPARE(bench.boxes(flagBoxes), boxes);
    QCOMPARE(bench.control<QSlider>("fixedshuttersliderSelect")->value(), row[3]);
    QCOMPARE(bench.control<QSlider>("autogainsliderSelect")->value(), row[9]);
    QCOMPARE(bench.control<QLabel>("autogainslidervalue")->text(), QString("%1dB").arg(2 * row[9]));
}

void TestPresets::recallAppliesThePartnerRules_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QList<int>>("recalled");
    QTest::addColumn<QString>("boxes");
    QTest::addColumn<QStringList>("frames");

    QTest::newRow("all zero") << QByteArray(
        "00\n00\n00\n00\n00\n00\n00\n00\n00\n00\n00\n00\n00\n00\n00\n")
                              << zeroRecalled << zeroBoxes << zeroFrames;
    // ALC switches the fixed shutter on before the fixed-shutter step reads its flag.
    QTest::newRow("ALC on, fixed shutter off")
        << QByteArray("01\n16\n00\n11\n00\n16\n00\n00\n01\n12\n00\n00\n01\n08\n00\n") << builtIn[0]
        << "on on off off on off on on off" << preset1Frames;
    QTest::newRow("both gains off")
        << QByteArray("01\n16\n01\n11\n00\n16\n00\n00\n00\n12\n00\n00\n01\n08\n00\n")
        << QList<int>{1, 16, 1, 11, 0, 16, 0, 0, 0, 12, 1, 0, 1, 8, 0}
        << "on on off off off on on on off" << QStringList();
    QTest::newRow("both gains on")
        << QByteArray("01\n16\n01\n11\n00\n16\n00\n00\n01\n12\n01\n00\n01\n08\n00\n") << builtIn[0]
        << "on on off off on off on on off" << QStringList();
    // Edited flags: one bit each in the camera's registers, the number kept as it was.
    QTest::newRow("slow-shutter flag 03")
        << QByteArray("01\n16\n01\n11\n00\n16\n03\n00\n01\n12\n00\n00\n01\n08\n00\n")
        << QList<int>{1, 16, 1, 11, 0, 16, 3, 0, 1, 12, 0, 0, 1, 8, 0}
        << "on on off on on off on on off"
        << QStringList{"2/0=01",  "2/1=10",  "2/0=01", "2/3=0B", "2/0=01", "2/2=10",
                       "2/4=05",  "2/8=00",  "2/4=05", "2/5=0C", "2/4=05", "2/6=00",
                       "2/10=88", "2/10=88", "2/4=05", "2/4=05"};
    QTest::newRow("slow-shutter flag -1")
        << QByteArray("01\n16\n01\n11\n00\n16\n-1\n00\n01\n12\n00\n00\n01\n08\n00\n")
        << QList<int>{1, 16, 1, 11, 0, 16, -1, 0, 1, 12, 0, 0, 1, 8, 0}
        << "on on off on on off on on off" << QStringList();
    QTest::newRow("negative level: the slider stops at 0")
        << QByteArray("01\n-5\n01\n11\n00\n16\n00\n00\n01\n12\n00\n00\n01\n08\n00\n")
        << QList<int>{1, 0, 1, 11, 0, 16, 0, 0, 1, 12, 0, 0, 1, 8, 0}
        << "on on off off on off on on off" << QStringList();
}

// A slot as an edited file can leave it; a save afterwards stores what was applied.
void TestPresets::recallAppliesThePartnerRules()
{
    QFETCH(QByteArray, file);
    QFETCH(QList<int>, recalled);
    QFETCH(QString, boxes);
    QFETCH(QStringList, frames);

    PresetHome home;
    PanelBench bench(PanelBench::Closed);
    writeAllPresets(home, preset1Text);
    home.write(2, file);
    bench.open();
    bench.click("preset2Button");
    const QStringList sent = bench.sent();
    QCOMPARE(sent.size(), 16);
    if (!frames.isEmpty())
        QCOMPARE(sent, frames);
    QCOMPARE(valuesOf(bench.state()), recalled);
    QCOMPARE(bench.boxes(flagBoxes), boxes);

    QCOMPARE(home.read(2), file); // loading leaves the file alone
    bench.click("save2Button");
    bench.click("preset1Button");
    bench.click("preset2Button");
    QCOMPARE(valuesOf(bench.state()), recalled);
    QCOMPARE(bench.sent().size(), 32);
}

void TestPresets::beforeAnyPortThePresetsAreZero()
{
    PresetHome home;
    PanelBench bench(PanelBench::Closed);
    bench.click("preset3Button");
    QCOMPARE(valuesOf(bench.state()), zeroRecalled);
    QCOMPARE(bench.boxes(flagBoxes), zeroBoxes);
    QCOMPARE(bench.sent(), QStringList());
}

void TestPresets::saveAndRecallSurviveARestart()
{
    PresetHome home;
    auto bench = std::make_unique<PanelBench>();
    bench->click("aesSelect");
    bench->drag("aessliderSelect", 5);
    bench->click("slowshutterSelect");
    bench->drag("slowshuttersliderSelect", 3);
    bench->click("manualSelect");
    bench->drag("manualsliderSelect", 7);
    bench->click("peakcontrolSelect");
    bench->click("priorityslowshutterSelect");
    const QList<int> saved = {0, 16, 0, 11, 1, 5, 1, 3, 0, 12, 1, 7, 0, 8, 1};
    QCOMPARE(valuesOf(bench->state()), saved);
    const QString savedBoxes = bench->boxes(flagBoxes);
    bench->sent();

    bench->click("save3Button");
    QCOMPARE(bench->sent(), QStringList()); // a save sends nothing
    const QByteArray savedText = "00\n16\n00\n11\n01\n05\n01\n03\n00\n12\n01\n07\n00\n08\n01\n";
    QCOMPARE(home.read(3), savedText);
    bench->click("save3Button");
    QCOMPARE(home.read(3), savedText);

    bench->click("preset1Button");
    QCOMPARE(valuesOf(bench->state()), builtIn[0]);
    bench->click("preset3Button");
    QCOMPARE(valuesOf(bench->state()), saved);
    QCOMPARE(bench->boxes(flagBoxes), savedBoxes);
    QCOMPARE(bench->control<QLabel>("slowshutterslidervalue")->text(), QString("1/2s"));

    bench->window.close(); // a restart on the same home
    bench = std::make_unique<PanelBench>();
    QCOMPARE(valuesOf(bench->state()), builtIn[0]);
    bench->click("preset3Button");
    QCOMPARE(valuesOf(bench->state()), saved);
    QCOMPARE(bench->boxes(flagBoxes), savedBoxes);
    QCOMPARE(home.read(3), savedText);
}

void TestPresets::filesAsPeopleEditThem_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QList<int>>("recalled");

    QTest::newRow("other separators")
        << QByteArray("01 16 01;11,00\t16 00 00 01 12 00 00 01 08 00 ") << builtIn[0];
    QTest::newRow("extra lines") << preset1Text + "77\n88\nnotes\n" << builtIn[0];
    QTest::newRow("two-character line shifts the rest")
        << QByteArray("1\n16\n01\n11\n00\n16\n00\n00\n01\n12\n00\n00\n01\n08\n00\n")
        << QList<int>{1, 6, 1, 1, 0, 6, 0, 0, 1, 2, 0, 0, 1, 8, 0};
    QTest::newRow("empty") << QByteArray() << zeroRecalled;
    QTest::newRow("short") << QByteArray("01\n16\n01")
                           << QList<int>{1, 16, 1, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0};
}

void TestPresets::filesAsPeopleEditThem()
{
    QFETCH(QByteArray, file);
    QFETCH(QList<int>, recalled);

    PresetHome home;
    PanelBench bench(PanelBench::Closed);
    writeAllPresets(home, preset1Text);
    home.write(4, file);
    bench.open();
    bench.click("preset4Button");
    QCOMPARE(valuesOf(bench.state()), recalled);
    QCOMPARE(home.read(4), file);
}

void TestPresets::unreadableFileKeepsTheBuiltInValues_data()
{
    QTest::addColumn<QString>("what");
    QTest::newRow("directory in its place") << "directory";
    QTest::newRow("pipe in its place") << "pipe";
    QTest::newRow("no permission") << "no permission";
}

// Fifteen zeros would reach the camera at the next recall: the built-in values
// are used instead, and the file is left for its owner to look at.
void TestPresets::unreadableFileKeepsTheBuiltInValues()
{
    QFETCH(QString, what);
    PresetHome home;
    PanelBench bench(PanelBench::Closed);
    writeAllPresets(home, preset1Text);
    const QString path = home.presetPath(2);
    QFile::remove(path);
    if (what == "directory") {
        QVERIFY(QDir().mkdir(path));
    } else if (what == "pipe") {
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0644), 0);
    } else {
        if (isRoot())
            QSKIP("root reads files whatever their permissions");
        home.write(2, preset1Text);
        QVERIFY(QFile::setPermissions(path, {}));
    }

    LogCapture log;
    QCOMPARE(bench.open(), QStringList{"8E 12"} + preset1Frames); // no file is missing
    const QStringList warnings = log.linesOf("camdeck.presets").filter("Cannot read preset2.txt");
    QCOMPARE(warnings.size(), 1);
    bench.click("preset2Button");
    QCOMPARE(valuesOf(bench.state()), builtIn[1]);
    QCOMPARE(bench.sent(), preset2Frames);
    QVERIFY(QFileInfo(path).exists() && !QFileInfo(path).isFile() == (what != "no permission"));
}

void TestPresets::failedSaveIsReportedAndKeptInMemory()
{
    PresetHome home;
    PanelBench bench;
    QVERIFY(QFile::remove(home.presetPath(4)));
    QVERIFY(QDir().mkdir(home.presetPath(4)));
    bench.click("aesSelect");
    const QList<int> saved = valuesOf(bench.state());

    LogCapture log;
    bench.click("save4Button");
    QCOMPARE(log.linesOf("camdeck.presets").filter("Cannot save preset4.txt").size(), 1);
    bench.click("preset1Button");
    bench.click("preset4Button");
    QCOMPARE(valuesOf(bench.state()), saved);
    QVERIFY(QFileInfo(home.presetPath(4)).isDir());
}

void TestPresets::unwritableHomeIsTriedOnce_data()
{
    QTest::addColumn<QString>("what");
    QTest::newRow("home does not exist") << "missing";
    QTest::newRow("home is a file") << "file";
    QTest::newRow("HOME not set") << "unset";
    QTest::newRow("home not writable") << "read-only";
}

// Each file is tried once; the slots keep their built-in values and opening finishes.
void TestPresets::unwritableHomeIsTriedOnce()
{
    QFETCH(QString, what);
    PresetHome home;
    PanelBench bench(PanelBench::Closed);
    const QString elsewhere = home.path() + "/elsewhere";
    const bool rootHadPresets = QFile::exists("/preset1.txt");
    if (what == "missing") {
        qputenv("HOME", elsewhere.toLocal8Bit());
    } else if (what == "file") {
        QFile file(elsewhere);
        QVERIFY(file.open(QIODevice::WriteOnly));
        qputenv("HOME", elsewhere.toLocal8Bit());
    } else if (what == "unset") {
        qunsetenv("HOME");
    } else {
        if (isRoot())
            QSKIP("root writes into read-only directories");
        QVERIFY(QDir().mkdir(elsewhere));
        QVERIFY(QFile::setPermissions(elsewhere, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        qputenv("HOME", elsewhere.toLocal8Bit());
    }

    LogCapture log;
    QCOMPARE(bench.open().size(), 1 + 6 * 16);
    const QStringList lines = log.linesOf("camdeck.presets");
    QCOMPARE(lines.filter("does NOT exist").size(), 2 * 5);
    QCOMPARE(lines.filter("Cannot save").size(), 5);
    QCOMPARE(lines.filter("could not be created").size(), 5);
    QCOMPARE(QDir(home.path()).entryList({"preset*"}), QStringList());
    QCOMPARE(QDir(elsewhere).entryList({"preset*"}), QStringList());
    if (!rootHadPresets && QFile::exists("/preset1.txt")) {
        for (int preset = 1; preset <= 5; ++preset) // what Qt's guess of a home left
            QFile::remove(QString("/preset%1.txt").arg(preset));
        QFAIL("presets were written to the root directory");
    }

    bench.click("preset5Button");
    QCOMPARE(valuesOf(bench.state()), builtIn[4]);
    QCOMPARE(bench.sent(), preset5Frames);
}

void TestPresets::homeIsAskedAfresh()
{
    PresetHome home;
    PanelBench bench;
    QTemporaryDir otherHome;
    qputenv("HOME", otherHome.path().toLocal8Bit());
    bench.click("aesSelect");
    bench.click("save1Button");
    QCOMPARE(home.read(1), preset1Text);
    QFile moved(otherHome.filePath("preset1.txt"));
    QVERIFY(moved.open(QIODevice::ReadOnly));
    QCOMPARE(moved.readAll(),
             QByteArray("00\n16\n00\n11\n01\n16\n00\n00\n01\n12\n00\n00\n01\n08\n00\n"));
}

// Through a temporary file and a rename: never a half-written preset, no
// leftovers, and a preset kept elsewhere through a link stays there.
void TestPresets::saveReplacesTheFileWhole()
{
    PresetHome home;
    PanelBench bench;
    struct stat before { };
    QCOMPARE(::stat(QFile::encodeName(home.presetPath(1)).constData(), &before), 0);
    QTemporaryDir kept;
    const QString target = kept.filePath("studio-preset2.txt");
    QVERIFY(QFile::rename(home.presetPath(2), target));
    QVERIFY(QFile::link(target, home.presetPath(2)));

    bench.click("aesSelect");
    bench.click("save1Button");
    bench.click("save2Button");

    struct stat after { };
    QCOMPARE(::stat(QFile::encodeName(home.presetPath(1)).constData(), &after), 0);
    QVERIFY(after.st_ino != before.st_ino);
    const QByteArray savedText = "00\n16\n00\n11\n01\n16\n00\n00\n01\n12\n00\n00\n01\n08\n00\n";
    QCOMPARE(home.read(1), savedText);
    QVERIFY(QFileInfo(home.presetPath(2)).isSymLink());
    QFile linked(target);
    QVERIFY(linked.open(QIODevice::ReadOnly));
    QCOMPARE(linked.readAll(), savedText);
    QCOMPARE(
        QDir(home.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden),
        (QStringList{"preset1.txt", "preset2.txt", "preset3.txt", "preset4.txt", "preset5.txt"}));
}

// The camera takes no frame within 0.1 s of the one before: sixteen frames,
// sixteen pauses.
void TestPresets::recallIsPacedInRealTime()
{
    PresetHome home;
    PanelBench bench;
    const TimedClick timed
        = clickInRealTime(bench, bench.control<QPushButton>("preset1Button"), 11, 16);
    const QString fault = pacingFault(timed, 16, framePause);
    QVERIFY2(fault.isEmpty(), qPrintable(fault));
}

QTEST_MAIN(TestPresets)
#include "tst_presets.moc"

// A preset kept elsewhere through a link whose file is gone: the file is made
// again where the link points, and the link stays a link.
void TestPresets::danglingLinkIsCreatedThroughTheLink()
{
    PresetHome home;
    QDir(home.path()).mkdir("kept");
    const QString target = home.path() + "/kept/p2.txt";
    QFile::remove(home.presetPath(2));
    QVERIFY(QFile::link(target, home.presetPath(2)));
    PanelBench bench;
    QVERIFY(QFileInfo(home.presetPath(2)).isSymLink());
    QFile made(target);
    QVERIFY(made.open(QIODevice::ReadOnly));
    QCOMPARE(made.readAll(),
             QByteArray("00\n15\n01\n10\n00\n16\n00\n00\n01\n11\n00\n00\n01\n08\n00\n"));
}

// Files are plain ASCII digits whatever the user's locale writes numbers with.
void TestPresets::filesIgnoreTheUsersLocale()
{
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::Arabic, QLocale::Egypt));
    std::setlocale(LC_ALL, "de_DE.UTF-8"); // where installed; C otherwise
    PresetHome home;
    home.write(1, preset1Text);
    {
        PanelBench bench;
        bench.click("save1Button");
    }
    QCOMPARE(home.read(1), preset1Text);
    PanelBench again;
    QCOMPARE(valuesOf(again.state()), builtIn[0]);
    std::setlocale(LC_ALL, "C");
    QLocale::setDefault(before);
}

// The disk fills up in the middle of a save: the kernel's file-size limit makes
// the write fail part-way, as a full disk does. The old preset stays whole.
void TestPresets::diskFullDuringASaveKeepsTheOldFile()
{
    PresetHome home;
    home.write(3, preset1Text);
    PanelBench bench;
    bench.click("aesSelect");

    std::signal(SIGXFSZ, SIG_IGN);
    rlimit before{};
    getrlimit(RLIMIT_FSIZE, &before);
    rlimit full = before;
    full.rlim_cur = 20; // bytes: the save gets that far and no further
    setrlimit(RLIMIT_FSIZE, &full);
    LogCapture log;
    bench.click("save3Button");
    setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, SIG_DFL);

    QCOMPARE(home.read(3), preset1Text);
    QCOMPARE(log.linesOf("camdeck.presets").filter("Cannot save preset3.txt").size(), 1);
    QCOMPARE(QDir(home.path()).entryList(QDir::Files | QDir::Hidden).filter("preset3").size(), 1);
}
