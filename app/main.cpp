#include "simulatorprocess.h"
#include "util/terminationsignals.h"
#include "windowcontroller.h"

#include <QApplication>
#include <QCommandLineParser>

#include <cstdio>

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
    // Closing the ordinary way: the device still gets its farewell and the line its old settings.
    onTerminationSignals(&window, [&window] { window.close(); });
    QObject::connect(&window, &WindowController::closed, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    window.show();
    return QApplication::exec();
}
