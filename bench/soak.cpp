// camdeck-soak: a long day at the bench for the panel, then a check of what
// the device got. The real window runs in this process, offscreen, with a
// home of its own, on camdeck-sim's line (a link the simulator keeps to its
// pseudo-terminal, so a pulled port comes back under the same path); the day
// (soakday.h) works it for the time asked and ends with SIGTERM in the middle
// of a preset recall; then the simulator's capture of its side of the line
// and the day's log are checked (soakcheck.h). Prints a summary and exits 1
// on any violation, 2 when the run could not be made.
//
//   camdeck-soak [--minutes N | --seconds N] [--seed S] [--keep]
//   camdeck-soak --check DIR       checks again what a kept run left in DIR
#include "soakcheck.h"
#include "soakday.h"

#include "mainwindow.h"
#include "util/ownprocess.h"
#include "util/terminationsignals.h"
#include "util/windowdriver.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::uint64_t defaultSeed = 20240611;

// What a person needs to see: what was done, what the line carried, the
// figures, and every violation with the seed that makes the run again.
void printSummary(const SoakFindings &found, std::uint64_t seed, double seconds, bool sanitized)
{
    std::printf("\ncamdeck-soak summary (seed %llu, %.0f s from start to end%s)\n",
                (unsigned long long)seed, seconds, sanitized ? ", sanitizers" : "");
    std::printf("%-26s %8s\n", "actions by kind", "count");
    int total = 0;
    for (const auto &[kind, count] : found.actions) {
        std::printf("  %-24s %8d\n", kind.c_str(), count);
        total += count;
    }
    std::printf("  %-24s %8d\n", "all", total);
    const auto row = [](const char *what, const std::string &value) {
        std::printf("%-26s %s\n", what, value.c_str());
    };
    row("frames on the line", std::to_string(found.frames));
    row("packets on the line", std::to_string(found.packets));
    row("greetings, travel queries", std::to_string(found.requests));
    row("farewells", std::to_string(found.farewells));
    row("plugs / unplugs", std::to_string(found.plugs) + " / " + std::to_string(found.unplugs));
    row("messages matched to actions", std::to_string(found.claimed));
    row("messages cut by a pull", std::to_string(found.cutShort));
    row("files read back after saves", std::to_string(found.fileChecks));
    char text[160];
    std::snprintf(text, sizeof text, "%.1f ms at %.1f s (budget 30 ms%s)", found.longestStallMs,
                  found.longestStallAt, sanitized ? ", reported only" : "");
    row("longest stall", text);
    row("  begun in or after", found.longestStallDuring);
    std::snprintf(text, sizeof text, "%.1f MB %s, %.1f MB at the end: %+.2f MB (budget < 2 MB%s)",
                  double(found.memoryFromKb) / 1024, found.memoryFrom.c_str(),
                  double(found.memoryToKb) / 1024,
                  double(found.memoryToKb - found.memoryFromKb) / 1024,
                  sanitized ? ", reported only" : "");
    row("resident memory", text);
    if (found.memoryParts.size() >= 2 && found.memoryParts.front().first >= 0) {
        const auto &[anonymousFrom, filesFrom] = found.memoryParts.front();
        const auto &[anonymousTo, filesTo] = found.memoryParts.back();
        std::snprintf(text, sizeof text, "anonymous %+.2f MB, pages of files %+.2f MB",
                      double(anonymousTo - anonymousFrom) / 1024,
                      double(filesTo - filesFrom) / 1024);
        row("  of which", text);
    }
    std::string series;
    for (const long long kb : found.memoryKb) {
        std::snprintf(text, sizeof text, "%s%.1f", series.empty() ? "" : " ", double(kb) / 1024);
        series += text;
    }
    row("  MB, a minute apart", series);
    row("violations", std::to_string(found.violations.size()));
    for (const SoakFindings::Violation &v : found.violations)
        std::printf("  seed %llu, %.3f s: %s\n", (unsigned long long)seed, v.at, v.what.c_str());
}

// The offscreen platform says what it cannot do each time a pop-up opens.
QtMessageHandler passOn = nullptr;
void quietPlatform(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (!message.startsWith(QLatin1String("This plugin does not support")))
        passOn(type, context, message);
}

// Checks what the run in folder left, prints the summary; true when all is well.
bool check(const QString &folder, bool sanitized)
{
    std::ifstream capture(QFile::encodeName(folder + QStringLiteral("/capture.txt")).constData());
    std::ifstream log(QFile::encodeName(folder + QStringLiteral("/log.txt")).constData());
    const bool opened = capture.is_open() && log.is_open();
    unsigned long long seed = 0;
    long long begun = 0, at = 0;
    for (std::string line; std::getline(log, line) && !begun;) {
        if (std::sscanf(line.c_str(), "%lld start %llu", &at, &seed) == 2)
            begun = at;
    }
    log.clear();
    log.seekg(0);
    SoakLimits limits;
    limits.sanitized = sanitized;
    const SoakFindings found = checkSoak(capture, log, limits);
    printSummary(found, seed, found.lastly, sanitized);
    return opened && found.violations.empty() && found.plugs > 0;
}

} // namespace

int main(int argc, char *argv[])
{
    // The panel registers on the session bus, where the day's scripts find it.
    if (!onASessionBus(argc, argv)) {
        std::fprintf(stderr, "camdeck-soak: no session bus, and dbus-run-session did not start\n");
        return 2;
    }
    // The window's home, settings and setups are the run's own.
    QTemporaryDir run(QDir::tempPath() + QStringLiteral("/camdeck-soak-XXXXXX"));
    const QString home = run.path() + QStringLiteral("/home");
    QDir().mkpath(home);
    qputenv("HOME", QFile::encodeName(home));
    for (const char *xdg : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME"})
        qunsetenv(xdg);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // A pulled port and a full disk are warned about: expected here, and the check says the rest.
    if (qEnvironmentVariableIsEmpty("QT_LOGGING_RULES"))
        qputenv("QT_LOGGING_RULES", "camdeck.*=false;qt.*=false");

    passOn = qInstallMessageHandler(quietPlatform);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("camdeck"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "A day at the bench for the panel against camdeck-sim, then a check of the line."));
    parser.addHelpOption();
    parser.addOptions(
        {{QStringLiteral("minutes"), QStringLiteral("How long (default 10)."), QStringLiteral("N"),
          QStringLiteral("10")},
         {QStringLiteral("seconds"), QStringLiteral("How long, for short runs."),
          QStringLiteral("N")},
         {QStringLiteral("seed"),
          QStringLiteral("What the day does (default %1).").arg(defaultSeed), QStringLiteral("S"),
          QString::number(defaultSeed)},
         {QStringLiteral("keep"), QStringLiteral("Keep the capture and the log.")},
         {QStringLiteral("check"),
          QStringLiteral("Check again the capture and the log a kept run left in DIR."),
          QStringLiteral("DIR")}});
    parser.process(app);
#ifdef CAMDECK_SOAK_SANITIZED
    const bool sanitized = true;
#else
    const bool sanitized = false;
#endif
    if (parser.isSet(QStringLiteral("check")))
        return check(parser.value(QStringLiteral("check")), sanitized) ? 0 : 1;
    bool ok = false, seedOk = false;
    const int seconds = parser.isSet(QStringLiteral("seconds"))
        ? parser.value(QStringLiteral("seconds")).toInt(&ok)
        : parser.value(QStringLiteral("minutes")).toInt(&ok) * 60;
    const std::uint64_t seed = parser.value(QStringLiteral("seed")).toULongLong(&seedOk);
    if (!ok || seconds < 20 || !seedOk) {
        std::fprintf(stderr,
                     "camdeck-soak: a run takes --minutes N or --seconds N (20 at least) "
                     "and --seed S, whole numbers\n");
        return 2;
    }
    run.setAutoRemove(!parser.isSet(QStringLiteral("keep")));
    std::printf("camdeck-soak: seed %llu, %d s, in %s\n", (unsigned long long)seed, seconds,
                qPrintable(run.path()));
    std::fflush(stdout);

    const QString bin = QApplication::applicationDirPath();
    const QString link = run.path() + QStringLiteral("/camera-line");
    const QString capturePath = run.path() + QStringLiteral("/capture.txt");
    const QString logPath = run.path() + QStringLiteral("/log.txt");
    QProcess simulator;
    simulator.setProcessChannelMode(QProcess::SeparateChannels);
    simulator.setStandardErrorFile(QProcess::nullDevice());
    simulator.start(bin + QStringLiteral("/camdeck-sim"),
                    {QStringLiteral("--headless"), QStringLiteral("--link"), link,
                     QStringLiteral("--capture"), capturePath, QStringLiteral("--control")});
    if (!waitUntil([&] { return simulator.canReadLine(); }, 10000)) {
        std::fprintf(stderr, "camdeck-soak: camdeck-sim did not start: %s\n",
                     qPrintable(simulator.errorString()));
        return 2;
    }
    simulator.readLine();
    // The panel's bytes reach the simulator through a kernel worker of
    // ordinary priority, which a busy window could hold up for longer than the
    // jitter the check allows: from here on this process (the window, its
    // queue, the scripts it starts) gives way to it. The simulator, started
    // before, reads at its own priority.
    errno = 0;
    if (::nice(10) == -1 && errno != 0)
        std::fprintf(stderr, "camdeck-soak: could not lower its priority: %s\n",
                     std::strerror(errno));

    SoakLog log(logPath);
    log.write("start", std::to_string(seed));
    bool dayDone = false;
    {
        MainWindow::prepareApplication();
        MainWindow window;
        // As the camdeck program has it: the signal closes the window the ordinary way.
        onTerminationSignals(&window, [&window] { window.close(); });
        window.show();
        if (!QTest::qWaitForWindowExposed(&window)) {
            std::fprintf(stderr, "camdeck-soak: the window was never exposed\n");
            return 2;
        }
        const SoakDay::Plan plan{seed, std::chrono::seconds(seconds),
                                 std::chrono::seconds(seconds >= 180 ? 60 : seconds / 3), link,
                                 bin + QStringLiteral("/camdeck-ctl")};
        SoakDay day(window, simulator, log, plan);
        window.openDevice(link);
        if (!waitUntil([&window] { return window.isConnected(); }, 10000)
            || !settle(window.line(), 60000)) {
            std::fprintf(stderr, "camdeck-soak: the panel did not open %s\n", qPrintable(link));
            return 2;
        }
        dayDone = day.run();
    }
    // The window is gone, and with it its queue: whatever it still had is out.
    log.write("ended");
    simulator.closeWriteChannel();
    if (!simulator.waitForFinished(10000) || simulator.exitStatus() != QProcess::NormalExit
        || simulator.exitCode() != 0)
        log.write("violation",
                  "camdeck-sim did not end cleanly (exit " + std::to_string(simulator.exitCode())
                      + ")");

    return check(run.path(), sanitized) && dayDone ? 0 : 1;
}
