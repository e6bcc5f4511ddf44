#include "ptypeer.h"

#include <QCoreApplication>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sched.h>
#include <stdexcept>
#include <sys/ioctl.h>
#include <unistd.h>

using namespace std::chrono_literals;
using camdeck::Bytes;

PtyPeer::PtyPeer()
{
    if (m_pty.error() != 0)
        throw std::runtime_error("no pseudo-terminal");
    m_reader = std::thread([this] { run(); });
    // The peer's time stamps are what the pacing tests measure: let it wake
    // first on a busy machine (allowed for root, as in CI; harmless otherwise).
    sched_param realtime{};
    realtime.sched_priority = 10;
    pthread_setschedparam(m_reader.native_handle(), SCHED_FIFO, &realtime);
}

PtyPeer::~PtyPeer()
{
    stopReader();
}

void PtyPeer::stopReader()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    if (m_reader.joinable())
        m_reader.join();
}

void PtyPeer::hangUp()
{
    stopReader();
    m_pty.closeMaster();
}

void PtyPeer::answer(const Bytes &trigger, const Bytes &reply)
{
    std::lock_guard lock(m_mutex);
    std::erase_if(m_rules, [&](const Rule &rule) { return rule.trigger == trigger; });
    m_rules.push_back({trigger, reply, m_stream.size()});
}

void PtyPeer::send(const Bytes &bytes)
{
    m_pty.send(bytes);
}

void PtyPeer::run()
{
    std::uint8_t buffer[4096];
    for (;;) {
        {
            std::lock_guard lock(m_mutex);
            if (m_stop)
                return;
        }
        pollfd p{m_pty.master(), POLLIN, 0};
        if (::poll(&p, 1, 10) <= 0 || !(p.revents & POLLIN))
            continue;
        const ssize_t n = ::read(m_pty.master(), buffer, sizeof buffer);
        if (n <= 0)
            continue;
        std::vector<Bytes> replies;
        {
            std::lock_guard lock(m_mutex);
            m_lastArrival = Clock::now();
            m_arrivals.push_back({m_lastArrival, Bytes(buffer, buffer + n)});
            m_stream.insert(m_stream.end(), buffer, buffer + n);
            for (Rule &rule : m_rules) {
                for (;;) {
                    auto begin = m_stream.begin() + static_cast<std::ptrdiff_t>(rule.scanFrom);
                    auto hit = std::search(begin, m_stream.end(), rule.trigger.begin(),
                                           rule.trigger.end());
                    if (hit == m_stream.end())
                        break;
                    replies.push_back(rule.reply);
                    rule.scanFrom
                        = static_cast<std::size_t>(hit - m_stream.begin()) + rule.trigger.size();
                }
            }
        }
        {
            std::lock_guard lock(m_mutex);
            m_answered = m_answered || !replies.empty();
        }
        for (const Bytes &reply : replies)
            send(reply);
        m_arrived.notify_all();
    }
}

// The panel under test queues its bytes and hears back on its event loop:
// waiting for bytes keeps that loop turning.
void PtyPeer::waitFor(std::unique_lock<std::mutex> &lock, std::chrono::milliseconds slice)
{
    lock.unlock();
    if (QCoreApplication::instance())
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    lock.lock();
    m_arrived.wait_for(lock, slice);
}

Bytes PtyPeer::take(std::size_t n, std::chrono::milliseconds timeout)
{
    std::unique_lock lock(m_mutex);
    const auto deadline = Clock::now() + timeout;
    while (m_stream.size() - m_taken < n && Clock::now() < deadline)
        waitFor(lock, 2ms);
    const std::size_t count = std::min(n, m_stream.size() - m_taken);
    const auto begin = m_stream.begin() + static_cast<std::ptrdiff_t>(m_taken);
    m_taken += count;
    return Bytes(begin, begin + static_cast<std::ptrdiff_t>(count));
}

Bytes PtyPeer::takeAll(std::chrono::milliseconds quiet)
{
    std::unique_lock lock(m_mutex);
    const auto start = Clock::now();
    while (Clock::now() - std::max(m_lastArrival, start) < quiet)
        waitFor(lock, 2ms);
    const auto begin = m_stream.begin() + static_cast<std::ptrdiff_t>(m_taken);
    Bytes all(begin, m_stream.end());
    m_taken = m_stream.size();
    return all;
}

std::vector<PtyPeer::Arrival> PtyPeer::arrivals() const
{
    std::lock_guard lock(m_mutex);
    return m_arrivals;
}

void PtyPeer::settle()
{
    // Quiet for a moment: the request has been read and any answer written;
    // then the answer has crossed to the slave (the panel's side reads it
    // from there), or the moment it takes on a busy machine has passed.
    std::unique_lock lock(m_mutex);
    const auto start = Clock::now();
    while (Clock::now() - std::max(m_lastArrival, start) < 15ms)
        m_arrived.wait_for(lock, 5ms);
    const bool answered = std::exchange(m_answered, false);
    lock.unlock();
    int waiting = 0;
    for (int i = 0;
         i < 100 && answered && (::ioctl(m_pty.slave(), FIONREAD, &waiting) != 0 || waiting == 0);
         ++i)
        std::this_thread::sleep_for(1ms);
    std::this_thread::sleep_for(2ms);
}

camdeck::SerialLine::Pause PtyPeer::fastPause()
{
    return [this](std::chrono::milliseconds d) {
        if (d >= 250ms) // the greeting's, and the travel query's 500 ms
            settle();
    };
}
