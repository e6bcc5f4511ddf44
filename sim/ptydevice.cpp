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

void closeFd(int &fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

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

PtyDevice::~PtyDevice()
{
    closeFd(m_slave);
    closeFd(m_master);
}

int PtyDevice::open()
{
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (m_master < 0)
        return errno;
    const char *name = nullptr;
    if (::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0
        || (name = ::ptsname(m_master)) == nullptr) {
        const int error = errno;
        closeFd(m_master);
        return error;
    }
    m_slavePath = QString::fromLocal8Bit(name);
    m_slave = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK);
    termios raw {};
    if (m_slave < 0 || ::tcgetattr(m_slave, &raw) != 0) {
        const int error = errno;
        closeFd(m_slave);
        closeFd(m_master);
        return error;
    }
    // Raw from the start, as a device behind a USB adapter: no echo, no line editing.
    ::cfmakeraw(&raw);
    ::cfsetispeed(&raw, B9600);
    ::cfsetospeed(&raw, B9600);
    ::tcsetattr(m_slave, TCSANOW, &raw);

    m_notifier = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &PtyDevice::readable);
    return 0;
}

void PtyDevice::readable()
{
    std::uint8_t chunk[4096];
    for (;;) {
        const ssize_t n = ::read(m_master, chunk, sizeof chunk);
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

void PtyDevice::answer(const Bytes &reply)
{
    std::size_t done = 0;
    while (done < reply.size()) {
        const ssize_t n = ::write(m_master, reply.data() + done, reply.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n < 0 && errno != EINTR) {
            // A few bytes into an empty queue: only a line nobody reads fills up.
            qCWarning(lcSim, "answer lost: %s", std::strerror(errno));
            return;
        }
    }
}

} // namespace camdeck::sim
