// camdeck-sim: a simulated camera and motor drive on a pseudo-terminal. The
// first line on stdout is the device path to open; the traffic it decodes goes
// to stderr, and (unless --headless) to a window showing the picture. With
// --control, commands on stdin pull and plug it and change how it answers.
#include "controlchannel.h"
#include "ptydevice.h"
#include "simwindow.h"
#include "util/programinfo.h"
#include "util/terminationsignals.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <pthread.h>
#include <sched.h>
#include <unistd.h>

using namespace camdeck::sim;

namespace {

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
    // The window needs a display; headless runs, --help and --version need none.
    const bool headless = wantsHeadless(argc, argv);
    std::unique_ptr<QCoreApplication> app(headless || asksForHelpOrVersion(argc, argv)
                                              ? new QCoreApplication(argc, argv)
                                              : new QApplication(argc, argv));
    QCoreApplication::setApplicationName("camdeck-sim");
    QCoreApplication::setApplicationVersion(camdeckVersion);

    QCommandLineParser parser;
    parser.setApplicationDescription("A simulated camera and motor drive on a pseudo-terminal.");
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption({"headless", "No window; decoded traffic goes to stderr only."});
    parser.addOption({"speed", "Motor speed while jogging, in mm/s (default 25).", "mm/s", "25"});
    parser.addOption(
        {"link", "Keep a symbolic link at PATH to the device, whichever it is.", "PATH"});
    parser.addOption(
        {"capture", "Write every chunk read, with its time (steady clock, ns), to FILE.", "FILE"});
    parser.addOption({"control",
                      "Take commands on stdin: unplug, plug, and how to answer "
                      "(greeting|travel normal|silent|garbled|late MS)."});
    parser.process(*app);
    bool ok = false;
    const double speed = parser.value("speed").toDouble(&ok);
    if (!ok || speed < 0) {
        std::fprintf(stderr, "camdeck-sim: --speed wants a number of mm/s, not '%s'\n",
                     qPrintable(parser.value("speed")));
        return 2;
    }

    // Before the path goes out: whoever reads it may signal us at once.
    onTerminationSignals(app.get(), [] { QCoreApplication::quit(); });
    RegisterModel model(speed);
    PtyDevice device(model);
    device.setLink(parser.value("link"));
    if (parser.isSet("capture")) {
        const QByteArray path = QFile::encodeName(parser.value("capture"));
        const int capture
            = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0644);
        if (capture < 0) {
            std::fprintf(stderr, "camdeck-sim: cannot write %s: %s\n", path.constData(),
                         std::strerror(errno));
            return 1;
        }
        device.setCapture(capture);
        // The capture's times are what a pacing check measures: wake first on
        // a busy machine (allowed for root, as in CI; harmless otherwise).
        sched_param realtime{};
        realtime.sched_priority = 10;
        pthread_setschedparam(pthread_self(), SCHED_FIFO, &realtime);
    }
    // What the panel wrote before the end is the device's too.
    QObject::connect(app.get(), &QCoreApplication::aboutToQuit, &device, &PtyDevice::drain);
    if (const int error = device.open()) {
        std::fprintf(stderr, "camdeck-sim: cannot open a pseudo-terminal%s%s: %s\n",
                     parser.isSet("link") ? " and link it at " : "",
                     qPrintable(parser.value("link")), std::strerror(error));
        return 1;
    }
    std::printf("%s\n", qPrintable(device.slavePath()));
    std::fflush(stdout);

    std::unique_ptr<ControlChannel> control;
    if (parser.isSet("control")) {
        control = std::make_unique<ControlChannel>(device);
        QObject::connect(control.get(), &ControlChannel::inputEnded, app.get(),
                         &QCoreApplication::quit);
    }
    std::unique_ptr<SimWindow> window;
    if (!headless) {
        window = std::make_unique<SimWindow>(model, device);
        window->show();
    }
    return QCoreApplication::exec();
}
