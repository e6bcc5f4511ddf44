// The simulated device's end of the line: a pseudo-terminal whose slave path a
// panel opens like a USB adapter. Bytes from the master go through the decoder
// into the model; the model's answers go back on the master. Like an adapter,
// it can be pulled and plugged back (a new pseudo-terminal, under the same
// link when it keeps one), and like a tired device it can answer its requests
// late, garbled or not at all. What it reads can go to a capture, time-stamped.
#pragma once

#include "registermodel.h"

#include "util/pseudoterminal.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <chrono>
#include <map>
#include <memory>
#include <string>

class QSocketNotifier;

namespace camdeck::sim {

class PtyDevice : public QObject {
    Q_OBJECT

public:
    // How the device answers a request (the greeting, the travel query).
    struct Answering {
        enum How { Normal, Late, Garbled, Silent };
        How how = Normal;
        std::chrono::milliseconds late{0};
    };

    explicit PtyDevice(RegisterModel &model, QObject *parent = nullptr);
    ~PtyDevice() override;

    // Before open(): a symbolic link at path to whichever pseudo-terminal the
    // device is on, made when it is plugged and removed when it is pulled, as
    // udev keeps an adapter's /dev/serial/by-id name.
    void setLink(const QString &path) { m_link = path; }
    // Before open(): a line to fd for every chunk read ("<ns> read 8E 12"),
    // every answer ("<ns> answered 53 49 4D 31"), plug ("<ns> plugged PATH")
    // and pull ("<ns> unplugged"), written as it happens, so that it survives
    // a kill. Times are the steady clock's nanoseconds, which every process
    // on the machine shares.
    void setCapture(int fd) { m_capture = fd; }
    // From now on, the device answers request (Greeting or TravelQuery) so.
    void setAnswering(Event::Kind request, Answering answering)
    {
        m_answering[request] = answering;
    }

    // Plugged in: listening on a new raw pseudo-terminal. Returns 0 or an errno.
    int open();
    // Pulled out: what had arrived is read, the pseudo-terminal closes (the
    // panel's end hangs up), the link goes, and late answers are lost.
    void unplug();
    bool isPlugged() const { return m_pty != nullptr; }
    // Reads what is still waiting, as the program ends.
    void drain();

    QString slavePath() const;
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
    void respond(Event::Kind request, Bytes reply);
    void answer(const Bytes &reply);
    int makeLink();
    void note(std::chrono::steady_clock::time_point at, const std::string &what);

    RegisterModel &m_model;
    Decoder m_decoder;
    std::unique_ptr<PseudoTerminal> m_pty;
    QSocketNotifier *m_notifier = nullptr;
    QTimer m_quiet;
    QElapsedTimer m_clock;
    QString m_link;
    int m_capture = -1;
    std::map<Event::Kind, Answering> m_answering;
    int m_plugs = 0; // a late answer goes only to the line it was asked on
};

} // namespace camdeck::sim
