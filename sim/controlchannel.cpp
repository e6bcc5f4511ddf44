#include "controlchannel.h"
#include "ptydevice.h"

#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace camdeck::sim {

ControlChannel::ControlChannel(PtyDevice &device, QObject *parent)
    : QObject(parent)
    , m_device(device)
    , m_input(new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this))
{
    connect(m_input, &QSocketNotifier::activated, this, &ControlChannel::readable);
}

void ControlChannel::readable()
{
    char chunk[512];
    const ssize_t n = ::read(STDIN_FILENO, chunk, sizeof chunk);
    if (n < 0 && (errno == EINTR || errno == EAGAIN))
        return;
    if (n <= 0) {
        m_input->setEnabled(false);
        emit inputEnded();
        return;
    }
    m_pending.append(chunk, n);
    for (qsizetype end; (end = m_pending.indexOf('\n')) >= 0;) {
        const QString command = QString::fromLocal8Bit(m_pending.left(end)).simplified();
        m_pending.remove(0, end + 1);
        if (command.isEmpty())
            continue;
        std::printf("%s\n", qPrintable(carryOut(command)));
        std::fflush(stdout);
    }
}

QString ControlChannel::carryOut(const QString &command)
{
    const QStringList words = command.split(u' ');
    if (words == QStringList{QStringLiteral("unplug")}) {
        m_device.unplug();
        return QStringLiteral("unplugged");
    }
    if (words == QStringList{QStringLiteral("plug")}) {
        const int error = m_device.open();
        return error ? QStringLiteral("error: no pseudo-terminal: %1")
                           .arg(QString::fromLocal8Bit(std::strerror(error)))
                     : QStringLiteral("plugged %1").arg(m_device.slavePath());
    }
    const bool greeting = words[0] == QLatin1String("greeting");
    if (!greeting && words[0] != QLatin1String("travel"))
        return QStringLiteral("error: no command '%1'").arg(words[0]);
    static const QStringList hows{QStringLiteral("normal"), QStringLiteral("late"),
                                  QStringLiteral("garbled"), QStringLiteral("silent")};
    PtyDevice::Answering answering;
    answering.how = PtyDevice::Answering::How(std::max<qsizetype>(0, hows.indexOf(words.value(1))));
    bool ok = hows.contains(words.value(1)) && words.size() == 2;
    if (answering.how == PtyDevice::Answering::Late) {
        const int ms = words.value(2).toInt(&ok);
        ok = ok && words.size() == 3 && ms >= 0;
        answering.late = std::chrono::milliseconds(ms);
    }
    if (!ok)
        return QStringLiteral("error: %1 takes normal, silent, garbled or late MS").arg(words[0]);
    m_device.setAnswering(greeting ? Event::Kind::Greeting : Event::Kind::TravelQuery, answering);
    return QStringLiteral("ok");
}

} // namespace camdeck::sim
