// The simulated device's end of the line: a pseudo-terminal whose slave path a
// panel opens like a USB adapter. Bytes from the master go through the decoder
// into the model; the model's answers go back on the master.
#pragma once

#include "registermodel.h"

#include "util/pseudoterminal.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class QSocketNotifier;

namespace camdeck::sim {

class PtyDevice : public QObject {
    Q_OBJECT

public:
    explicit PtyDevice(RegisterModel &model, QObject *parent = nullptr);
    ~PtyDevice() override;

    // Starts listening on a raw pseudo-terminal. Returns 0 or an errno.
    int open();
    QString slavePath() const { return QString::fromStdString(m_pty.slavePath()); }
    // The model's clock: milliseconds since the device was made.
    RegisterModel::Millis now() const { return RegisterModel::Millis(m_clock.elapsed()); }

signals:
    // One decoded event, as the traffic log shows it.
    void traffic(const QString &line, bool rejected);
    void modelChanged();

private:
    void readable();
    void lineWentQuiet();
    void handle(const std::vector<Event> &events);
    void answer(const Bytes &reply);

    RegisterModel &m_model;
    Decoder m_decoder;
    PseudoTerminal m_pty;
    QSocketNotifier *m_notifier = nullptr;
    QTimer m_quiet;
    QElapsedTimer m_clock;
};

} // namespace camdeck::sim
