// camdeck-sim: a simulated camera and motor drive on a pseudo-terminal. The
// first line on stdout is the device path to open; the traffic it decodes goes
// to stderr, and (unless --headless) to a window showing the picture.
#include "ptydevice.h"
#include "simwindow.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <sys/socket.h>
#include <unistd.h>

using namespace camdeck::sim;

namespace {

int signalPair[2] = {-1, -1};

void onSignal(int)
{
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(signalPair[1], &c, 1);
}

// SIGINT and SIGTERM leave the event loop, so the pty is closed the ordinary way.
void quitOnSignals()
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPair) != 0)
        return;
    auto *notifier = new QSocketNotifier(signalPair[0], QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, qApp, [] {
        char c;
        [[maybe_unused]] const ssize_t n = ::read(signalPair[0], &c, 1);
        QCoreApplication::quit();
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

bool wantsHeadless(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--headless") == 0)
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char *argv[])
{
    // The window needs a display; headless runs need none.
    const bool headless = wantsHeadless(argc, argv);
    std::unique_ptr<QCoreApplication> app(headless ? new QCoreApplication(argc, argv)
                                                   : new QApplication(argc, argv));
    QCoreApplication::setApplicationName("camdeck-sim");

    QCommandLineParser parser;
    parser.setApplicationDescription("A simulated camera and motor drive on a pseudo-terminal.");
    parser.addHelpOption();
    parser.addOption({"headless", "No window; decoded traffic goes to stderr only."});
    parser.addOption({"speed", "Motor speed while jogging, in mm/s (default 25).", "mm/s", "25"});
    parser.process(*app);
    bool ok = false;
    const double speed = parser.value("speed").toDouble(&ok);
    if (!ok || speed < 0) {
        std::fprintf(stderr, "camdeck-sim: --speed wants a number of mm/s, not '%s'\n",
                     qPrintable(parser.value("speed")));
        return 2;
    }

    // Before the path goes out: whoever reads it may signal us at once.
    quitOnSignals();
    RegisterModel model(speed);
    PtyDevice device(model);
    if (const int error = device.open()) {
        std::fprintf(stderr, "camdeck-sim: cannot open a pseudo-terminal: %s\n",
                     std::strerror(error));
        return 1;
    }
    std::printf("%s\n", qPrintable(device.slavePath()));
    std::fflush(stdout);

    std::unique_ptr<SimWindow> window;
    if (!headless) {
        window = std::make_unique<SimWindow>(model, device);
        window->show();
    }
    return QCoreApplication::exec();
}
