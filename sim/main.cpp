// camdeck-sim: a simulated camera and motor drive on a pseudo-terminal. The
// first line on stdout is the device path to open; the traffic it decodes goes
// to stderr, and (unless --headless) to a window showing the picture.
#include "ptydevice.h"
#include "simwindow.h"
#include "util/programinfo.h"
#include "util/terminationsignals.h"

#include <QApplication>
#include <QCommandLineParser>

#include <cstdio>
#include <cstring>
#include <memory>

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
