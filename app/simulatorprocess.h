// The simulated camera and motor drive, run as a program of its own beside the
// panel: the two meet only on the pseudo-terminal it prints the path of.
#pragma once

#include <QProcess>
#include <QString>
#include <QTimer>

class SimulatorProcess : public QObject {
    Q_OBJECT

public:
    SimulatorProcess();
    ~SimulatorProcess() override;

    // Starts camdeck-sim (next to this program, else on PATH). Nothing waits:
    // ready or failed follows once it has printed its device path or cannot.
    void start();

signals:
    void ready(const QString &devicePath);
    void failed(const QString &why);

private:
    void fail(const QString &why);
    // True the first time only: ready or failed is said once.
    bool firstWord();

    QProcess m_process;
    QTimer m_patience; // for the path it prints at start
    bool m_told = false;
};
