// The panel as the benchmark measures it: started the way the camdeck program
// starts it, in a process of its own, reporting on stdout what the benchmark
// times. Times are steady-clock nanoseconds, which every process on the machine
// shares, so the benchmark compares them with its own clock and the pty's.
//
//   camdeck-bench-probe startup            window first exposed, then the peak
//                                          resident set once the work the window
//                                          left for after its first paint is done
//   camdeck-bench-probe bare               the same for a plain window with as many
//                                          of each control, and nothing behind them
//   camdeck-bench-probe session PATH MS    open PATH on a first start, click the
//                                          colour bar a few times, recall preset 1,
//                                          upload the text, draw mask pattern 2,
//                                          stop the drive, open two setups of
//                                          100 000 junk lines and Send all from
//                                          the File menu; with a session bus, run
//                                          a script of 100 switch calls through it,
//                                          report "holding" and wait, the port open,
//                                          until stdin ends (a client's turn); then
//                                          sit idle for MS milliseconds
#include "findchild.h"
#include "mainwindow.h"
#include "setupmenu.h"
#include "util/ownprocess.h"
#include "util/windowdriver.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDBusConnection>
#include <QEventLoop>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QProcess>
#include <QPushButton>
#include <QRandomGenerator>
#include <QScreen>
#include <QScrollArea>
#include <QSlider>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <functional>
#include <vector>

#include <unistd.h>

namespace {

long long now()
{
    return std::chrono::steady_clock::now().time_since_epoch() / std::chrono::nanoseconds(1);
}

void report(const QByteArray &key, long long a, long long b = -1)
{
    std::printf(b < 0 ? "%s %lld\n" : "%s %lld %lld\n", key.constData(), a, b);
    std::fflush(stdout);
}

// Reports "shown" the moment a window is first exposed; then, once what the
// window queued for after its first paint (the port list) has run, which is
// before the second of two turns of the event loop, its peak memory; and quits.
class FirstExposure : public QObject {
protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *window = qobject_cast<QWindow *>(watched);
        if (event->type() != QEvent::Expose || !window || !window->isExposed())
            return false;
        qApp->removeEventFilter(this);
        report("shown", now());
        QTimer::singleShot(0, qApp, [] {
            QTimer::singleShot(0, qApp, [] {
                report("hwm", statusKilobytes("VmHWM:"));
                QCoreApplication::quit();
            });
        });
        return false;
    }
};

int showUntilExposed(QWidget &window)
{
    FirstExposure exposure;
    qApp->installEventFilter(&exposure);
    window.show();
    return QApplication::exec();
}

// A plain window with as many of each control as the panel's .ui has (counted
// when the benchmark is built), in as many group boxes, four columns of them
// in a scroll area, as big as the screen lets it be. It does nothing: what the
// panel's start-up costs over it is the panel's own doing.
int bare()
{
    QMainWindow window;
    auto *contents = new QWidget;
    auto *boxes = new QGridLayout(contents);
    const int rows = (CAMDECK_UI_QGroupBox + 3) / 4; // in four columns
    std::vector<QGridLayout *> grids;
    for (int g = 0; g < CAMDECK_UI_QGroupBox; ++g) {
        auto *box = new QGroupBox(QStringLiteral("Section %1").arg(g + 1));
        grids.push_back(new QGridLayout(box));
        boxes->addWidget(box, g % rows, g / rows, Qt::AlignTop);
    }

    // One row a control, the groups in turn; a caption before it while there are captions.
    int captions = CAMDECK_UI_QLabel - CAMDECK_UI_QSlider;
    std::size_t next = 0;
    const auto row = [&](QWidget *control, QWidget *after = nullptr) -> QWidget * {
        QGridLayout *grid = grids[next++ % grids.size()];
        const int r = grid->rowCount();
        if (captions-- > 0)
            grid->addWidget(new QLabel(QStringLiteral("Caption")), r, 0);
        grid->addWidget(control, r, 1);
        if (after)
            grid->addWidget(after, r, 2);
        return control;
    };
    for (int i = 0; i < CAMDECK_UI_QSlider; ++i) {
        auto *value = new QLabel(QStringLiteral("0"));
        value->setMinimumWidth(64);
        row(new QSlider(Qt::Horizontal), value)->setMinimumWidth(150);
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
    while (captions > 0)
        row(new QLabel(QStringLiteral("Label")));

    auto *scroll = new QScrollArea;
    scroll->setWidgetResizable(true);
    scroll->setWidget(contents);
    window.setCentralWidget(scroll);
    window.resize(window.screen()->availableSize());
    return showUntilExposed(window);
}

int session(const QString &path, int idleMilliseconds)
{
    MainWindow window({path});
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        std::printf("error the window was never exposed\n");
        return 1;
    }
    report("rss-start", statusKilobytes("VmRSS:"));
    // The longest the window could not have answered its user since the last
    // reset: the longest gap between two ticks of a 5 ms timer on its thread.
    long long lastTick = now();
    long long longestGap = 0;
    QTimer ticks;
    ticks.setTimerType(Qt::PreciseTimer);
    ticks.callOnTimeout([&] {
        longestGap = std::max(longestGap, now() - lastTick);
        lastTick = now();
    });
    ticks.start(5);
    const auto resetStalls = [&] {
        lastTick = now();
        longestGap = 0;
    };
    const auto longestStall = [&] { return std::max(longestGap, now() - lastTick); };

    // A first start in an empty home: picking the port greets the device,
    // creates the five preset files with a recall each, and recalls preset 1.
    auto *tty = requireChild<QComboBox>(&window, QStringLiteral("ttySelect"));
    tty->showPopup();
    QAbstractItemView *list = tty->view();
    waitUntil([list] { return list->isVisible(); }, 5000);
    const QRect item = list->visualRect(list->model()->index(tty->findText(path), 0));
    resetStalls();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, item.center());
    if (!waitUntil([&window] { return window.isConnected(); }, 5000) || !settle(window.line())) {
        std::printf("error %s did not open\n", qPrintable(path));
        return 1;
    }
    report("first-start-stall", longestStall());

    // Click to first byte with the queue idle: the colour bar, on and off.
    auto *colourBar = requireChild<QCheckBox>(&window, QStringLiteral("colorbarSelect"));
    for (int i = 0; i < 6; ++i) {
        waitUntil([] { return false; }, 150);
        report("click", now());
        colourBar->click();
        settle(window.line());
    }

    // Each button clicked as a user does, then the panel left until it is
    // ready again: when the click began, when the panel was ready, and the
    // longest the window stalled meanwhile. The text is typed beforehand.
    const auto step = [&](const QByteArray &key, const std::function<void()> &act) {
        resetStalls();
        const long long begin = now();
        act();
        if (!settle(window.line())) {
            std::printf("error the panel was not ready again within 30 s\n");
            return false;
        }
        report(key, begin, now());
        report(key + "-stall", longestStall());
        return true;
    };
    QTest::keyClicks(requireChild<QLineEdit>(&window, QStringLiteral("textstringSelect")),
                     "BENCH 0123456789");
    for (const auto &[key, button] :
         {std::pair<QByteArray, const char *>{"recall", "preset1Button"},
          {"text", "textupdateSelect"},
          {"mask", "maskbutton2Select"},
          {"stop", "buttonStop"}}) {
        auto *pushButton = requireChild<QPushButton>(&window, QLatin1String(button));
        if (!step(key, [pushButton] { QTest::mouseClick(pushButton, Qt::LeftButton); }))
            return 1;
        if (key == "recall")
            report("rss-recall", statusKilobytes("VmRSS:"));
    }

    // Setups of 100 000 junk lines picked in File → Open setup…: from the
    // path chosen to the refusal in the status bar (none: -1). One the parser
    // walks to its last line; one past a setup's size, of random junk.
    QTemporaryDir junk;
    QString chosen;
    long long chosenAt = 0;
    window.setups().setPathChooser([&](bool) {
        chosenAt = now();
        return chosen;
    });
    const QByteArray walked = QByteArray("#\n").repeated(99999) + "no-such-control = 1\n";
    QByteArray big;
    for (int line = 0; line < 100000; ++line) {
        for (int c = QRandomGenerator::global()->bounded(8, 32); c > 0; --c)
            big += static_cast<char>(QRandomGenerator::global()->bounded(0x21, 0x7F));
        big += '\n';
    }
    auto *openSetup = requireChild<QAction>(&window, QStringLiteral("openSetupAction"));
    const auto refuse = [&](const char *key, const QByteArray &contents, const char *refusal) {
        chosen = junk.filePath(QLatin1String(key));
        QFile file(chosen);
        if (!file.open(QIODevice::WriteOnly) || file.write(contents) != contents.size()) {
            std::printf("error %s: %s\n", qPrintable(chosen), qPrintable(file.errorString()));
            return false;
        }
        file.close();
        long long refusedAt = -1;
        const QMetaObject::Connection said = QObject::connect(
            &window.setups(), &SetupMenu::said, &window, [&](const QString &message) {
                if (message.contains(QLatin1String(refusal)))
                    refusedAt = now();
            });
        const bool picked = pickMenuAction(&window, openSetup) && settle(window.line());
        QObject::disconnect(said);
        report(key, chosenAt, picked ? refusedAt : -1);
        return true;
    };
    if (!refuse("junk-walked", walked, "line 100000: ")
        || !refuse("junk-big", big, "more than a setup's"))
        return 1;

    // Send all, picked in the File menu.
    auto *sendAll = requireChild<QAction>(&window, QStringLiteral("sendAllAction"));
    if (!step("send-all", [&] { pickMenuAction(&window, sendAll); }))
        return 1;

    if (QDBusConnection::sessionBus().isConnected()) {
        // A script's calls as fast as their replies come: switches, whose
        // packets have no pause after them. The script's start is the
        // benchmark's doing, not the window's, so the stall is counted after it.
        QStringList script{QStringLiteral("-d"), path};
        for (int i = 0; i < 50; ++i)
            script << QStringLiteral("switch") << QStringLiteral("blc") << QStringLiteral("on")
                   << QStringLiteral("switch") << QStringLiteral("blc") << QStringLiteral("off");
        QProcess ctl;
        ctl.setStandardOutputFile(QProcess::nullDevice());
        ctl.start(QApplication::applicationDirPath() + QStringLiteral("/camdeck-ctl"), script);
        resetStalls();
        if (!waitUntil([&ctl] { return ctl.state() == QProcess::NotRunning; }, 30000)
            || ctl.exitStatus() != QProcess::NormalExit || ctl.exitCode() != 0) {
            std::printf("error camdeck-ctl's 100 switches through the panel failed: %s\n",
                        ctl.readAllStandardError().simplified().right(300).constData());
            return 1;
        }
        report("script-stall", longestStall());

        // The benchmark's own calls and runs of camdeck-ctl, while the window
        // holds the port and its queue is idle.
        report("holding", now());
        QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
        QEventLoop turn;
        QObject::connect(&input, &QSocketNotifier::activated, &turn, &QEventLoop::quit);
        turn.exec();
    }

    // Nothing happening: whatever the panel spends now is its own watching.
    ticks.stop();
    const std::clock_t cpuBefore = std::clock(); // all the process's threads
    const long long wallBefore = now();
    QEventLoop idle;
    QTimer::singleShot(idleMilliseconds, &idle, &QEventLoop::quit);
    idle.exec();
    report("idle", (std::clock() - cpuBefore) * 1000000LL / CLOCKS_PER_SEC,
           (now() - wallBefore) / 1000);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("camdeck"));
    const QStringList args = QApplication::arguments();
    if (args.size() == 2 && args[1] == QLatin1String("startup")) {
        MainWindow::prepareApplication();
        MainWindow window;
        return showUntilExposed(window);
    }
    if (args.size() == 2 && args[1] == QLatin1String("bare"))
        return bare();
    if (args.size() == 4 && args[1] == QLatin1String("session"))
        return session(args[2], args[3].toInt());
    std::fprintf(stderr, "usage: camdeck-bench-probe startup | bare | session PATH IDLE_MS\n");
    return 2;
}
