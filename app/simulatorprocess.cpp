#include "simulatorprocess.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStandardPaths>

#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

SimulatorProcess::SimulatorProcess()
{
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // It goes with the panel even when the panel is killed outright: else it
    // would hold its pseudo-terminal open with nobody to talk to.
    const pid_t panel = ::getpid();
    m_process.setChildProcessModifier([panel] {
        if (::prctl(PR_SET_PDEATHSIG, SIGTERM) != 0 || ::getppid() != panel)
            ::_exit(1); // the panel is already gone
    });
}

SimulatorProcess::~SimulatorProcess()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(3000))
        m_process.kill();
    m_process.waitForFinished(1000);
}

QString SimulatorProcess::start()
{
    QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/camdeck-sim");
    if (!QFileInfo(program).isExecutable())
        program = QStandardPaths::findExecutable(QStringLiteral("camdeck-sim"));
    if (program.isEmpty()) {
        m_error = QStringLiteral("camdeck-sim was not found");
        return {};
    }
    m_process.start(program, {});
    if (!m_process.waitForStarted(5000)) {
        m_error = m_process.errorString();
        return {};
    }
    // Its first line is the device path.
    while (!m_process.canReadLine()) {
        if (!m_process.waitForReadyRead(5000)) {
            m_error = QStringLiteral("camdeck-sim printed no device path");
            return {};
        }
    }
    return QString::fromLocal8Bit(m_process.readLine()).trimmed();
}
