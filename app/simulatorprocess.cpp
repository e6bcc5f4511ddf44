#include "simulatorprocess.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStandardPaths>

#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>
#include <utility>

SimulatorProcess::SimulatorProcess()
{
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // Its warnings (a garbled message) are worth seeing beside the panel's;
    // the line it logs for every message is not, unless asked for.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!environment.contains(QStringLiteral("QT_LOGGING_RULES")))
        environment.insert(QStringLiteral("QT_LOGGING_RULES"),
                           QStringLiteral("camdeck.sim.info=false"));
    m_process.setProcessEnvironment(environment);
    // It goes with the panel even when the panel is killed outright: else it
    // would hold its pseudo-terminal open with nobody to talk to.
    const pid_t panel = ::getpid();
    m_process.setChildProcessModifier([panel] {
        if (::prctl(PR_SET_PDEATHSIG, SIGTERM) != 0 || ::getppid() != panel)
            ::_exit(1); // the panel is already gone
    });
    // Its first line is the device path.
    connect(&m_process, &QProcess::readyReadStandardOutput, this, [this] {
        if (m_process.canReadLine() && firstWord())
            emit ready(QString::fromLocal8Bit(m_process.readLine()).trimmed());
    });
    connect(&m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            fail(m_process.errorString());
    });
    connect(&m_process, &QProcess::finished, this,
            [this] { fail(QStringLiteral("camdeck-sim ended before it printed a device path")); });
    m_patience.setSingleShot(true);
    m_patience.setInterval(5000);
    connect(&m_patience, &QTimer::timeout, this,
            [this] { fail(QStringLiteral("camdeck-sim printed no device path")); });
}

SimulatorProcess::~SimulatorProcess()
{
    // The window is closed by now: ending the simulator holds nobody up.
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(3000))
        m_process.kill();
    m_process.waitForFinished(1000);
}

void SimulatorProcess::start()
{
    QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/camdeck-sim");
    if (!QFileInfo(program).isExecutable())
        program = QStandardPaths::findExecutable(QStringLiteral("camdeck-sim"));
    if (program.isEmpty()) {
        // Said from the event loop, as every other outcome is.
        QTimer::singleShot(0, this, [this] { fail(QStringLiteral("camdeck-sim was not found")); });
        return;
    }
    m_patience.start();
    m_process.start(program, {});
}

void SimulatorProcess::fail(const QString &why)
{
    if (firstWord())
        emit failed(why);
}

bool SimulatorProcess::firstWord()
{
    m_patience.stop();
    return !std::exchange(m_told, true);
}
