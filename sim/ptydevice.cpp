#include "ptydevice.h"

#include <QFile>
#include <QLoggingCategory>
#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
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

// No link is left leading nowhere.
PtyDevice::~PtyDevice()
{
    if (m_pty && !m_link.isEmpty())
        ::unlink(QFile::encodeName(m_link).constData());
}

QString PtyDevice::slavePath() const
{
    return m_pty ? QString::fromStdString(m_pty->slavePath()) : QString();
}

int PtyDevice::open()
{
    if (m_pty)
        return 0;
    m_pty = std::make_unique<PseudoTerminal>();
    const int error = m_pty->error() ? m_pty->error() : makeLink();
    if (error != 0) {
        m_pty.reset();
        return error;
    }
    ++m_plugs;
    m_decoder = Decoder();
    m_notifier = new QSocketNotifier(m_pty->master(), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &PtyDevice::readable);
    note(std::chrono::steady_clock::now(), "plugged " + m_pty->slavePath());
    return 0;
}

// Made beside the link's place and renamed over it, so whoever watches the
// link sees it lead to the new device at once, never to nothing.
int PtyDevice::makeLink()
{
    if (m_link.isEmpty())
        return 0;
    const QByteArray link = QFile::encodeName(m_link);
    const QByteArray fresh = link + ".new";
    ::unlink(fresh.constData());
    if (::symlink(m_pty->slavePath().c_str(), fresh.constData()) != 0
        || ::rename(fresh.constData(), link.constData()) != 0)
        return errno;
    return 0;
}

void PtyDevice::unplug()
{
    if (!m_pty)
        return;
    readable();
    m_quiet.stop();
    handle(m_decoder.flush());
    delete m_notifier;
    m_notifier = nullptr;
    m_pty.reset();
    if (!m_link.isEmpty())
        ::unlink(QFile::encodeName(m_link).constData());
    note(std::chrono::steady_clock::now(), "unplugged");
}

void PtyDevice::drain()
{
    if (m_pty)
        readable();
}

void PtyDevice::readable()
{
    std::uint8_t chunk[4096];
    for (;;) {
        const ssize_t n = ::read(m_pty->master(), chunk, sizeof chunk);
        if (n > 0) {
            const auto at = std::chrono::steady_clock::now();
            if (m_capture >= 0)
                note(at, "read " + protocol::hexBytes(Bytes(chunk, chunk + n)));
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
            respond(event.kind, outcome.reply);
        const QString line = QString::fromStdString(outcome.description);
        if (event.isRejected())
            qCWarning(lcSim).noquote() << line;
        else
            qCInfo(lcSim).noquote() << line;
        emit traffic(line, event.isRejected());
    }
    emit modelChanged();
}

// A garbled answer has every bit of its bytes in the wrong place and one byte
// too many, so no reader can take it for the real one.
void PtyDevice::respond(Event::Kind request, Bytes reply)
{
    const auto found = m_answering.find(request);
    const Answering how = found == m_answering.end() ? Answering{} : found->second;
    switch (how.how) {
    case Answering::Silent:
        return;
    case Answering::Late:
        QTimer::singleShot(how.late, Qt::PreciseTimer, this, [this, reply, plug = m_plugs] {
            if (m_pty && plug == m_plugs)
                answer(reply);
        });
        return;
    case Answering::Garbled:
        for (std::uint8_t &b : reply)
            b ^= 0x5A;
        reply.push_back(0xFF);
        break;
    case Answering::Normal:
        break;
    }
    answer(reply);
}

// A few bytes into an empty queue: only a line nobody reads fills up.
void PtyDevice::answer(const Bytes &reply)
{
    if (!m_pty->send(reply))
        qCWarning(lcSim, "answer lost: %s", std::strerror(errno));
    note(std::chrono::steady_clock::now(), "answered " + protocol::hexBytes(reply));
}

void PtyDevice::note(std::chrono::steady_clock::time_point at, const std::string &what)
{
    if (m_capture < 0)
        return;
    const std::string line
        = std::to_string(at.time_since_epoch() / std::chrono::nanoseconds(1)) + ' ' + what + '\n';
    [[maybe_unused]] const ssize_t n = ::write(m_capture, line.data(), line.size());
}

} // namespace camdeck::sim
