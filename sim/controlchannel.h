// The simulator's control channel, for a program that plays the bench around
// the device (camdeck-soak): one command a line on standard input, each
// answered with one line on standard output. The end of the input ends the
// simulator: whoever drove it is gone.
//   unplug                        the adapter is pulled       → unplugged
//   plug                          and plugged back            → plugged /dev/pts/N
//   greeting|travel normal        how the device answers      → ok
//   greeting|travel silent        that request from now on
//   greeting|travel garbled
//   greeting|travel late MS
// Anything else is answered "error: " and why, and changes nothing.
#pragma once

#include <QObject>
#include <QString>

class QSocketNotifier;

namespace camdeck::sim {

class PtyDevice;

class ControlChannel : public QObject {
    Q_OBJECT

public:
    explicit ControlChannel(PtyDevice &device, QObject *parent = nullptr);

signals:
    void inputEnded();

private:
    void readable();
    // Does what the command says to the device; the line that answers it.
    QString carryOut(const QString &command);

    PtyDevice &m_device;
    QSocketNotifier *m_input;
    QByteArray m_pending;
};

} // namespace camdeck::sim
