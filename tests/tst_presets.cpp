// The five presets through the real window on a pseudo-terminal: recall onto
// the controls and the camera, save, the files in a home of the test's own,
// and files that are odd, broken or cannot be written.
#include "fixture.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSlider>

#include "presets/durablefile.h"

#include <clocale>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace camdeck;

namespace {

// Presets 1, 2 and 5 as their files hold them before anyone saves.
const QByteArray preset1Text = "01\n16\n01\n11\n00\n16\n00\n00\n01\n12\n00\n00\n01\n08\n00\n";
const QByteArray preset2Text = "00\n15\n01\n10\n00\n16\n00\n00\n01\n11\n00\n00\n01\n08\n00\n";
const QByteArray preset5Text = "01\n16\n01\n00\n00\n16\n01\n07\n01\n12\n00\n00\n01\n08\n01\n";

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
// clang-format on
// Preset 1's, with the slow-shutter bit set in 2/4.
const QStringList slowFlagFrames
    = QStringList(preset1Frames).replaceInStrings("02 04 00 01 01 18 AD", "02 04 00 01 05 1C AD");

// ALC, fixed shutter, AES, slow shutter, automatic, manual, peak control and the priority pair.
QString flagBoxes(Panel &panel)
{
    QStringList on;
    for (const char *box : {"alcSelect", "fixedshutterSelect", "aesSelect", "slowshutterSelect", "autogainSelect",
                            "manualSelect", "peakcontrolSelect", "priorityagcSelect", "priorityslowshutterSelect"})
        on << (panel.control<QCheckBox>(box)->isChecked() ? "on" : "off");
    return on.join(' ');
}

} // namespace

class TestPresets : public QObject {
    Q_OBJECT

private slots:
    void firstStartCreatesTheFiles();
    void recall_data();
    void recall();
    void savesKeepFilesWhole();
    void savesReachTheDisk_data();
    void savesReachTheDisk();
};

void TestPresets::firstStartCreatesTheFiles()
{
    Panel panel(Panel::Closed);
    QTest::failOnWarning(QRegularExpression("preset")); // nothing went wrong, so nothing is said
    // Beside the port and what the device said, which stay in sight, the window
    // says what it is doing meanwhile, and is done with it after.
    QStringList shown;
    auto *progress = panel.control<QProgressBar>("jobProgress");
    connect(progress, &QProgressBar::valueChanged, [&] {
        shown << panel.control<QLabel>("connectionStatus")->text().section(" — ", 1) + " | " + progress->text();
    });
    const QStringList opening = panel.open();

    // The greeting; a recall of its built-in values for each missing file; preset 1.
    QCOMPARE(opening.size(), 1 + 6 * 16);
    QCOMPARE(opening.mid(1, 16), preset1Frames);
    QCOMPARE(opening.mid(1 + 4 * 16, 16), preset5Frames);
    QCOMPARE(opening.mid(1 + 5 * 16), preset1Frames);
    for (const auto &[preset, text] : {std::pair{1, preset1Text}, {2, preset2Text}, {5, preset5Text}})
        QCOMPARE(panel.home.read(preset), text);
    QCOMPARE(panel.exposure(), preset1Text);
    QVERIFY(shown.contains("no reply to the greeting | Creating preset 3 from its built-in values — 7 of 16"));
    QVERIFY(shown.contains("no reply to the greeting | Applying preset 1 — 16 of 16"));
    QVERIFY(!progress->isVisible());
}

// What a recall of a preset puts on the controls and sends the camera, from
// the file in the home or from what is in its place.
void TestPresets::recall_data()
{
    QTest::addColumn<QByteArray>("file"); // preset 2's, "<...>": what is there instead, or none: the built-in values
    QTest::addColumn<QString>("trigger");
    QTest::addColumn<QStringList>("frames"); // all sixteen, or none to skip the check
    QTest::addColumn<QByteArray>("recalled"); // or none: the file's own values
    QTest::addColumn<QString>("boxes");
    QTest::addColumn<QString>("warned");
    const auto row = [](const char *name, const QByteArray &file, const char *trigger, const QStringList &frames,
                        const QByteArray &recalled, const QString &boxes, const char *warned = "") {
        QTest::newRow(name) << file << trigger << frames << recalled << boxes << warned;
    };
    const QString preset1Boxes = "on on off off on off on on off";
    const QString preset2Boxes = "off on off off on off on on off";
    const QString slowBoxes = "on on off on on off on off on";
    // clang-format off
    row("preset 2", {}, "preset2Button", preset2Frames, preset2Text, preset2Boxes);
    row("Alt+5 from the text field", {}, "Alt+5", preset5Frames, preset5Text, slowBoxes);
    row("preset 3 and 4 differ only in their speeds", {}, "preset4Button", {}, "01\n16\n01\n08\n00\n16\n01\n00\n01\n12\n00\n00\n01\n08\n01\n", slowBoxes);
    // As an edited file can leave a slot: the partner rules put it right. Fifteen
    // zeros become AES on, manual gain on, gain priority.
    row("all zero", "00\n00\n00\n00\n00\n00\n00\n00\n00\n00\n00\n00\n00\n00\n00\n", "preset2Button", zeroFrames, "00\n00\n00\n00\n01\n00\n00\n00\n00\n00\n01\n00\n00\n00\n00\n", "off off on off off on off on off");
    row("ALC on, fixed shutter off", "01\n16\n00\n11\n00\n16\n00\n00\n01\n12\n00\n00\n01\n08\n00\n", "preset2Button", preset1Frames, preset1Text, preset1Boxes);
    row("both gains on", "01\n16\n01\n11\n00\n16\n00\n00\n01\n12\n01\n00\n01\n08\n00\n", "preset2Button", {}, preset1Text, preset1Boxes);
    // An edited flag is one bit in the camera's registers; the number is kept.
    row("slow-shutter flag -1", "01\n16\n01\n11\n00\n16\n-1\n00\n01\n12\n00\n00\n01\n08\n00\n", "preset2Button", slowFlagFrames, {}, "on on off on on off on on off");
    row("negative level: the slider stops at 0", "01\n-5\n01\n11\n00\n16\n00\n00\n01\n12\n00\n00\n01\n08\n00\n", "preset2Button", {}, "01\n00\n01\n11\n00\n16\n00\n00\n01\n12\n00\n00\n01\n08\n00\n", preset1Boxes);
    // A file that cannot be read gives its preset the built-in values, and is left alone.
    row("a directory in place of preset 2", "<directory>", "preset2Button", preset2Frames, preset2Text, preset2Boxes, "/preset2.txt (it is a directory)");
    row("a pipe in place of preset 2", "<pipe>", "preset2Button", preset2Frames, preset2Text, preset2Boxes, "/preset2.txt (it is not a regular file)");
    row("preset 2 not readable", "<unreadable>", "preset2Button", preset2Frames, preset2Text, preset2Boxes, "/preset2.txt");
    // Without a home each file is tried once, and none goes to the root directory.
    row("HOME not set", "<no HOME>", "preset2Button", preset2Frames, preset2Text, preset2Boxes, "could not be created");
    // clang-format on
}

void TestPresets::recall()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, trigger);
    QFETCH(QStringList, frames);
    QFETCH(QByteArray, recalled);
    QFETCH(QString, boxes);
    QFETCH(QString, warned);
    if (file == "<unreadable>" && ::geteuid() == 0)
        QSKIP("root reads whatever the permissions");
    Panel panel(Panel::Closed);
    const QString path = panel.home.file(2);
    for (int preset = 1; !file.isNull() && preset <= 5; ++preset)
        panel.home.write(preset, preset == 2 ? file : preset1Text);
    if (file == "<directory>")
        QVERIFY(QFile::remove(path) && QDir().mkdir(path));
    else if (file == "<pipe>")
        QVERIFY(QFile::remove(path) && ::mkfifo(QFile::encodeName(path).constData(), 0644) == 0);
    else if (file == "<unreadable>")
        QVERIFY(QFile::setPermissions(path, {}));
    else if (file == "<no HOME>")
        qunsetenv("HOME");
    const bool rootHadPresets = QFile::exists("/preset1.txt");
    // Once for each file it is about, and nothing else.
    for (int told = warned.isEmpty() ? 0 : file == "<no HOME>" ? 5 : 1; told > 0; --told)
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QRegularExpression::escape(warned)));
    QTest::failOnWarning(QRegularExpression("^Cannot read|could not"));
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
    QCOMPARE(panel.exposure(), recalled.isEmpty() ? file : recalled);
    QCOMPARE(flagBoxes(panel), boxes);
    QCOMPARE(panel.control<QSlider>("autogainsliderSelect")->value(), panel.exposure().split('\n')[9].toInt());
    if (!file.isNull() && !file.startsWith('<'))
        QCOMPARE(panel.home.read(2), file); // loading leaves the file alone
    else if (file == "<directory>" || file == "<pipe>")
        QVERIFY(QFileInfo::exists(path) && !QFileInfo(path).isFile());
    if (!rootHadPresets && QFile::exists("/preset1.txt")) {
        for (int preset = 1; preset <= 5; ++preset) // what Qt's guess of a home left
            QFile::remove(QString("/preset%1.txt").arg(preset));
        QFAIL("presets were written to the root directory");
    }
}

// A save writes the slot's values as text and sends nothing. It goes through
// a temporary file and a rename: never a half-written preset, no leftovers; a
// preset kept elsewhere through a link stays there, a dangling link is made
// again where it points; the digits are plain ASCII whatever the locale; the
// home is asked afresh every time. A recall gives the saved values back.
void TestPresets::savesKeepFilesWhole()
{
    Panel panel(Panel::Closed);
    for (int preset = 1; preset <= 5; ++preset)
        panel.home.write(preset, preset1Text);
    QTemporaryDir kept;
    QFile::remove(panel.home.file(2));
    QVERIFY(QFile::link(kept.filePath("studio2.txt"), panel.home.file(2)));
    const QLocale locale;
    QLocale::setDefault(QLocale(QLocale::Arabic, QLocale::Egypt));
    std::setlocale(LC_ALL, "de_DE.UTF-8"); // where installed; C otherwise
    panel.open();
    QCOMPARE(QFile(kept.filePath("studio2.txt")).size(), 45); // made through the link
    for (const char *box :
         {"aesSelect", "slowshutterSelect", "manualSelect", "peakcontrolSelect", "priorityslowshutterSelect"})
        panel.act(box);
    panel.act("aessliderSelect", 5);
    panel.act("slowshuttersliderSelect", 3);
    panel.act("manualsliderSelect", 7);
    const QByteArray savedText = "00\n16\n00\n11\n01\n05\n01\n03\n00\n12\n01\n07\n00\n08\n01\n";
    QCOMPARE(panel.exposure(), savedText);
    panel.sent();
    panel.act("save3Button");
    panel.act("save2Button");
    QCOMPARE(panel.sent(), QStringList()); // a save sends nothing
    QCOMPARE(panel.control<QLabel>("lastCommandStatus")->text(), "Preset 2 saved in " + panel.home.file(2));
    QCOMPARE(panel.home.read(3), savedText);
    QVERIFY(QFileInfo(panel.home.file(2)).isSymLink());
    QCOMPARE(panel.home.read(2), savedText);
    QCOMPARE(QDir(panel.home.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden),
             (QStringList{"preset1.txt", "preset2.txt", "preset3.txt", "preset4.txt", "preset5.txt"}));
    std::setlocale(LC_ALL, "C");
    QLocale::setDefault(locale);
    panel.act("preset1Button");
    panel.act("preset3Button");
    QCOMPARE(panel.exposure(), savedText);
    QCOMPARE(panel.control<QLabel>("slowshutterslidervalue")->text(), QString("1/2s"));

    // A save that does not reach its file says so; the slot keeps it until the end.
    for (const char *preset : {"preset5", "preset3"})
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QString("^Cannot save .*/%1.txt").arg(preset)));
    panel.act("aesSelect");
    const QByteArray changed = panel.exposure();
    QVERIFY(QFile::remove(panel.home.file(5)) && QDir().mkdir(panel.home.file(5)));
    panel.act("save5Button");
    QVERIFY(panel.control<QLabel>("lastCommandStatus")->text().startsWith("Preset 5 not saved: "));
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit before{};
    getrlimit(RLIMIT_FSIZE, &before);
    const rlimit full{20, before.rlim_max}; // bytes: the disk fills in the middle of the save
    setrlimit(RLIMIT_FSIZE, &full);
    panel.act("save3Button");
    setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, SIG_DFL);
    QCOMPARE(panel.home.read(3), savedText); // the old file, whole
    for (const char *kept : {"preset3Button", "preset5Button"}) {
        panel.act("preset1Button");
        panel.act(kept);
        QCOMPARE(panel.exposure(), changed);
    }

    QTemporaryDir otherHome;
    qputenv("HOME", otherHome.path().toLocal8Bit());
    panel.act("save4Button");
    QCOMPARE(panel.home.read(4), preset1Text);
    QCOMPARE(QFileInfo(otherHome.filePath("preset4.txt")).size(), 45);
}

void TestPresets::savesReachTheDisk_data()
{
    QTest::addColumn<QString>("failing"); // the call that fails, "write 20" once 20 bytes are in
    QTest::addColumn<int>("error");
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<QString>("said"); // after "Preset 3 "
    const QString fresh = "preset3.txt.*";
    const QStringList made{"open " + fresh, "write 45", "fsync " + fresh, "close " + fresh};
    const QStringList synced{"rename " + fresh + " preset3.txt", "open HOME", "fsync HOME", "close HOME"};
    QTest::newRow("the new file synced, renamed over, the folder synced")
        << "" << 0 << made + synced << "saved in HOME/preset3.txt";
    QTest::newRow("the disk full after 20 bytes")
        << "write 20" << ENOSPC
        << QStringList{"open " + fresh, "write 45", "write 25", "close " + fresh, "unlink " + fresh}
        << "not saved: No space left on device";
    QTest::newRow("the file not synced: no rename")
        << "fsync " + fresh << EIO << made + QStringList{"unlink " + fresh} << "not saved: Input/output error";
    QTest::newRow("the rename refused") << "rename" << EACCES << made + synced.mid(0, 1) + QStringList{"unlink " + fresh}
                                        << "not saved: Permission denied";
    QTest::newRow("the folder not synced")
        << "fsync HOME" << EIO << made + synced
        << "not saved: in place, but its folder was not synced to the disk (Input/output error)";
}

// A save is on the disk before it is said to be: the new file synced before
// it is renamed over the old one, then the folder. A failure before the rename
// leaves the old file whole and nothing beside it.
void TestPresets::savesReachTheDisk()
{
    QFETCH(QString, failing);
    QFETCH(int, error);
    QFETCH(QStringList, calls);
    QFETCH(QString, said);
    Panel panel(Panel::Closed);
    panel.home.write(3, preset2Text);
    QStringList log;
    QMap<int, QString> names;
    const QString home = panel.home.path();
    const auto shown = [&](const char *path) {
        const QString name = QString(path).replace(home, "HOME");
        return name.startsWith("HOME/") ? name.mid(5).replace(QRegularExpression("\\.txt\\..*"), ".txt.*") : name;
    };
    const auto fail = [&](const QString &call) { return call == failing ? (errno = error, true) : false; };
    const FileSystemCalls real = systemFileCalls();
    FileSystemCalls calls_ = real;
    calls_.open = [&](const char *path, int flags, mode_t mode) {
        log << "open " + shown(path);
        const int fd = real.open(path, flags, mode);
        names[fd] = shown(path);
        return fd;
    };
    calls_.write = [&](int fd, const void *data, size_t size) -> ssize_t {
        log << "write " + QString::number(size);
        if (failing == "write 20")
            return size > 25 ? real.write(fd, data, 20) : (errno = error, -1);
        return real.write(fd, data, size);
    };
    calls_.fsync = [&](int fd) { log << "fsync " + names[fd]; return fail("fsync " + names[fd]) ? -1 : real.fsync(fd); };
    calls_.close = [&](int fd) { log << "close " + names[fd]; return real.close(fd); };
    calls_.rename = [&](const char *from, const char *to) {
        log << "rename " + shown(from) + " " + shown(to);
        return fail("rename") ? -1 : real.rename(from, to);
    };
    calls_.unlink = [&](const char *path) { log << "unlink " + shown(path); return real.unlink(path); };
    setFileSystemCalls(calls_);
    if (!said.startsWith("saved"))
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^Cannot save .*/preset3.txt"));
    panel.act("save3Button");
    setFileSystemCalls(systemFileCalls());
    QCOMPARE(log, calls);
    QCOMPARE(panel.control<QLabel>("lastCommandStatus")->text(), "Preset 3 " + QString(said).replace("HOME", home));
    QCOMPARE(panel.home.read(3), failing.isEmpty() || failing == "fsync HOME" ? panel.exposure() : preset2Text);
    QCOMPARE(QDir(home).entryList({"preset3*"}, QDir::Files | QDir::Hidden), QStringList{"preset3.txt"});
}

QTEST_MAIN(TestPresets)
#include "tst_presets.moc"
