#include "ptydevice.h"

#include <QLoggingCategory>
#include <QSocketNotifier>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcSim, "camdeck.sim")

namespace camdeck::sim {

namespace {

// A message cut off for this long is given up, and a lone 80 is the farewell.
// The panel writes every message whole, so only a broken line waits this long.
constexpr int quietMs = 50;

} // namespace

PtyDevice::PtyDevice(RegisterModel &model, QObject *parent)
    : QObject(parent)
    , m_model(model)
{
    m_clock.start();
    m_quiet.setSingleShot(true);
    m_quiet.setInterval(quietMs);
    connect(&m_quiet, &QTimer::timeout, this, &PtyDevice::lineWentQuiet);
}

PtyDevice::~PtyDevice() = default;

int PtyDevice::open()
{
    if (m_pty.error() != 0)
        return m_pty.error();
    m_notifier = new QSocketNotifier(m_pty.master(), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &PtyDevice::readable);
    return 0;
}

void PtyDevice::readable()
{
    std::uint8_t chunk[4096];
    for (;;) {
        const ssize_t n = ::read(m_pty.master(), chunk, sizeof chunk);
        if (n > 0) {
            handle(m_decoder.feed(chunk, static_cast<std::size_t>(n)));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN) {
            qCWarning(lcSim, "reading the line failed: %s", std::strerror(errno));
            m_notifier->setEnabled(false);
        }
        break;
    }
    if (m_decoder.hasPending())
        m_quiet.start();
    else
        m_quiet.stop();
}

void PtyDevice::lineWentQuiet()
{
    handle(m_decoder.flush());
}

void PtyDevice::handle(const std::vector<Event> &events)
{
    if (events.empty())
        return;
    for (const Event &event : events) {
        const Outcome outcome = m_model.apply(event, now());
        if (!outcome.reply.empty())
            answer(outcome.reply);
        const QString line = QString::fromStdString(outcome.description);
        if (event.isRejected())
            qCWarning(lcSim).noquote() << line;
        else
            qCInfo(lcSim).noquote() << line;
        emit traffic(line, event.isRejected());
    }
    emit modelChanged();
}

// A few bytes into an empty queue: only a line nobody reads fills up.
void PtyDevice::answer(const Bytes &reply)
{
    if (!m_pty.send(reply))
        qCWarning(lcSim, "answer lost: %s", std::strerror(errno));
}

} // namespace camdeck::sim
