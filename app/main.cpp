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
    WindowController::prepareApplication();

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Control panel for a serial video camera and motor drive."));
    parser.addHelpOption();
    const QCommandLineOption device(
        QStringLiteral("device"),
        QStringLiteral("List PATH as a serial device too (pseudo-terminals, network serial "
                       "bridges). May be given more than once."),
        QStringLiteral("PATH"));
    const QCommandLineOption open(
        QStringLiteral("open"),
        QStringLiteral("Open the serial device at PATH at start, as if picked in the list."),
        QStringLiteral("PATH"));
    const QCommandLineOption simulate(
        QStringLiteral("simulate"),
        QStringLiteral("Start the simulated camera and motor drive and connect to it."));
    parser.addOption(device);
    parser.addOption(open);
    parser.addOption(simulate);
    parser.process(app);

    SimulatorProcess simulator;
    WindowController window(parser.values(device));
    // Closing the ordinary way: the device still gets its farewell and the line its old settings.
    onTerminationSignals(&window, [&window] { window.close(); });
    QObject::connect(&window, &WindowController::closed, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    window.show();
    // Opened as a pick opens it; the window is up meanwhile. A path given with
    // --open is what the user asked for, over the simulator.
    if (parser.isSet(open))
        window.openDevice(parser.value(open));
    if (parser.isSet(simulate)) {
        QObject::connect(&simulator, &SimulatorProcess::ready, &window, [&](const QString &path) {
            window.listDevice(path, QObject::tr("Simulated camera"));
            if (!parser.isSet(open))
                window.openDevice(path);
        });
        QObject::connect(&simulator, &SimulatorProcess::failed, &app, [](const QString &why) {
            std::fprintf(stderr, "camdeck: the simulator did not start: %s\n", qPrintable(why));
            QCoreApplication::exit(1);
        });
        simulator.start();
    }
    return QApplication::exec();
}
