#include "terminationsignals.h"

#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int signalPair[2] = {-1, -1};

void writeWakeUp(int)
{
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(signalPair[1], &c, 1);
}

} // namespace

void onTerminationSignals(QObject *context, std::function<void()> onSignal)
{
    if (signalPair[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPair) != 0)
        return;
    auto *notifier = new QSocketNotifier(signalPair[0], QSocketNotifier::Read, context);
    QObject::connect(notifier, &QSocketNotifier::activated, context, [onSignal] {
        char c;
        [[maybe_unused]] const ssize_t n = ::read(signalPair[0], &c, 1);
        onSignal();
    });
    struct sigaction action = {};
    action.sa_handler = writeWakeUp;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}
