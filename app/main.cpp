#include "mainwindow.h"
#include "simulatorprocess.h"

#include "util/programinfo.h"
#include "util/terminationsignals.h"

#include <QApplication>
#include <QCommandLineParser>

#include <cstdio>
#include <memory>

int main(int argc, char *argv[])
{
    const std::unique_ptr<QCoreApplication> app(asksForHelpOrVersion(argc, argv)
                                                    ? new QCoreApplication(argc, argv)
                                                    : new QApplication(argc, argv));
    QCoreApplication::setApplicationName(QStringLiteral("camdeck"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(camdeckVersion));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Control panel for a serial video camera and motor drive."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption device(
        QStringLiteral("device"),
        QStringLiteral("List PATH as a serial device too (pseudo-terminals, network serial "
                       "bridges). May be given more than once."),
        QStringLiteral("PATH"));
    const QCommandLineOption open(
        QStringLiteral("open"),
        QStringLiteral("Open the serial device at PATH at start, as if picked in the list."),
        QStringLiteral("PATH"));
    const QCommandLineOption reset(
        QStringLiteral("reset"),
        QStringLiteral("Start with the built-in values, not those the window had when it was "
                       "last closed."));
    const QCommandLineOption simulate(
        QStringLiteral("simulate"),
        QStringLiteral("Start the simulated camera and motor drive and connect to it."));
    parser.addOption(device);
    parser.addOption(open);
    parser.addOption(simulate);
    parser.addOption(reset);
    parser.process(*app);

    // The name desktops know the window by, as its desktop file and the bus do.
    QGuiApplication::setDesktopFileName(QLatin1String(camdeckAppId));
    MainWindow::prepareApplication();
    SimulatorProcess simulator;
    MainWindow window(parser.values(device), parser.isSet(reset));
    // Closing the ordinary way: the device still gets its farewell and the line its old settings.
    onTerminationSignals(&window, [&window] { window.close(); });
    QObject::connect(&window, &MainWindow::closed, app.get(), &QCoreApplication::quit,
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
        QObject::connect(&simulator, &SimulatorProcess::failed, app.get(), [](const QString &why) {
            std::fprintf(stderr, "camdeck: the simulator did not start: %s\n", qPrintable(why));
            QCoreApplication::exit(1);
        });
        simulator.start();
    }
    return QCoreApplication::exec();
}
