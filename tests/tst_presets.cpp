// The five presets through the real window on a pseudo-terminal: recall onto
// the controls and the camera, save, the files in a home of the test's own,
// and files that are odd, broken or cannot be written.
#include "fixture.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QStatusBar>

#include <clocale>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace camdeck;
using Values = QList<int>;

namespace {

Values valuesOf(const ExposureState &s)
{
    Values values;
    for (const auto field : presetFields)
        values << s.*field;
    return values;
}

const QList<Values> builtIn = {{1, 16, 1, 11, 0, 16, 0, 0, 1, 12, 0, 0, 1, 8, 0},
                               {0, 15, 1, 10, 0, 16, 0, 0, 1, 11, 0, 0, 1, 8, 0},
                               {1, 16, 1, 9, 0, 16, 1, 0, 1, 12, 0, 0, 1, 8, 1},
                               {1, 16, 1, 8, 0, 16, 1, 0, 1, 12, 0, 0, 1, 8, 1},
                               {1, 16, 1, 0, 0, 16, 1, 7, 1, 12, 0, 0, 1, 8, 1}};
const QList<QByteArray> builtInTexts = {"01\n16\n01\n11\n00\n16\n00\n00\n01\n12\n00\n00\n01\n08\n00\n",
                                        "00\n15\n01\n10\n00\n16\n00\n00\n01\n11\n00\n00\n01\n08\n00\n",
                                        "01\n16\n01\n09\n00\n16\n01\n00\n01\n12\n00\n00\n01\n08\n01\n",
                                        "01\n16\n01\n08\n00\n16\n01\n00\n01\n12\n00\n00\n01\n08\n01\n",
                                        "01\n16\n01\n00\n00\n16\n01\n07\n01\n12\n00\n00\n01\n08\n01\n"};
// AES on, manual gain on, gain priority: where the partner rules take fifteen zeros.
const Values zeroRecalled = {0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0};

// clang-format off
const QStringList preset1Frames{
    "01 00 28 05 02 00 00 01 01 DC 61", "01 00 28 05 02 01 00 01 10 FC 52", "01 00 28 05 02 00 00 01 01 DC 61", "01 00 28 05 02 03 00 01 0B 85 34",
    "01 00 28 05 02 00 00 01 01 DC 61", "01 00 28 05 02 02 00 01 10 AF 07", "01 00 28 05 02 04 00 01 01 18 AD", "01 00 28 05 02 08 00 01 00 74 E8",
    "01 00 28 05 02 04 00 01 01 18 AD", "01 00 28 05 02 05 00 01 0C 24 9E", "01 00 28 05 02 04 00 01 01 18 AD", "01 00 28 05 02 06 00 01 00 7B CB",
    "01 00 28 05 02 0A 00 01 88 9E 8E", "01 00 28 05 02 0A 00 01 88 9E 8E", "01 00 28 05 02 04 00 01 01 18 AD", "01 00 28 05 02 04 00 01 01 18 AD"};
const QStringList preset2Frames{
    "01 00 28 05 02 00 00 01 00 DD 61", "01 00 28 05 02 01 00 01 0F E3 52", "01 00 28 05 02 00 00 01 00 DD 61", "01 00 28 05 02 03 00 01 0A 84 34",
    "01 00 28 05 02 00 00 01 00 DD 61", "01 00 28 05 02 02 00 01 10 AF 07", "01 00 28 05 02 04 00 01 01 18 AD", "01 00 28 05 02 08 00 01 00 74 E8",
    "01 00 28 05 02 04 00 01 01 18 AD", "01 00 28 05 02 05 00 01 0B 23 9E", "01 00 28 05 02 04 00 01 01 18 AD", "01 00 28 05 02 06 00 01 00 7B CB",
    "01 00 28 05 02 0A 00 01 88 9E 8E", "01 00 28 05 02 0A 00 01 88 9E 8E", "01 00 28 05 02 04 00 01 01 18 AD", "01 00 28 05 02 04 00 01 01 18 AD"};
const QStringList preset5Frames{
    "01 00 28 05 02 00 00 01 01 DC 61", "01 00 28 05 02 01 00 01 10 FC 52", "01 00 28 05 02 00 00 01 01 DC 61", "01 00 28 05 02 03 00 01 00 8E 34",
    "01 00 28 05 02 00 00 01 01 DC 61", "01 00 28 05 02 02 00 01 10 AF 07", "01 00 28 05 02 04 00 01 0D 14 AD", "01 00 28 05 02 08 00 01 07 73 E8",
    "01 00 28 05 02 04 00 01 0D 14 AD", "01 00 28 05 02 05 00 01 0C 24 9E", "01 00 28 05 02 04 00 01 0D 14 AD", "01 00 28 05 02 06 00 01 00 7B CB",
    "01 00 28 05 02 0A 00 01 88 9E 8E", "01 00 28 05 02 0A 00 01 88 9E 8E", "01 00 28 05 02 04 00 01 0D 14 AD", "01 00 28 05 02 04 00 01 0D 14 AD"};
const QStringList zeroFrames{
    "01 00 28 05 02 00 00 01 00 DD 61", "01 00 28 05 02 01 00 01 00 EC 52", "01 00 28 05 02 00 00 01 02 DF 61", "01 00 28 05 02 03 00 01 00 8E 34",
    "01 00 28 05 02 00 00 01 02 DF 61", "01 00 28 05 02 02 00 01 00 BF 07", "01 00 28 05 02 04 00 01 00 19 AD", "01 00 28 05 02 08 00 01 00 74 E8",
    "01 00 28 05 02 04 00 01 00 19 AD", "01 00 28 05 02 05 00 01 00 28 9E", "01 00 28 05 02 04 00 01 00 19 AD", "01 00 28 05 02 06 00 01 00 7B CB",
    "01 00 28 05 02 0A 00 01 00 16 8E", "01 00 28 05 02 0A 00 01 00 16 8E", "01 00 28 05 02 04 00 01 00 19 AD", "01 00 28 05 02 04 00 01 00 19 AD"};
const QStringList flag03Frames{
    "01 00 28 05 02 00 00 01 01 DC 61", "01 00 28 05 02 01 00 01 10 FC 52", "01 00 28 05 02 00 00 01 01 DC 61", "01 00 28 05 02 03 00 01 0B 85 34",
    "01 00 28 05 02 00 00 01 01 DC 61", "01 00 28 05 02 02 00 01 10 AF 07", "01 00 28 05 02 04 00 01 05 1C AD", "01 00 28 05 02 08 00 01 00 74 E8",
    "01 00 28 05 02 04 00 01 05 1C AD", "01 00 28 05 02 05 00 01 0C 24 9E", "01 00 28 05 02 04 00 01 05 1C AD", "01 00 28 05 02 06 00 01 00 7B CB",
    "01 00 28 05 02 0A 00 01 88 9E 8E", "01 00 28 05 02 0A 00 01 88 9E 8E", "01 00 28 05 02 04 00 01 05 1C AD", "01 00 28 05 02 04 00 01 05 1C AD"};
// clang-format on

// ALC, fixed shutter, AES, slow shutter, automatic, manual, peak control and the priority pair.
QString flagBoxes(Panel &panel)
{
    QStringList on;
    for (const char *box : {"alcSelect", "fixedshutterSelect", "aesSelect", "slowshutterSelect", "autogainSelect",
                            "manualSelect", "peakcontrolSelect", "priorityagcSelect", "priorityslowshutterSelect"})
        on << (panel.control<QCheckBox>(box)->isChecked() ? "on" : "off");
    return on.join(' ');
}

void writeAll(const Home &home, const QByteArray &text)
{
    for (int preset = 1; preset <= 5; ++preset)
        home.write(preset, text);
}

} // namespace

class TestPresets : public QObject {
    Q_OBJECT

private slots:
    void firstStartCreatesTheFiles();
    void recall_data();
    void recall();
    void saveAndRecallSurviveARestart();
    void filesThatFail_data();
    void filesThatFail();
    void savesKeepFilesWhole();
    void recallIsPacedInRealTime();
};

void TestPresets::firstStartCreatesTheFiles()
{
    Panel panel(Panel::Closed);
    LogCapture log;
    QStringList shown;
    connect(panel.window.statusBar(), &QStatusBar::messageChanged, [&](const QString &message) { shown << message; });
    const QStringList opening = panel.open();

    // The greeting; a recall of its built-in values for each missing file; preset 1.
    QCOMPARE(opening.size(), 1 + 6 * 16);
    QCOMPARE(opening.mid(1, 16), preset1Frames);
    QCOMPARE(opening.mid(1 + 16, 16), preset2Frames);
    QCOMPARE(opening.mid(1 + 4 * 16, 16), preset5Frames);
    QCOMPARE(opening.mid(1 + 5 * 16), preset1Frames);
    for (int preset = 1; preset <= 5; ++preset)
        QCOMPARE(panel.home.read(preset), builtInTexts[preset - 1]);
    QCOMPARE(valuesOf(panel.state()), builtIn[0]);

    // The window says what it is doing meanwhile, and is done with it after.
    QVERIFY(shown.contains("Creating preset 3 from its built-in values — 7 of 16"));
    QVERIFY(shown.contains("Applying preset 1 — 16 of 16"));
    QCOMPARE(shown.last(), QString());

    const QStringList lines = log.linesOf("camdeck.presets");
    QCOMPARE(lines.mid(0, 6),
             (QStringList{"preset1.txt does NOT exist", "preset1.txt exists",
                          "Content of 'preset1.txt':\n" + builtInTexts[0], "Content of '01':\n", "Content of '\n1':\n",
                          "Content of '6\n':\n"}));
    QCOMPARE(lines.indexOf("preset2.txt does NOT exist"), 2 + 1 + 15);
    QCOMPARE(lines.size(), 5 * 18);
}

void TestPresets::recall_data()
{
    QTest::addColumn<QByteArray>("file"); // preset 2's, or none: the built-in values
    QTest::addColumn<QString>("trigger");
    QTest::addColumn<QStringList>("frames"); // all sixteen, or none to skip the check
    QTest::addColumn<Values>("recalled");
    QTest::addColumn<QString>("boxes");
    const auto row = [](const char *name, const QByteArray &file, const char *trigger, const QStringList &frames,
                        const Values &recalled, const QString &boxes) {
        QTest::newRow(name) << file << trigger << frames << recalled << boxes;
    };
    const QString preset1Boxes = "on on off off on off on on off";
    const QString slowBoxes = "on on off on on off on off on";
    // clang-format off
    row("preset 1", {}, "preset1Button", preset1Frames, builtIn[0], preset1Boxes);
    row("preset 2", {}, "preset2Button", preset2Frames, builtIn[1], "off on off off on off on on off");
    row("preset 5", {}, "preset5Button", preset5Frames, builtIn[4], slowBoxes);
    row("Alt+5 from the text field", {}, "Alt+5", preset5Frames, builtIn[4], slowBoxes);
    row("preset 3 and 4 differ only in their speeds", {}, "preset4Button", {}, builtIn[3], slowBoxes);
    // As an edited file can leave a slot: the partner rules put it right.
    row("all zero", "00\n00\n00\n00\n00\n00\n00\n00\n00\n00\n00\n00\n00\n00\n00\n", "preset2Button", zeroFrames, zeroRecalled, "off off on off off on off on off");
    row("ALC on, fixed shutter off", "01\n16\n00\n11\n00\n16\n00\n00\n01\n12\n00\n00\n01\n08\n00\n", "preset2Button", preset1Frames, builtIn[0], preset1Boxes);
    row("both gains off", "01\n16\n01\n11\n00\n16\n00\n00\n00\n12\n00\n00\n01\n08\n00\n", "preset2Button", {}, {1, 16, 1, 11, 0, 16, 0, 0, 0, 12, 1, 0, 1, 8, 0}, "on on off off off on on on off");
    row("both gains on", "01\n16\n01\n11\n00\n16\n00\n00\n01\n12\n01\n00\n01\n08\n00\n", "preset2Button", {}, builtIn[0], preset1Boxes);
    // An edited flag is one bit in the camera's registers; the number is kept.
    row("slow-shutter flag 03", "01\n16\n01\n11\n00\n16\n03\n00\n01\n12\n00\n00\n01\n08\n00\n", "preset2Button", flag03Frames, {1, 16, 1, 11, 0, 16, 3, 0, 1, 12, 0, 0, 1, 8, 0}, "on on off on on off on on off");
    row("slow-shutter flag -1", "01\n16\n01\n11\n00\n16\n-1\n00\n01\n12\n00\n00\n01\n08\n00\n", "preset2Button", flag03Frames, {1, 16, 1, 11, 0, 16, -1, 0, 1, 12, 0, 0, 1, 8, 0}, "on on off on on off on on off");
    row("negative level: the slider stops at 0", "01\n-5\n01\n11\n00\n16\n00\n00\n01\n12\n00\n00\n01\n08\n00\n", "preset2Button", {}, {1, 0, 1, 11, 0, 16, 0, 0, 1, 12, 0, 0, 1, 8, 0}, preset1Boxes);
    // clang-format on
}

void TestPresets::recall()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, trigger);
    QFETCH(QStringList, frames);
    QFETCH(Values, recalled);
    QFETCH(QString, boxes);
    Panel panel(Panel::Closed);
    if (!file.isNull()) {
        writeAll(panel.home, builtInTexts[0]);
        panel.home.write(2, file);
    }
    panel.open();
    panel.act("aesSelect"); // something else first
    panel.sent();
    for (int round = 0; round < 2; ++round) { // the same sixteen every time
        if (trigger.startsWith("Alt+")) {
            const int preset = trigger.back().digitValue();
            QSignalSpy pressed(panel.control<QPushButton>(QString("preset%1Button").arg(preset)),
                               &QPushButton::clicked);
            auto *field = panel.control<QLineEdit>("textstringSelect");
            field->setFocus(); // a shortcut works wherever the focus is
            QTest::keyClick(field, Qt::Key(Qt::Key_0 + preset), Qt::AltModifier);
            QTRY_COMPARE(pressed.count(), 1); // a moment later, as it shows the press
        } else {
            panel.act(trigger);
        }
        const QStringList sent = panel.sent();
        QCOMPARE(sent.size(), 16);
        if (!frames.isEmpty())
            QCOMPARE(sent, frames);
    }
    QCOMPARE(valuesOf(panel.state()), recalled);
    QCOMPARE(flagBoxes(panel), boxes);
    QCOMPARE(panel.control<QSlider>("autogainsliderSelect")->value(), qBound(0, recalled[9], 18));
    if (!file.isNull())
        QCOMPARE(panel.home.read(2), file); // loading leaves the file alone
}

void TestPresets::saveAndRecallSurviveARestart()
{
    auto panel = std::make_unique<Panel>();
    for (const char *box :
         {"aesSelect", "slowshutterSelect", "manualSelect", "peakcontrolSelect", "priorityslowshutterSelect"})
        panel->act(box);
    panel->act("aessliderSelect", 5);
    panel->act("slowshuttersliderSelect", 3);
    panel->act("manualsliderSelect", 7);
    const Values saved = {0, 16, 0, 11, 1, 5, 1, 3, 0, 12, 1, 7, 0, 8, 1};
    QCOMPARE(valuesOf(panel->state()), saved);
    const QString savedBoxes = flagBoxes(*panel);
    panel->sent();

    panel->act("save3Button");
    QCOMPARE(panel->sent(), QStringList()); // a save sends nothing
    const QByteArray savedText = "00\n16\n00\n11\n01\n05\n01\n03\n00\n12\n01\n07\n00\n08\n01\n";
    QCOMPARE(panel->home.read(3), savedText);
    panel->act("preset1Button");
    panel->act("preset3Button");
    QCOMPARE(valuesOf(panel->state()), saved);
    QCOMPARE(flagBoxes(*panel), savedBoxes);
    QCOMPARE(panel->control<QLabel>("slowshutterslidervalue")->text(), QString("1/2s"));

    // A restart on the same home: the file gives the same slot back.
    const QString home = panel->home.path();
    panel->window.close();
    Panel again(Panel::Closed);
    qputenv("HOME", home.toLocal8Bit());
    again.open();
    QCOMPARE(valuesOf(again.state()), builtIn[0]);
    again.act("preset3Button");
    QCOMPARE(valuesOf(again.state()), saved);
    QCOMPARE(flagBoxes(again), savedBoxes);
}

void TestPresets::filesThatFail_data()
{
    QTest::addColumn<QString>("what");
    QTest::addColumn<QString>("warning");
    QTest::addColumn<int>("warnings");
    // A file that cannot be read gives its preset the built-in values, and is left alone.
    QTest::newRow("directory in place of preset 2") << "directory"
                                                    << "Cannot read preset2.txt" << 1;
    QTest::newRow("pipe in place of preset 2") << "pipe"
                                               << "Cannot read preset2.txt" << 1;
    QTest::newRow("preset 2 not readable") << "no permission"
                                           << "Cannot read preset2.txt" << 1;
    // Each file is tried once; opening finishes with the built-in values.
    QTest::newRow("home does not exist") << "missing"
                                         << "could not be created" << 5;
    QTest::newRow("home is a file") << "file"
                                    << "could not be created" << 5;
    QTest::newRow("HOME not set") << "unset"
                                  << "could not be created" << 5;
    QTest::newRow("home not writable") << "read-only"
                                       << "could not be created" << 5;
    // A save that does not reach its file says so; the slot keeps it until the end.
    QTest::newRow("directory in place of preset 2 when saving") << "save"
                                                                << "Cannot save preset2.txt" << 1;
    QTest::newRow("disk full in the middle of a save") << "disk full"
                                                       << "Cannot save preset2.txt" << 1;
}

void TestPresets::filesThatFail()
{
    QFETCH(QString, what);
    QFETCH(QString, warning);
    QFETCH(int, warnings);
    const bool root = ::geteuid() == 0;
    if (root && (what == "no permission" || what == "read-only"))
        QSKIP("root reads and writes whatever the permissions");
    Panel panel(Panel::Closed);
    writeAll(panel.home, builtInTexts[0]);
    const QString file = panel.home.file(2);
    const QString elsewhere = panel.home.path() + "/elsewhere";
    if (what == "directory" || what == "pipe" || what == "no permission") {
        QFile::remove(file);
        if (what == "directory")
            QVERIFY(QDir().mkdir(file));
        else if (what == "pipe")
            QCOMPARE(::mkfifo(QFile::encodeName(file).constData(), 0644), 0);
        else
            panel.home.write(2, builtInTexts[0]), QFile::setPermissions(file, {});
    } else if (what == "missing" || what == "file" || what == "read-only") {
        if (what == "file")
            QFile(elsewhere).open(QIODevice::WriteOnly);
        if (what == "read-only")
            QDir().mkdir(elsewhere), QFile::setPermissions(elsewhere, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        qputenv("HOME", elsewhere.toLocal8Bit());
    } else if (what == "unset") {
        qunsetenv("HOME");
    }
    const bool rootHadPresets = QFile::exists("/preset1.txt");

    LogCapture log;
    const QStringList opening = panel.open();
    const bool saving = what == "save" || what == "disk full";
    if (saving) {
        panel.act("aesSelect");
        const Values changed = valuesOf(panel.state());
        if (what == "save")
            QFile::remove(file), QDir().mkdir(file);
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit before{};
        getrlimit(RLIMIT_FSIZE, &before);
        rlimit full = before;
        full.rlim_cur = what == "disk full" ? 20 : before.rlim_cur; // bytes
        setrlimit(RLIMIT_FSIZE, &full);
        panel.act("save2Button");
        setrlimit(RLIMIT_FSIZE, &before);
        std::signal(SIGXFSZ, SIG_DFL);
        panel.act("preset1Button");
        panel.act("preset2Button");
        QCOMPARE(valuesOf(panel.state()), changed);
        if (what == "disk full")
            QCOMPARE(panel.home.read(2), builtInTexts[0]); // the old file, whole
    } else {
        QCOMPARE(opening.size(), 1 + (warnings == 5 ? 6 : 1) * 16);
        panel.act("preset2Button");
        QCOMPARE(valuesOf(panel.state()), builtIn[1]);
        QCOMPARE(panel.sent(), preset2Frames);
    }
    QCOMPARE(log.linesOf("camdeck.presets").filter(warning).size(), warnings);
    if (what == "directory" || what == "pipe")
        QVERIFY(QFileInfo::exists(file) && !QFileInfo(file).isFile());
    QCOMPARE(QDir(elsewhere).entryList({"preset*"}), QStringList());
    if (!rootHadPresets && QFile::exists("/preset1.txt")) {
        for (int preset = 1; preset <= 5; ++preset) // what Qt's guess of a home left
            QFile::remove(QString("/preset%1.txt").arg(preset));
        QFAIL("presets were written to the root directory");
    }
}

// A save goes through a temporary file and a rename: never a half-written
// preset, no leftovers; a preset kept elsewhere through a link stays there, a
// dangling link is made again where it points; the digits are plain ASCII
// whatever the locale; the home is asked afresh every time.
void TestPresets::savesKeepFilesWhole()
{
    Panel panel(Panel::Closed);
    writeAll(panel.home, builtInTexts[0]);
    QTemporaryDir kept;
    QFile::remove(panel.home.file(2));
    QVERIFY(QFile::link(kept.filePath("studio2.txt"), panel.home.file(2)));
    const QLocale locale;
    QLocale::setDefault(QLocale(QLocale::Arabic, QLocale::Egypt));
    std::setlocale(LC_ALL, "de_DE.UTF-8"); // where installed; C otherwise
    panel.open();
    QCOMPARE(QFile(kept.filePath("studio2.txt")).size(), 45); // made through the link

    struct stat before { };
    QCOMPARE(::stat(QFile::encodeName(panel.home.file(1)).constData(), &before), 0);
    panel.act("aesSelect");
    panel.act("save1Button");
    panel.act("save2Button");
    struct stat after { };
    QCOMPARE(::stat(QFile::encodeName(panel.home.file(1)).constData(), &after), 0);
    QVERIFY(after.st_ino != before.st_ino);
    const QByteArray savedText = "00\n16\n00\n11\n01\n16\n00\n00\n01\n12\n00\n00\n01\n08\n00\n";
    QCOMPARE(panel.home.read(1), savedText);
    QVERIFY(QFileInfo(panel.home.file(2)).isSymLink());
    QCOMPARE(panel.home.read(2), savedText);
    QCOMPARE(QDir(panel.home.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden),
             (QStringList{"preset1.txt", "preset2.txt", "preset3.txt", "preset4.txt", "preset5.txt"}));
    std::setlocale(LC_ALL, "C");
    QLocale::setDefault(locale);

    QTemporaryDir otherHome;
    qputenv("HOME", otherHome.path().toLocal8Bit());
    panel.act("save4Button");
    QCOMPARE(panel.home.read(4), builtInTexts[0]);
    QCOMPARE(QFileInfo(otherHome.filePath("preset4.txt")).size(), 45);
}

// The camera takes no frame within 0.1 s of the one before, and the click
// does not wait for them.
void TestPresets::recallIsPacedInRealTime()
{
    Panel panel;
    panel.realTime();
    const std::size_t skip = panel.peer.arrivals().size();
    QTest::mouseClick(panel.control<QPushButton>("preset1Button"), Qt::LeftButton);
    const auto returned = PtyPeer::Clock::now();
    QCOMPARE(panel.peer.take(16 * 11, std::chrono::seconds(5)).size(), std::size_t(16 * 11));
    const QString fault = pacingFault(panel.peer.arrivals(), skip, 11, 16, 100, returned);
    QVERIFY2(fault.isEmpty(), qPrintable(fault));
}

QTEST_MAIN(TestPresets)
#include "tst_presets.moc"
