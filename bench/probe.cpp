// The panel as the benchmark measures it: started the way the camdeck program
// starts it, in a process of its own, reporting on stdout what the benchmark
// times. Times are steady-clock nanoseconds, which every process on the machine
// shares, so the benchmark compares them with its own clock and the pty's.
//
//   camdeck-bench-probe startup            window first exposed, resident set, then
//                                          the peak resident set once the work the
//                                          window left for after its first paint is
//                                          done, exit
//   camdeck-bench-probe bare               the same for a plain window with as many
//                                          of each control, and nothing behind them
//   camdeck-bench-probe session PATH MS    open PATH on a first start, click the
//                                          colour bar a few times, recall preset 1,
//                                          upload the text, stop the drive, then sit
//                                          idle for MS milliseconds
#include "mainwindow.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEventLoop>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace {

long long now()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void report(const char *key, long long a, long long b = -1)
{
    if (b < 0)
        std::printf("%s %lld\n", key, a);
    else
        std::printf("%s %lld %lld\n", key, a, b);
    std::fflush(stdout);
}

// A line of /proc/self/status in kB (VmRSS: resident now; VmHWM: its peak), or -1.
long long statusKilobytes(const QByteArray &key = "VmRSS:")
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

long long residentKilobytes()
{
    return statusKilobytes();
}

long long cpuMicroseconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto us = [](const timeval &t) { return t.tv_sec * 1000000LL + t.tv_usec; };
    return us(usage.ru_utime) + us(usage.ru_stime);
}

// Reports "shown" the moment the window is first exposed, then quits.
class FirstExposure : public QObject {
public:
    explicit FirstExposure(QWindow *window)
        : m_window(window)
    {
        if (m_window->isExposed())
            shown();
        else
            m_window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Expose && m_window->isExposed()) {
            m_window->removeEventFilter(this);
            shown();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    void shown()
    {
        report("shown", now());
        report("rss", residentKilobytes());
        // What the window queued for after its first paint (the port list)
        // runs before the second of these turns of the event loop.
        QTimer::singleShot(0, qApp, [] {
            QTimer::singleShot(0, qApp, [] {
                report("hwm", statusKilobytes("VmHWM:"));
                QCoreApplication::quit();
            });
        });
    }

    QWindow *m_window;
};

int startup()
{
    MainWindow::prepareApplication();
    MainWindow window;
    window.show();
    FirstExposure exposure(window.windowHandle());
    return QApplication::exec();
}

// A plain window with as many of each control as the panel's .ui has (counted
// when the benchmark is built), in as many group boxes, four columns of them
// in a scroll area, as big as the screen lets it be. It does nothing: what the
// panel's start-up costs over it is the panel's own doing.
int bare()
{
    QMainWindow window;
    auto *scroll = new QScrollArea;
    scroll->setWidgetResizable(true);
    auto *contents = new QWidget;
    auto *columns = new QHBoxLayout(contents);
    constexpr int columnCount = 4;
    QVBoxLayout *column[columnCount];
    for (auto &c : column) {
        c = new QVBoxLayout;
        columns->addLayout(c);
    }
    std::vector<QGridLayout *> grids;
    for (int g = 0; g < CAMDECK_UI_QGroupBox; ++g) {
        auto *box = new QGroupBox(QStringLiteral("Section %1").arg(g + 1));
        grids.push_back(new QGridLayout(box));
        column[g * columnCount / CAMDECK_UI_QGroupBox]->addWidget(box);
    }
    for (auto *c : column)
        c->addStretch();

    // One row a control, the groups in turn; a caption before it while there are captions.
    int labels = CAMDECK_UI_QLabel - CAMDECK_UI_QSlider;
    std::size_t next = 0;
    const auto row = [&](QWidget *control, QWidget *after = nullptr) {
        QGridLayout *grid = grids[next++ % grids.size()];
        const int r = grid->rowCount();
        if (labels-- > 0)
            grid->addWidget(new QLabel(QStringLiteral("Caption")), r, 0);
        grid->addWidget(control, r, 1);
        if (after)
            grid->addWidget(after, r, 2);
    };
    for (int i = 0; i < CAMDECK_UI_QSlider; ++i) {
        auto *slider = new QSlider(Qt::Horizontal);
        slider->setMinimumWidth(150);
        auto *value = new QLabel(QStringLiteral("0"));
        value->setMinimumWidth(64);
        row(slider, value);
    }
    for (int i = 0; i < CAMDECK_UI_QComboBox; ++i) {
        auto *combo = new QComboBox;
        for (int item = i; item < CAMDECK_UI_comboItems; item += CAMDECK_UI_QComboBox)
            combo->addItem(QStringLiteral("Item %1").arg(item));
        row(combo);
    }
    for (int i = 0; i < CAMDECK_UI_QCheckBox; ++i)
        row(new QCheckBox(QStringLiteral("Check box %1").arg(i)));
    for (int i = 0; i < CAMDECK_UI_QPushButton; ++i)
        row(new QPushButton(QStringLiteral("Button %1").arg(i)));
    for (int i = 0; i < CAMDECK_UI_QLineEdit; ++i)
        row(new QLineEdit);
    while (labels > 0)
        row(new QLabel(QStringLiteral("Label")));

    scroll->setWidget(contents);
    window.setCentralWidget(scroll);
    window.resize(window.screen()->availableSize());
    window.show();
    FirstExposure exposure(window.windowHandle());
    return QApplication::exec();
}

template<class T> T *control(MainWindow &window, const char *name)
{
    T *found = window.findChild<T *>(QLatin1String(name));
    if (!found)
        qFatal("no control %s", name);
    return found;
}

// Ticks every 5 ms on the window's thread: the longest gap between two ticks
// is the longest the window could not have answered its user.
class StallMeter : public QObject {
public:
    StallMeter()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(5);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            const long long t = now();
            m_longest = std::max(m_longest, t - m_last);
            m_last = t;
        });
        m_timer.start();
        reset();
    }
    void reset()
    {
        m_last = now();
        m_longest = 0;
    }
    long long longest() const { return std::max(m_longest, now() - m_last); }
    void stop() { m_timer.stop(); }

private:
    QTimer m_timer;
    long long m_last = 0;
    long long m_longest = 0;
};

// Runs the event loop, never sleeping in it, until done() holds; false after timeoutMs.
template<class Done> bool runUntil(Done done, int timeoutMs)
{
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    check.start(1);
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
    return done();
}

// The queue has written all the window gave it, and the window has taken all
// the queue reported (a report may queue more: the greeting's answer starts
// the presets), twice in a row.
bool waitUntilReady(MainWindow &window, int timeoutMs = 30000)
{
    int idleChecks = 0;
    return runUntil(
        [&] { return window.line().busy() ? (idleChecks = 0, false) : ++idleChecks >= 3; },
        timeoutMs);
}

// Clicks a button as a user does and waits until the panel is ready again:
// reports when the click began, when the panel was ready, and the longest
// the window stalled meanwhile.
bool timedClick(const char *key, QAbstractButton *button, StallMeter &stalls)
{
    stalls.reset();
    const long long begin = now();
    QTest::mouseClick(button, Qt::LeftButton);
    if (!waitUntilReady(*qobject_cast<MainWindow *>(button->window())))
        return false;
    report(key, begin, now());
    report((std::string(key) + "-stall").c_str(), stalls.longest());
    return true;
}

int session(const QString &path, int idleMilliseconds)
{
    MainWindow window({path});
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        std::printf("error the window was never exposed\n");
        return 1;
    }
    report("rss-start", residentKilobytes());
    StallMeter stalls;

    // A first start in an empty home: picking the port greets the device,
    // creates the five preset files with a recall each, and recalls preset 1.
    auto *tty = control<QComboBox>(window, "ttySelect");
    tty->showPopup();
    QAbstractItemView *list = tty->view();
    runUntil([list] { return list->isVisible(); }, 5000);
    const QRect item = list->visualRect(list->model()->index(tty->findText(path), 0));
    stalls.reset();
    const long long picked = now();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, item.center());
    if (!runUntil([&window] { return window.isConnected(); }, 5000) || !waitUntilReady(window)) {
        std::printf("error %s did not open\n", qPrintable(path));
        return 1;
    }
    report("first-start", picked, now());
    report("first-start-stall", stalls.longest());

    // Click to first byte with the queue idle: the colour bar, on and off.
    auto *colourBar = control<QCheckBox>(window, "colorbarSelect");
    for (int i = 0; i < 6; ++i) {
        runUntil([] { return false; }, 150);
        report("click", now());
        colourBar->click();
        waitUntilReady(window);
    }

    bool measured = timedClick("recall", control<QPushButton>(window, "preset1Button"), stalls);
    report("rss-recall", residentKilobytes());
    QTest::keyClicks(control<QLineEdit>(window, "textstringSelect"), "BENCH 0123456789");
    measured
        = measured && timedClick("text", control<QPushButton>(window, "textupdateSelect"), stalls);
    measured = measured && timedClick("stop", control<QPushButton>(window, "buttonStop"), stalls);
    if (!measured) {
        std::printf("error the panel was not ready again within 30 s\n");
        return 1;
    }

    // Nothing happening: whatever the panel spends now is its own watching.
    stalls.stop();
    const long long cpuBefore = cpuMicroseconds();
    const long long wallBefore = now();
    QEventLoop idle;
    QTimer::singleShot(idleMilliseconds, &idle, &QEventLoop::quit);
    idle.exec();
    report("idle", cpuMicroseconds() - cpuBefore, (now() - wallBefore) / 1000);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("camdeck"));
    const QStringList args = QApplication::arguments();
    if (args.size() == 2 && args[1] == QLatin1String("startup"))
        return startup();
    if (args.size() == 2 && args[1] == QLatin1String("bare"))
        return bare();
    if (args.size() == 4 && args[1] == QLatin1String("session"))
        return session(args[2], args[3].toInt());
    std::fprintf(stderr, "usage: camdeck-bench-probe startup | bare | session PATH IDLE_MS\n");
    return 2;
}
