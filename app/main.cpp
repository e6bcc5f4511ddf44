#include "simulatorprocess.h"
#include "windowcontroller.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &c, 1);
}

// SIGINT and SIGTERM close the window the ordinary way, so the device still
// gets its farewell and the line its old settings.
void closeOnSignals(QWidget *window)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0)
        return;
    auto *notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, window);
    QObject::connect(notifier, &QSocketNotifier::activated, window, [window] {
        char c;
        [[maybe_unused]] const ssize_t n = ::read(signalPipe[0], &c, 1);
        window->close();
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("camdeck"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Control panel for a serial video camera and motor drive."));
    parser.addHelpOption();
    const QCommandLineOption device(
        QStringLiteral("device"),
        QStringLiteral("List PATH as a serial device too (pseudo-terminals, network serial "
                       "bridges). May be given more than once."),
        QStringLiteral("PATH"));
    const QCommandLineOption simulate(
        QStringLiteral("simulate"),
        QStringLiteral("Start the simulated camera and motor drive and list its device."));
    parser.addOption(device);
    parser.addOption(simulate);
    parser.process(app);

    QStringList devices = parser.values(device);
    SimulatorProcess simulator;
    if (parser.isSet(simulate)) {
        const QString path = simulator.start();
        if (path.isEmpty()) {
            std::fprintf(stderr, "camdeck: the simulator did not start: %s\n",
                         qPrintable(simulator.errorString()));
            return 1;
        }
        devices << path;
    }

    WindowController window(devices);
    closeOnSignals(&window);
    window.show();
    return QApplication::exec();
}
