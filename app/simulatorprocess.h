// The simulated camera and motor drive, run as a program of its own beside the
// panel: the two meet only on the pseudo-terminal it prints the path of.
#pragma once

#include <QProcess>
#include <QString>

class SimulatorProcess {
public:
    SimulatorProcess();
    ~SimulatorProcess();

    // Starts camdeck-sim (next to this program, else on PATH) and returns the
    // device path it printed, or an empty string (see errorString()).
    QString start();
    QString errorString() const { return m_error; }

private:
    QProcess m_process;
    QString m_error;
};
