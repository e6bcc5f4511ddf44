// How the panel does against its budgets: start-up time and peak memory, also
// beside a bare window with the same controls; the resident set; how long the
// window stalls; the pacing of a preset recall, of the text upload, of a
// mask pattern and of Send all as the line sees them; how soon a setup of
// junk is refused; what it spends sitting idle on an open port; and
// camdeck-ctl's run of one set and of a preset recall, from process start to
// exit. Through the panel on the session bus: camdeck-ctl's set, a
// call's reply after its bytes, and the stall while a script sends 100 calls.
// The panel runs in camdeck-bench-probe, a process of its own,
// offscreen, with a home directory of the benchmark's own; the line's far end
// is a pseudo-terminal here.
//
// Prints a row a figure with its ratio to the budget (1.00 is the budget).
// Exits non-zero only when a figure could not be measured or is plainly broken.
#include "protocol/camera.h"
#include "protocol/decoder.h"
#include "protocol/masks.h"
#include "util/ownprocess.h"
#include "util/pacing.h"
#include "util/programinfo.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

namespace {

using namespace camdeck;
using namespace std::chrono_literals;
using Ms = std::chrono::duration<double, std::milli>;

// The peer's thread time-stamps what it reads as it wakes: a gap it measures
// carries up to this much of its wake-up latency.
constexpr std::chrono::microseconds jitter = 5ms;

// A recall sends a one-byte frame for each control a preset keeps, as the text
// upload does for each position. Functions, not constants: the tables they
// read are statics of other files, not made yet when this file's are.
std::size_t frameSize()
{
    return commandFrame8(0, 0, 0).size();
}

std::size_t recallFrames()
{
    return static_cast<std::size_t>(std::ranges::count_if(
        protocol::controls(), [](const protocol::Control &c) { return c.keeps.any(); }));
}

template<class... Args> std::string text(const char *format, Args... args)
{
    char buffer[256];
    std::snprintf(buffer, sizeof buffer, format, args...);
    return buffer;
}

// A figure: ratio is the figure over its budget (NaN: it was not measured);
// broken, that it is far enough past the budget for something to be wrong.
struct Row {
    std::string name, measured, budget;
    double ratio;
    bool broken;
};
using Table = std::vector<Row>;

void add(Table &table, std::string name, std::string measured, std::string budget, double ratio)
{
    table.push_back({std::move(name), std::move(measured), std::move(budget), ratio, ratio > 3});
}

// A figure and its budget in one unit.
void add(Table &table, std::string name, double value, double budget, const char *unit,
         int decimals = 0)
{
    add(table, std::move(name), text("%.*f %s", decimals, value, unit), text("%g %s", budget, unit),
        value / budget);
}

void unmeasured(Table &table, std::string name, std::string why)
{
    add(table, std::move(name), "not measured", std::move(why), NAN);
}

// Prints the table; false when a figure is missing, or broken while budgets count.
bool print(const Table &table, bool budgetsCount)
{
    bool passed = true;
    const char *format = "%-36s %-14s %-30s %6s  %s\n";
    std::printf(format, "figure", "measured", "budget", "ratio", "verdict");
    for (const Row &row : table) {
        const bool failed = std::isnan(row.ratio) || (budgetsCount && row.broken);
        passed = passed && !failed;
        const char *verdict = failed ? "FAILED" : row.ratio <= 1 ? "ok" : "over budget";
        std::printf(format, row.name.c_str(), row.measured.c_str(), row.budget.c_str(),
                    std::isnan(row.ratio) ? "-" : text("%.2f", row.ratio).c_str(), verdict);
    }
    return passed;
}

double median(std::vector<double> values)
{
    std::ranges::sort(values);
    const std::size_t n = values.size();
    return n == 0 ? NAN : (values[(n - 1) / 2] + values[n / 2]) / 2;
}

// Runs a program beside this one to its end, meanwhile done while it runs
// (its input ends after it): why it failed, or "". The programs inherit this
// one's environment (see main()).
std::string run(const QString &program, const QStringList &arguments, int timeoutMs,
                QByteArray *output = nullptr, const std::function<void(QProcess &)> &meanwhile = {})
{
    QProcess process;
    process.start(QCoreApplication::applicationDirPath() + u'/' + program, arguments);
    if (meanwhile) {
        meanwhile(process);
        process.closeWriteChannel();
    }
    // What meanwhile waited on may have seen the program end already.
    const bool finished = process.waitForFinished(timeoutMs)
        || (process.state() == QProcess::NotRunning && process.error() != QProcess::FailedToStart);
    if (output)
        *output = process.readAllStandardOutput();
    if (finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0)
        return {};
    return QStringLiteral("%1 failed (%2, exit %3) %4")
        .arg(program, process.errorString())
        .arg(process.exitCode())
        .arg(QString::fromLocal8Bit(process.readAllStandardError().right(300)))
        .toStdString();
}

// What a probe run reported: lines of "key value [value]", or "error why".
// Times are steady-clock nanoseconds, as the peer's.
struct Report {
    std::string error;
    QMap<QByteArray, QList<qint64>> values;
    qint64 value(const char *key, int i = 0) const { return values.value(key).value(i, -1); }
    TimePoint at(const char *key, int i = 0) const
    {
        return TimePoint(std::chrono::nanoseconds(value(key, i)));
    }
};

Report probe(const QStringList &arguments, int timeoutMs,
             const std::function<void(QProcess &)> &meanwhile = {})
{
    Report report;
    QByteArray output;
    report.error
        = run(QStringLiteral("camdeck-bench-probe"), arguments, timeoutMs, &output, meanwhile);
    for (const QByteArray &line : output.split('\n')) {
        const QList<QByteArray> words = line.split(' ');
        for (qsizetype i = 1; i < words.size(); ++i)
            report.values[words[0]].append(words[i].toLongLong());
        if (words[0] == "error")
            report.error = line.mid(6).toStdString();
    }
    return report;
}

// From the first piece on the line to the sender being ready again takes
// the pauses its pieces want, within 3 %.
void totalRow(Table &table, const std::string &what, TimePoint first, TimePoint ready, Ms nominal)
{
    const Ms took = ready - first;
    add(table, what + ": total", text("%.1f ms", took.count()),
        text("%.0f ms within 3 %%", nominal.count()), std::abs(took / nominal - 1) / 0.03);
}

// Pieces sent a pause apart: the smallest gap between two, then the smallest
// no late read explains. No gap may be short of the pause, but the peer may
// stamp a piece up to jitter late, never early: the ratio is util/pacing's,
// over 1 exactly when pacingFault finds a run of pieces short of its pauses
// by more than that. A piece read late makes the gap before it long and the
// one after it short: a gap under 70 % of the pause is broken only when no
// late read explains it.
void gapRow(Table &table, const std::string &what, const std::vector<TimePoint> &starts,
            std::size_t pieces, std::chrono::milliseconds pause)
{
    if (starts.size() != pieces)
        return unmeasured(table, what, pacingFault(starts, pieces, pause, jitter));
    const Ms unexplained = smallestUnexplainedGap(starts, pause, jitter);
    table.push_back({what + ": smallest gap",
                     text("%.1f/%.1f ms", Ms(smallestGap(starts)).count(), unexplained.count()),
                     text(">= %.0f ms", Ms(pause).count()), pacingRatio(starts, pause, jitter),
                     unexplained < 0.7 * Ms(pause)});
}

// Pieces a pause apart, and their total when the sender said when it was ready.
void pacingRows(Table &table, const std::string &what, const std::vector<TimePoint> &starts,
                std::size_t pieces, std::chrono::milliseconds pause,
                std::optional<TimePoint> ready = std::nullopt)
{
    if (ready && starts.size() == pieces)
        totalRow(table, what, starts.front(), *ready, Ms(pause) * static_cast<double>(pieces));
    gapRow(table, what, starts, pieces, pause);
}

// The messages that came in [from, to) as the decoder splits them, each with
// the time its first byte came.
struct Message {
    TimePoint at;
    protocol::Event event;
};

std::vector<Message> messages(const std::vector<PtyPeer::Arrival> &arrivals, TimePoint from,
                              TimePoint to)
{
    protocol::Decoder decoder;
    std::vector<Message> found;
    std::vector<std::pair<std::size_t, TimePoint>> chunks; // where each begins in the stream
    std::size_t fed = 0, taken = 0;
    const auto take = [&](std::vector<protocol::Event> events) {
        for (protocol::Event &event : events) {
            const auto chunk
                = std::ranges::upper_bound(chunks, taken, {}, &decltype(chunks)::value_type::first);
            taken += event.bytes.size();
            found.push_back({std::prev(chunk)->second, std::move(event)});
        }
    };
    for (const PtyPeer::Arrival &arrival : arrivals) {
        if (arrival.at < from || arrival.at >= to)
            continue;
        chunks.emplace_back(fed, arrival.at);
        fed += arrival.bytes.size();
        take(decoder.feed(arrival.bytes));
    }
    take(decoder.flush());
    return found;
}

// What the panel waits after a message Send all sends: 0.1 s after a frame,
// 0.05 s after a text frame or a mask packet, nothing after a switch packet;
// -1 ms for anything else.
std::chrono::milliseconds pauseAfter(const protocol::Event &event)
{
    using Kind = protocol::Event::Kind;
    if (event.kind == Kind::Frame)
        return protocol::textPosition({event.group(), event.index()}) ? protocol::textFramePause
                                                                      : framePause;
    if (event.kind == Kind::MaskShow || event.kind == Kind::MaskDefine)
        return maskPacketPause;
    return event.kind == Kind::Switch ? 0ms : -1ms;
}

// Send all: every control's frame, the switch packets, the text and the mask
// as last drawn (pattern 2), one job. Its total is the sum of the pauses its
// messages want; each run of messages that want the same pause is paced as
// pieces are, up to the first message after it.
void sendAllRows(Table &table, const std::vector<PtyPeer::Arrival> &arrivals, TimePoint begin,
                 TimePoint ready)
{
    const std::vector<Message> sent = messages(arrivals, begin, ready);
    const std::size_t expected = protocol::controls().size() + protocol::switches().size()
        + protocol::textPositions + maskSequence(2).size();
    const bool known
        = std::ranges::none_of(sent, [](const Message &m) { return pauseAfter(m.event) < 0ms; });
    if (sent.size() != expected || !known)
        return unmeasured(table, "send all",
                          text("%zu messages came, not %zu%s", sent.size(), expected,
                               known ? "" : ", some not Send all's"));
    Ms nominal{0};
    for (const Message &m : sent)
        nominal += pauseAfter(m.event);
    totalRow(table, "send all", sent.front().at, ready, nominal);
    for (std::size_t first = 0, end = 0; first < sent.size(); first = end) {
        const std::chrono::milliseconds pause = pauseAfter(sent[first].event);
        std::vector<TimePoint> starts;
        for (end = first; end < sent.size() && pauseAfter(sent[end].event) == pause; ++end)
            starts.push_back(sent[end].at);
        if (end < sent.size())
            starts.push_back(sent[end].at);
        if (pause > 0ms)
            gapRow(table, pause == framePause ? "send all: frames" : "send all: text, mask", starts,
                   starts.size(), pause);
    }
}

// The panel on a first start in an empty home, at work as the probe's session
// drives it, then on the bus, and idle on the open port.
void sessionRows(Table &table, int idleSeconds, int runs)
{
    PtyPeer peer;
    const QString device = QString::fromStdString(peer.slavePath());
    // While the probe's window holds the port: camdeck-ctl's set through it,
    // process start to exit (the probe's script has already brought
    // camdeck-ctl into the page cache); then calls of this program's own. Each
    // once the last frame's pause is over, the queue idle: run back to back,
    // a set would wait out the one before it.
    std::vector<double> ctlRuns;
    std::vector<std::pair<TimePoint, TimePoint>> calls; // asked, answered
    std::string busError;
    const auto onTheBus = [&](QProcess &process) {
        const auto held = [&process] { return process.peek(1 << 16).contains("\nholding "); };
        while (!held() && process.waitForReadyRead(90000)) { }
        if (!held())
            return;
        for (int i = 0; i < runs && busError.empty(); ++i) {
            std::this_thread::sleep_for(150ms);
            const TimePoint spawned = PtyPeer::Clock::now();
            busError = run(QStringLiteral("camdeck-ctl"),
                           {QStringLiteral("-d"), device, QStringLiteral("set"),
                            QStringLiteral("alc-level"), QStringLiteral("12")},
                           10000);
            ctlRuns.push_back(Ms(PtyPeer::Clock::now() - spawned).count());
        }
        const QString id = QLatin1String(camdeckAppId);
        QDBusMessage set = QDBusMessage::createMethodCall(
            QStringLiteral("%1.instance%2").arg(id).arg(process.processId()),
            QStringLiteral("/Panel"), id + QStringLiteral(".Panel"), QStringLiteral("Set"));
        for (int i = 0; i < runs && busError.empty(); ++i) {
            std::this_thread::sleep_for(150ms);
            set.setArguments({QStringLiteral("alc-level"), QString::number(10 + i % 2)});
            const TimePoint asked = PtyPeer::Clock::now();
            const QDBusMessage reply = QDBusConnection::sessionBus().call(set, QDBus::Block, 5000);
            calls.emplace_back(asked, PtyPeer::Clock::now());
            if (reply.type() != QDBusMessage::ReplyMessage)
                busError = "the Set call failed: " + reply.errorMessage().toStdString();
        }
    };
    const Report report
        = probe({QStringLiteral("session"), device, QString::number(idleSeconds * 1000)},
                90000 + idleSeconds * 1000, onTheBus);
    if (!report.error.empty())
        return unmeasured(table, "the panel's session", report.error);
    add(table, "memory after start-up", report.value("rss-start") / 1024.0, 80, "MB", 1);
    add(table, "memory after a preset recall", report.value("rss-recall") / 1024.0, 80, "MB", 1);
    // How long the window went without answering: the longest gap between two
    // ticks of a 5 ms timer on its thread.
    for (const char *what : {"first-start", "recall", "text", "stop", "send-all"}) {
        const Ms stall = std::chrono::nanoseconds(report.value(QByteArray(what) + "-stall"));
        add(table, text("longest stall: %s", what), stall.count(), 30, "ms", 1);
    }

    // From a click on an idle panel to its frame's first byte on the line.
    const std::vector<PtyPeer::Arrival> arrivals = peer.arrivals();
    std::vector<double> delays;
    for (const qint64 ns : report.values.value("click")) {
        const TimePoint clicked{std::chrono::nanoseconds(ns)};
        const auto first = std::ranges::find_if(
            arrivals, [&](const PtyPeer::Arrival &a) { return a.at >= clicked; });
        delays.push_back(first == arrivals.end() ? INFINITY : Ms(first->at - clicked).count());
    }
    add(table, "click to first byte (median)", median(delays), 5, "ms", 2);

    // A click's pieces are those that came before the next click.
    const auto starts = [&](const char *from, const char *to, std::size_t size) {
        return pieceStarts(arrivals, size, report.at(from), report.at(to));
    };
    pacingRows(table, "recall", starts("recall", "text", frameSize()), recallFrames(), framePause,
               report.at("recall", 1));
    pacingRows(table, "text upload", starts("text", "mask", frameSize()), protocol::textPositions,
               protocol::textFramePause, report.at("text", 1));
    pacingRows(table, "mask pattern 2", starts("mask", "stop", Packet().size()),
               maskSequence(2).size(), maskPacketPause);
    sendAllRows(table, arrivals, report.at("send-all"), report.at("send-all", 1));

    // Setups of 100 000 junk lines from the File menu: from the path chosen
    // to the refusal in the status bar; nothing goes out on the line.
    for (const auto &[key, what] :
         {std::pair{"junk-walked", "read to the end"}, std::pair{"junk-big", "over 256 kB"}}) {
        const std::string name = text("junk setup refused: %s", what);
        if (report.value(key, 1) < 0)
            unmeasured(table, name, "not refused as a setup of junk is");
        else
            add(table, name, Ms(report.at(key, 1) - report.at(key)).count(), 200, "ms", 2);
    }
    const std::size_t junkSent
        = messages(arrivals, report.at("junk-walked"), report.at("send-all")).size();
    if (junkSent > 0)
        unmeasured(table, "junk setups", text("%zu messages went out", junkSent));
    const double idlePercent = 100.0 * report.value("idle") / report.value("idle", 1);
    add(table, text("idle CPU over %d s", idleSeconds), idlePercent, 1, "%", 2);

    if (!report.values.contains("holding"))
        return unmeasured(table, "the panel on the bus",
                          "no session bus (nor dbus-run-session to start one)");
    if (!busError.empty())
        return unmeasured(table, "the panel on the bus", busError);
    const Ms scriptStall = std::chrono::nanoseconds(report.value("script-stall"));
    add(table, "longest stall: script's 100 calls", scriptStall.count(), 30, "ms", 1);
    add(table, text("ctl set via panel (median of %d)", runs), median(ctlRuns), 60, "ms");
    // From the call's first byte on the line to its reply.
    std::vector<double> replies;
    for (const auto &[asked, answered] : calls) {
        const auto first = std::ranges::find_if(
            arrivals, [&](const PtyPeer::Arrival &a) { return a.at >= asked; });
        replies.push_back(first == arrivals.end() ? INFINITY : Ms(answered - first->at).count());
    }
    add(table, "bus call: reply after bytes (median)", median(replies), 5, "ms", 2);
}

// The panel's start-up against a plain window with as many of each control
// (the probe's "bare" mode), in turns so that both see the same machine: which
// goes first alternates from pair to pair. Start-up is process start to the
// window first exposed; memory is the peak resident set (VmHWM) once what the
// window left for after its first paint is done.
void startupRows(Table &table, int runs)
{
    const QString modes[2] = {QStringLiteral("startup"), QStringLiteral("bare")};
    // Untimed first runs: the program and its libraries into the page cache.
    for (const QString &mode : modes)
        probe({mode}, 30000);
    std::vector<double> took[2], peak[2];
    for (int i = 0; i < 2 * runs; ++i) {
        const int mode = (i + i / 2) % 2; // panel, bare; bare, panel; ...
        const TimePoint spawned = PtyPeer::Clock::now();
        const Report report = probe({modes[mode]}, 30000);
        if (!report.error.empty())
            return unmeasured(table, "start-up", report.error);
        took[mode].push_back(Ms(report.at("shown") - spawned).count());
        peak[mode].push_back(report.value("hwm") / 1024.0);
    }
    add(table, text("start-up (median of %d)", runs), median(took[0]), 300, "ms");
    const double time = median(took[0]) / median(took[1]);
    add(table, "start-up / bare window", text("%.2fx", time),
        text("1.10x (bare %.0f ms)", median(took[1])), time / 1.10);
    const double memory = median(peak[0]) / median(peak[1]);
    add(table, "peak memory / bare window", text("%.2fx", memory),
        text("1.05x (%.1f / %.1f MB)", median(peak[0]), median(peak[1])), memory / 1.05);
}

// camdeck-ctl from process start to exit, the far end a pseudo-terminal: one
// set, whose floor is the greeting's wait, one frame's pause and the farewell;
// and a preset recall, whose frames must add their pauses to that floor and no
// more. The floor is measured: the set's median less its one frame's pause.
void ctlRows(Table &table, int runs, int presetRuns)
{
    std::optional<PtyPeer> peer;
    std::string error;
    const auto medianRun = [&](const QStringList &command, int count) {
        std::vector<double> took;
        for (int i = 0; i < count && error.empty(); ++i) {
            peer.emplace();
            const TimePoint spawned = PtyPeer::Clock::now();
            const QString device = QString::fromStdString(peer->slavePath());
            error = run(QStringLiteral("camdeck-ctl"),
                        QStringList{QStringLiteral("-d"), device} + command, 10000);
            took.push_back(Ms(PtyPeer::Clock::now() - spawned).count());
        }
        return median(took);
    };
    const QStringList set{QStringLiteral("set"), QStringLiteral("alc-level"), QStringLiteral("12")};
    medianRun(set, 1); // untimed: the program and its libraries into the page cache
    const double setMs = medianRun(set, runs);
    const double presetMs = medianRun({QStringLiteral("preset"), QStringLiteral("1")}, presetRuns);
    if (!error.empty())
        return unmeasured(table, "camdeck-ctl", error);
    add(table, text("ctl set: run (median of %d)", runs), setMs, 500, "ms");
    const double recallMs = Ms(framePause).count() * static_cast<double>(recallFrames());
    const double floorMs = setMs - Ms(framePause).count();
    add(table, text("ctl preset: run (median of %d)", presetRuns), text("%.0f ms", presetMs),
        text("%.0f + %.0f ms floor within 3 %%", recallMs, floorMs),
        std::abs((presetMs - floorMs) / recallMs - 1) / 0.03);

    // The last recall on the line, between the greeting and the farewell. The
    // program can be seen to end before the peer's thread has read its farewell.
    peer->take(portGreeting.size() + recallFrames() * frameSize() + sizeof portFarewell);
    const std::vector<PtyPeer::Arrival> arrivals = peer->arrivals();
    const TimePoint greeted = arrivals.empty() ? TimePoint() : arrivals.front().at;
    const TimePoint farewell = arrivals.empty() ? TimePoint() : arrivals.back().at;
    pacingRows(table, "ctl preset", pieceStarts(arrivals, frameSize(), greeted + 1ns, farewell),
               recallFrames(), framePause, farewell);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    // The panel registers on the session bus, where camdeck-ctl finds it:
    // without one, the run goes on in a bus of its own, when dbus-run-session
    // is there to start it.
    onASessionBus(argc, argv);
    const bool smoke = QCoreApplication::arguments().contains(QStringLiteral("--smoke"));
    QTemporaryDir home;
    if (!home.isValid()) {
        std::fprintf(stderr, "camdeck-bench: no home: %s\n", qPrintable(home.errorString()));
        return 1;
    }
    // What the programs it starts inherit: a home of their own for the preset
    // files, no screen, and nothing logged in between the figures.
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_LOGGING_RULES", "*=false");

    if (CAMDECK_BENCH_SANITIZED)
        std::printf("Built with sanitizers: the figures are not the shipped program's, and only "
                    "a figure not measured fails the run.\n");
    std::printf("camdeck benchmark%s: the panel offscreen, the line a pseudo-terminal.\n",
                smoke ? " (smoke run)" : "");
    std::fflush(stdout);
    Table table;
    sessionRows(table, smoke ? 2 : 10, smoke ? 5 : 9);
    startupRows(table, smoke ? 8 : 20);
    ctlRows(table, smoke ? 3 : 9, smoke ? 1 : 3);
    const bool passed = print(table, !CAMDECK_BENCH_SANITIZED);
    std::printf(
        "\nA gap row shows the smallest gap, then the smallest no late read explains. No gap may\n"
        "be short of its pause, but the peer's thread stamps what it reads as it wakes, up to\n"
        "5 ms late: every run of pieces must span its pauses less 5 ms (pauses kept exactly\n"
        "read just under 1.00). Over budget is reported; the run fails when a figure is not\n"
        "measured or is plainly broken: past 3x its budget (a total 9 %% out), or a gap under\n"
        "70 %% of its pause that no late read explains.\n");
    return passed ? 0 : 1;
}
