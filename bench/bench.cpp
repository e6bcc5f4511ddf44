// How the panel does against its budgets: start-up time, resident set, the
// pacing of a preset recall and of the text upload as the line sees them, and
// what the panel spends sitting idle on an open port; and camdeck-ctl's run of
// one set and of a preset recall, from process start to exit. The panel runs in
// camdeck-bench-probe, a process of its own, offscreen, with a home directory
// of the benchmark's own; the line's far end is a pseudo-terminal here.
//
// Prints a table of figures with their ratio to the budget (1.00 is the
// budget). Exits non-zero only when a figure could not be measured or is
// plainly broken (more than three times its budget, frames sent early).
#include "util/ptypeer.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>
#include <vector>

namespace {

using Nanoseconds = long long;

Nanoseconds nanoseconds(PtyPeer::Clock::time_point at)
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(at.time_since_epoch()).count();
}

double milliseconds(Nanoseconds ns)
{
    return static_cast<double>(ns) / 1e6;
}

// What one probe run reported: each line "key value [value]".
struct ProbeReport {
    QString error;
    Nanoseconds spawnedAt = 0;
    QMap<QString, std::vector<long long>> values;

    long long value(const char *key, std::size_t i = 0) const
    {
        const auto found = values.find(QLatin1String(key));
        return found != values.end() && i < found->size() ? (*found)[i] : -1;
    }
};

class Probe {
public:
    explicit Probe(const QString &home)
        : m_program(QCoreApplication::applicationDirPath() + QStringLiteral("/camdeck-bench-probe"))
    {
        m_environment = QProcessEnvironment::systemEnvironment();
        m_environment.insert(QStringLiteral("HOME"), home);
        m_environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        m_environment.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("*=false"));
    }

    ProbeReport run(const QStringList &arguments, int timeoutMs) const
    {
        QProcess process;
        process.setProcessEnvironment(m_environment);
        process.setProgram(m_program);
        process.setArguments(arguments);
        ProbeReport report;
        report.spawnedAt = nanoseconds(PtyPeer::Clock::now());
        process.start();
        if (!process.waitForStarted(timeoutMs)) {
            report.error = process.errorString();
            return report;
        }
        if (!process.waitForFinished(timeoutMs)) {
            process.kill();
            process.waitForFinished();
            report.error = QStringLiteral("the probe did not finish in %1 s").arg(timeoutMs / 1000);
            return report;
        }
        for (const QByteArray &line : process.readAllStandardOutput().split('\n')) {
            const QList<QByteArray> words = line.trimmed().split(' ');
            if (words.value(0).isEmpty())
                continue;
            if (words[0] == "error") {
                report.error = QString::fromLocal8Bit(line.mid(6));
                continue;
            }
            auto &values = report.values[QString::fromLatin1(words[0])];
            for (qsizetype i = 1; i < words.size(); ++i)
                values.push_back(words[i].toLongLong());
        }
        if (report.error.isEmpty()
            && (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0))
            report.error
                = QStringLiteral("the probe failed (exit %1): %2")
                      .arg(process.exitCode())
                      .arg(QString::fromLocal8Bit(process.readAllStandardError().right(400)));
        return report;
    }

private:
    QString m_program;
    QProcessEnvironment m_environment;
};

// One line of the table. ratio is the figure over its budget: up to 1 is
// within it; failAbove is where a figure stops being slow and is broken.
struct Figure {
    Figure(QString name, QString measured, QString budget, std::optional<double> ratio,
           double failAbove = 3.0)
        : name(std::move(name))
        , measured(std::move(measured))
        , budget(std::move(budget))
        , ratio(ratio)
        , failAbove(failAbove)
    {
    }
    QString name;
    QString measured;
    QString budget;
    std::optional<double> ratio; // none: could not be measured
    double failAbove;
    QString note;
};

class Table {
public:
    explicit Table(bool budgetsFail)
        : m_budgetsFail(budgetsFail)
    {
    }

    void add(Figure figure) { m_figures.push_back(std::move(figure)); }
    void unmeasured(const QString &name, const QString &why)
    {
        add({name, QStringLiteral("not measured"), why, std::nullopt});
    }

    // Prints the table; false when a figure is missing or broken.
    bool print() const
    {
        bool passed = true;
        std::printf("%-34s %-14s %-26s %6s  %s\n", "figure", "measured", "budget", "ratio",
                    "verdict");
        for (const Figure &f : m_figures) {
            QString ratio = QStringLiteral("-");
            QString verdict = QStringLiteral("FAILED");
            if (!f.ratio) {
                passed = false;
            } else {
                ratio = QString::number(*f.ratio, 'f', 2);
                if (*f.ratio <= 1.0)
                    verdict = QStringLiteral("ok");
                else if (*f.ratio <= f.failAbove || !m_budgetsFail)
                    verdict = QStringLiteral("over budget");
                else
                    passed = false;
            }
            std::printf("%-34s %-14s %-26s %6s  %s %s\n", qPrintable(f.name),
                        qPrintable(f.measured), qPrintable(f.budget), qPrintable(ratio),
                        qPrintable(verdict), qPrintable(f.note));
        }
        return passed;
    }

private:
    bool m_budgetsFail;
    std::vector<Figure> m_figures;
};

QString ms(double value, int decimals = 0)
{
    return QString::number(value, 'f', decimals) + QStringLiteral(" ms");
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return (values[(n - 1) / 2] + values[n / 2]) / 2;
}

// The panel's start-up against a plain window with as many of each control
// (the probe's "bare" mode), run in turns in this one run, so that both see
// the same machine: which goes first alternates from pair to pair. Start-up
// is process start to the window first exposed; memory is the peak resident
// set (VmHWM) once what the window left for after its first paint is done.
void startupFigures(const Probe &probe, int runs, Table &table)
{
    const QString name = QStringLiteral("start-up (median of %1)").arg(runs);
    const QString versus = QStringLiteral("start-up / bare window");
    const QString peak = QStringLiteral("peak memory / bare window");
    const auto unmeasured = [&](const QString &why) {
        for (const QString &figure : {name, versus, peak})
            table.unmeasured(figure, why);
    };
    // Untimed first runs: the program and the libraries into the page cache.
    probe.run({QStringLiteral("startup")}, 30000);
    probe.run({QStringLiteral("bare")}, 30000);
    std::vector<double> took[2];
    std::vector<double> hwm[2];
    const QString modes[2] = {QStringLiteral("startup"), QStringLiteral("bare")};
    for (int i = 0; i < 2 * runs; ++i) {
        const int mode = (i + i / 2) % 2; // panel, bare; bare, panel; ...
        const ProbeReport report = probe.run({modes[mode]}, 30000);
        if (!report.error.isEmpty() || report.value("shown") < 0 || report.value("hwm") <= 0)
            return unmeasured(report.error.isEmpty() ? QStringLiteral("no window") : report.error);
        took[mode].push_back(milliseconds(report.value("shown") - report.spawnedAt));
        hwm[mode].push_back(static_cast<double>(report.value("hwm")) / 1024.0);
    }
    const double panel = median(took[0]);
    const auto [fastest, slowest] = std::minmax_element(took[0].begin(), took[0].end());
    table.add({name, ms(panel), QStringLiteral("300 ms (%1 to %2)").arg(ms(*fastest), ms(*slowest)),
               panel / 300.0});

    const double bare = median(took[1]);
    const double timeRatio = panel / bare;
    table.add({versus, QStringLiteral("%1x").arg(timeRatio, 0, 'f', 2),
               QStringLiteral("1.15x (bare %1)").arg(ms(bare)), timeRatio / 1.15});
    const double memoryRatio = median(hwm[0]) / median(hwm[1]);
    table.add({peak, QStringLiteral("%1x").arg(memoryRatio, 0, 'f', 2),
               QStringLiteral("1.10x (%1 / %2 MB)")
                   .arg(median(hwm[0]), 0, 'f', 1)
                   .arg(median(hwm[1]), 0, 'f', 1),
               memoryRatio / 1.10});
}

void memoryFigure(const ProbeReport &report, const char *key, const QString &name, Table &table)
{
    const long long kB = report.value(key);
    if (kB <= 0)
        return table.unmeasured(name, QStringLiteral("no VmRSS"));
    const double mb = static_cast<double>(kB) / 1024.0;
    table.add({name, QString::number(mb, 'f', 1) + QStringLiteral(" MB"), QStringLiteral("80 MB"),
               mb / 80.0});
}

// When each frame of pieceSize bytes began to arrive on the master, counting
// only what arrived in [from, to).
std::vector<Nanoseconds> frameStarts(const std::vector<PtyPeer::Arrival> &arrivals,
                                     Nanoseconds from, Nanoseconds to, std::size_t pieceSize)
{
    std::vector<Nanoseconds> starts;
    std::size_t offset = 0;
    for (const PtyPeer::Arrival &arrival : arrivals) {
        const Nanoseconds at = nanoseconds(arrival.at);
        if (at < from || at >= to)
            continue;
        const std::size_t size = arrival.bytes.size();
        for (std::size_t piece = (offset + pieceSize - 1) / pieceSize * pieceSize;
             piece < offset + size; piece += pieceSize)
            starts.push_back(at);
        offset += size;
    }
    return starts;
}

// Frames the panel sends with pause after each: the run from the first frame on
// the line to the panel being ready again must be within 3 % of frames × pause,
// and no two frames may come closer than pause. A gap is time-stamped by the
// peer thread as it wakes, so it carries a few ms of that thread's jitter.
void pacingFigures(const QString &what, const std::vector<Nanoseconds> &starts,
                   Nanoseconds clickEnd, std::size_t frames, double pauseMs, Table &table)
{
    const QString total = QStringLiteral("%1: total").arg(what);
    const QString gap = QStringLiteral("%1: smallest gap").arg(what);
    if (starts.size() != frames) {
        const QString why = QStringLiteral("%1 frames came, not %2").arg(starts.size()).arg(frames);
        table.unmeasured(total, why);
        return table.unmeasured(gap, why);
    }
    const double nominal = pauseMs * static_cast<double>(frames);
    const double took = milliseconds(clickEnd - starts.front());
    const double deviation = std::abs(took - nominal) / nominal;
    table.add({total, ms(took, 1), QStringLiteral("%1 ± 3 %").arg(ms(nominal)), deviation / 0.03});

    constexpr double jitterMs = 5.0;
    double smallest = 1e9;
    bool readLate = false;
    for (std::size_t i = 1; i < starts.size(); ++i) {
        const double gapMs = milliseconds(starts[i] - starts[i - 1]);
        if (gapMs >= smallest)
            continue;
        smallest = gapMs;
        // A frame the peer read late makes the gap before it long and the one
        // after short by as much; frames sent early leave no long gap before.
        readLate = i > 1 && milliseconds(starts[i] - starts[i - 2]) >= 2 * pauseMs - jitterMs;
    }
    Figure figure{gap, ms(smallest, 1),
                  QStringLiteral(">= %1 (- %2 jitter)").arg(ms(pauseMs), ms(jitterMs)),
                  (pauseMs - jitterMs) / smallest, (pauseMs - jitterMs) / (pauseMs * 0.7)};
    if (readLate && smallest < pauseMs - jitterMs) {
        figure.failAbove = 1e9;
        figure.note = QStringLiteral("(the frame before it was read late)");
    }
    table.add(figure);
}

// The longest the window went without answering while the line was busy:
// the gap between two ticks of a 5 ms timer on its thread.
void stallFigure(const ProbeReport &report, const char *key, const QString &name, Table &table)
{
    const long long ns = report.value(key);
    if (ns < 0)
        return table.unmeasured(name, QStringLiteral("no report"));
    const double took = milliseconds(ns);
    table.add({name, ms(took, 1), QStringLiteral("30 ms"), took / 30.0});
}

// From the click on an idle panel to its frame's first byte on the line:
// the median over the clicks the probe made.
void clickFigure(const ProbeReport &report, const std::vector<PtyPeer::Arrival> &arrivals,
                 Table &table)
{
    const QString name = QStringLiteral("click to first byte (median)");
    const auto found = report.values.find(QStringLiteral("click"));
    if (found == report.values.end() || found->empty())
        return table.unmeasured(name, QStringLiteral("no clicks"));
    std::vector<double> delays;
    for (const long long clicked : *found) {
        const auto first = std::find_if(arrivals.begin(), arrivals.end(), [&](const auto &a) {
            return nanoseconds(a.at) >= clicked;
        });
        if (first == arrivals.end())
            return table.unmeasured(name, QStringLiteral("a click sent nothing"));
        delays.push_back(milliseconds(nanoseconds(first->at) - clicked));
    }
    std::sort(delays.begin(), delays.end());
    const double median = delays[delays.size() / 2];
    table.add({name, ms(median, 2), QStringLiteral("5 ms"), median / 5.0});
}

void sessionFigures(const Probe &probe, int idleSeconds, Table &table)
{
    PtyPeer peer;
    const ProbeReport report
        = probe.run({QStringLiteral("session"), QString::fromStdString(peer.slavePath()),
                     QString::number(idleSeconds * 1000)},
                    90000 + idleSeconds * 1000);
    const QStringList names{"memory after start-up",
                            "memory after a preset recall",
                            "longest stall: first start",
                            "click to first byte (median)",
                            "recall: total",
                            "recall: smallest gap",
                            "longest stall: preset recall",
                            "text upload: total",
                            "text upload: smallest gap",
                            "longest stall: text upload",
                            "longest stall: Stop",
                            "idle CPU"};
    if (!report.error.isEmpty()) {
        for (const QString &name : names)
            table.unmeasured(name, report.error);
        return;
    }
    memoryFigure(report, "rss-start", names[0], table);
    memoryFigure(report, "rss-recall", names[1], table);

    const auto arrivals = peer.arrivals();
    stallFigure(report, "first-start-stall", names[2], table);
    clickFigure(report, arrivals, table);

    const Nanoseconds recallBegin = report.value("recall", 0);
    const Nanoseconds textBegin = report.value("text", 0);
    const Nanoseconds stopBegin = report.value("stop", 0);
    // Each frame is 11 bytes: 16 for a recall, 24 for the text.
    pacingFigures(QStringLiteral("recall"), frameStarts(arrivals, recallBegin, textBegin, 11),
                  report.value("recall", 1), 16, 100.0, table);
    stallFigure(report, "recall-stall", names[6], table);
    pacingFigures(QStringLiteral("text upload"), frameStarts(arrivals, textBegin, stopBegin, 11),
                  report.value("text", 1), 24, 50.0, table);
    stallFigure(report, "text-stall", names[9], table);
    stallFigure(report, "stop-stall", names[10], table);

    const long long cpuUs = report.value("idle", 0);
    const long long wallUs = report.value("idle", 1);
    if (cpuUs < 0 || wallUs <= 0)
        return table.unmeasured(names[11], QStringLiteral("no idle report"));
    const double percent = 100.0 * static_cast<double>(cpuUs) / static_cast<double>(wallUs);
    table.add({QStringLiteral("idle CPU over %1 s").arg(idleSeconds),
               QString::number(percent, 'f', 2) + QStringLiteral(" %"),
               QStringLiteral("1 % of one core"), percent / 1.0});
}

// camdeck-ctl from process start to exit, the far end a pseudo-terminal: one
// set (the greeting's 0.25 s, one frame's 0.1 s and the farewell are its
// floor), and a preset recall, whose 16 frames must add 1.6 s to that floor
// and no more. The floor is measured: the set's median less its one frame.
void ctlFigures(const QString &home, int runs, int presetRuns, Table &table)
{
    const QString setName = QStringLiteral("ctl set: run (median of %1)").arg(runs);
    const QString presetName = QStringLiteral("ctl preset: run (median of %1)").arg(presetRuns);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), home);
    std::optional<PtyPeer> peer;
    QString error;
    const auto timed = [&](const QStringList &command) -> std::optional<double> {
        peer.emplace();
        QProcess process;
        process.setProcessEnvironment(environment);
        const Nanoseconds spawned = nanoseconds(PtyPeer::Clock::now());
        process.start(QCoreApplication::applicationDirPath() + QStringLiteral("/camdeck-ctl"),
                      QStringList{QStringLiteral("-d"), QString::fromStdString(peer->slavePath())}
                          + command);
        if (!process.waitForFinished(10000) || process.exitStatus() != QProcess::NormalExit
            || process.exitCode() != 0) {
            error = QStringLiteral("camdeck-ctl failed: %1").arg(process.errorString());
            return std::nullopt;
        }
        return milliseconds(nanoseconds(PtyPeer::Clock::now()) - spawned);
    };
    const auto median = [&](const QStringList &command, int count) -> std::optional<double> {
        std::vector<double> took;
        for (int i = 0; i < count; ++i) {
            const std::optional<double> ms = timed(command);
            if (!ms)
                return std::nullopt;
            took.push_back(*ms);
        }
        std::sort(took.begin(), took.end());
        return (took[(count - 1) / 2] + took[count / 2]) / 2;
    };

    const QStringList set{QStringLiteral("set"), QStringLiteral("alc-level"), QStringLiteral("12")};
    timed(set); // untimed: the program and its libraries into the page cache
    const std::optional<double> setMs = median(set, runs);
    if (!setMs) {
        table.unmeasured(setName, error);
        return table.unmeasured(presetName, error);
    }
    table.add({setName, ms(*setMs), QStringLiteral("500 ms"), *setMs / 500.0});

    const std::optional<double> presetMs
        = median({QStringLiteral("preset"), QStringLiteral("1")}, presetRuns);
    if (!presetMs)
        return table.unmeasured(presetName, error);
    const double floorMs = *setMs - 100.0;
    table.add({presetName, ms(*presetMs), QStringLiteral("1600 + %1 floor ± 3 %").arg(ms(floorMs)),
               std::abs(*presetMs - (1600.0 + floorMs)) / (0.03 * 1600.0)});

    // The last recall on the line: the greeting first, the farewell last. The
    // program can be seen to end before the peer's thread has read its farewell.
    peer->take(2 + 16 * 11 + 1);
    const auto arrivals = peer->arrivals();
    if (arrivals.size() < 2)
        return table.unmeasured(QStringLiteral("ctl preset: total"), QStringLiteral("no frames"));
    const Nanoseconds greeted = nanoseconds(arrivals.front().at);
    const Nanoseconds farewell = nanoseconds(arrivals.back().at);
    pacingFigures(QStringLiteral("ctl preset"), frameStarts(arrivals, greeted + 1, farewell, 11),
                  farewell, 16, 100.0, table);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Measures the panel and camdeck-ctl against their budgets: start-up, memory, pacing, "
        "idle."));
    parser.addHelpOption();
    const QCommandLineOption smoke(QStringLiteral("smoke"),
                                   QStringLiteral("Quick run for CI: idle measured over 2 s."));
    parser.addOption(smoke);
    parser.process(app);
    const int idleSeconds = parser.isSet(smoke) ? 2 : 10;

    QTemporaryDir home;
    if (!home.isValid()) {
        std::fprintf(stderr, "camdeck-bench: no temporary home: %s\n",
                     qPrintable(home.errorString()));
        return 1;
    }
    const Probe probe(home.path());

#ifdef CAMDECK_BENCH_SANITIZED
    const bool budgetsFail = false;
    std::printf("Built with sanitizers: the figures are not the shipped program's and only a "
                "failed measurement fails the run.\n");
#else
    const bool budgetsFail = true;
#endif
    Table table(budgetsFail);
    std::printf("camdeck benchmark%s: the panel offscreen, the line a pseudo-terminal.\n",
                parser.isSet(smoke) ? " (smoke run)" : "");
    std::fflush(stdout);
    sessionFigures(probe, idleSeconds, table);
    startupFigures(probe, parser.isSet(smoke) ? 8 : 20, table);
    ctlFigures(home.path(), parser.isSet(smoke) ? 3 : 9, parser.isSet(smoke) ? 1 : 3, table);
    const bool passed = table.print();
    std::printf("\nratio: the figure over its budget (up to 1.00 is within it). Gaps are "
                "time-stamped by the peer thread\nas it wakes on the pty master, so up to 5 ms "
                "of that thread's wake-up jitter is allowed in the smallest gap.\n"
                "Totals run from the first frame on the line to the panel being ready again (to "
                "camdeck-ctl's\nfarewell); a ctl run is from process start to exit. A total fails "
                "the run\nwhen more than 9 %% short or 50 %% long, a gap when under "
                "70 %% of the pause\n(unless the gap before it is as long again: the peer read "
                "that frame late), anything else past 3x.\n");
    if (!passed)
        std::printf("FAILED: a figure could not be measured or is far outside its budget.\n");
    return passed ? 0 : 1;
}
