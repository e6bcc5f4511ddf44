// The panel as the benchmark measures it: started the way the camdeck program
// starts it, in a process of its own, reporting on stdout what the benchmark
// times. Times are steady-clock nanoseconds, which every process on the machine
// shares, so the benchmark compares them with its own clock and the pty's.
//
//   camdeck-bench-probe startup            window first exposed, resident set, exit
//   camdeck-bench-probe session PATH MS    open PATH, recall preset 1, upload the
//                                          text, then sit idle for MS milliseconds
#include "testsupport.h"
#include "windowcontroller.h"

#include <QApplication>
#include <QComboBox>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <chrono>
#include <cstdio>
#include <sys/resource.h>

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

// VmRSS of this process in kB, or -1.
long long residentKilobytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
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
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    }

    QWindow *m_window;
};

int startup()
{
    WindowController window;
    window.show();
    FirstExposure exposure(window.windowHandle());
    return QApplication::exec();
}

template<class T> T *control(WindowController &window, const char *name)
{
    T *found = window.findChild<T *>(QLatin1String(name));
    if (!found)
        qFatal("no control %s", name);
    return found;
}

// Clicks a button as a user does; reports when the click began and ended.
void timedClick(const char *key, QPushButton *button)
{
    const long long begin = now();
    QTest::mouseClick(button, Qt::LeftButton);
    report(key, begin, now());
}

int session(const QString &path, int idleMilliseconds)
{
    WindowController window({path});
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        std::printf("error the window was never exposed\n");
        return 1;
    }
    report("rss-start", residentKilobytes());

    // Opening greets the device and recalls the presets into the slots.
    auto *tty = control<QComboBox>(window, "ttySelect");
    chooseItem(tty, tty->findText(path));
    if (!QTest::qWaitFor([&] { return window.isConnected(); }, 5000)) {
        std::printf("error %s did not open\n", qPrintable(path));
        return 1;
    }
    report("opened", now());

    timedClick("recall", control<QPushButton>(window, "preset1Button"));
    report("rss-recall", residentKilobytes());

    QTest::keyClicks(control<QLineEdit>(window, "textstringSelect"), "BENCH 0123456789");
    timedClick("text", control<QPushButton>(window, "textupdateSelect"));

    // Nothing happening: whatever the panel spends now is its own watching.
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
    if (args.size() == 4 && args[1] == QLatin1String("session"))
        return session(args[2], args[3].toInt());
    std::fprintf(stderr, "usage: camdeck-bench-probe startup | session PATH IDLE_MS\n");
    return 2;
}
