#include "sendqueue.h"

#include <cerrno>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>
#include <utility>

namespace camdeck {

SendQueue::SendQueue(Reporting reporting)
    : m_reporting(reporting)
    , m_wakeFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
    , m_outboxFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
    m_line.setLostHandler([this](const std::string &path, int error) {
        if (m_reports.failed)
            report(
                [failed = m_reports.failed, lost = Failure{path, error, true}] { failed(lost); });
    });
    m_line.setTap(
        [this](SerialLine::Direction direction, const std::uint8_t *data, std::size_t size) {
            if (m_reports.tap)
                report([tap = m_reports.tap, direction, bytes = Bytes(data, data + size)] {
                    tap(direction, bytes);
                });
        });
    m_thread = std::thread([this] { run(); });
}

SendQueue::~SendQueue()
{
    close();
    post(Item(Item::Kind::Stop));
    m_thread.join();
    ::close(m_wakeFd);
    ::close(m_outboxFd);
}

void SendQueue::open(const std::string &path)
{
    Item item(Item::Kind::Open);
    item.path = path;
    post(std::move(item));
}

void SendQueue::send(Bytes bytes, std::chrono::milliseconds pause)
{
    post(Item(Item::Kind::Write, std::move(bytes), pause));
}

void SendQueue::request(Bytes bytes, std::chrono::milliseconds wait, std::size_t maxReply,
                        ReplyHandler handler)
{
    Item item(Item::Kind::Write, std::move(bytes), wait);
    item.maxReply = maxReply;
    item.onReply = std::move(handler);
    post(std::move(item));
}

void SendQueue::discardInput()
{
    post(Item(Item::Kind::Discard));
}

void SendQueue::close()
{
    post(Item(Item::Kind::Close));
}

void SendQueue::lose(const std::string &path)
{
    Item item(Item::Kind::Lose);
    item.path = path;
    post(std::move(item));
}

SendQueue::Job::Job(SendQueue &queue, std::string label, Written whenWritten)
    : m_queue(queue)
{
    ++m_queue.m_jobDepth;
    if (m_queue.m_jobLabel.empty())
        m_queue.m_jobLabel = std::move(label);
    if (whenWritten)
        m_queue.m_jobWritten.push_back(std::move(whenWritten));
}

SendQueue::Job::~Job()
{
    if (--m_queue.m_jobDepth > 0)
        return;
    std::deque<Item> items = std::exchange(m_queue.m_jobItems, {});
    const std::string label = std::exchange(m_queue.m_jobLabel, {});
    std::vector<Written> written = std::exchange(m_queue.m_jobWritten, {});
    std::vector<Bytes> messages;
    Item *last = nullptr;
    for (Item &item : items) {
        if (item.kind == Item::Kind::Write) {
            messages.push_back(item.bytes);
            last = &item;
        }
    }
    const int steps = static_cast<int>(messages.size());
    if (!written.empty() && !last) {
        for (const Written &told : written)
            m_queue.report([told] { told(true, {}); });
    }
    if (last) {
        last->jobMessages = std::move(messages);
        last->whenWritten = [written](bool ok, const std::vector<Bytes> &sent) {
            for (const Written &told : written)
                told(ok, sent);
        };
    }
    int step = 0;
    for (Item &item : items) {
        if (item.kind == Item::Kind::Write && !label.empty()) {
            item.job = label;
            item.step = ++step;
            item.steps = steps;
        }
        m_queue.post(std::move(item));
    }
}

void SendQueue::post(Item item)
{
    if (m_jobDepth > 0 && item.kind != Item::Kind::Stop) {
        m_jobItems.push_back(std::move(item));
        return;
    }
    {
        const std::lock_guard lock(m_mutex);
        m_pendingPauseMs += item.pause.count();
        m_items.push_back(std::move(item));
    }
    wake();
}

bool SendQueue::busy() const
{
    const std::lock_guard lock(m_mutex);
    return m_working || !m_items.empty();
}

std::chrono::milliseconds SendQueue::pendingPauses() const
{
    return std::chrono::milliseconds(m_pendingPauseMs.load());
}

void SendQueue::waitUntilIdle()
{
    std::unique_lock lock(m_mutex);
    m_idleChanged.wait(lock, [this] { return !m_working && m_items.empty(); });
}

void SendQueue::wake()
{
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(m_wakeFd, &one, sizeof one);
}

void SendQueue::report(std::function<void()> call)
{
    if (m_reporting == Reporting::OnQueueThread) {
        call();
        return;
    }
    {
        const std::lock_guard lock(m_mutex);
        m_outbox.push_back(std::move(call));
    }
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(m_outboxFd, &one, sizeof one);
}

void SendQueue::takeReports()
{
    std::uint64_t count = 0;
    [[maybe_unused]] const ssize_t n = ::read(m_outboxFd, &count, sizeof count);
    for (;;) {
        std::function<void()> call;
        {
            const std::lock_guard lock(m_mutex);
            if (m_outbox.empty())
                return;
            call = std::move(m_outbox.front());
            m_outbox.pop_front();
        }
        call();
    }
}

// Idle: sleep until something is queued, but notice at once a device that
// hangs up meanwhile (an adapter pulled while nobody touches the window).
void SendQueue::waitForWork(std::unique_lock<std::mutex> &lock)
{
    const int line = m_line.descriptor();
    lock.unlock();
    pollfd fds[2] = {{m_wakeFd, POLLIN, 0}, {line, 0, 0}};
    const int ready = ::poll(fds, line >= 0 ? 2 : 1, -1);
    if (ready > 0 && (fds[1].revents & (POLLHUP | POLLERR | POLLNVAL)))
        m_line.noticeHangUp();
    std::uint64_t count = 0;
    [[maybe_unused]] const ssize_t n = ::read(m_wakeFd, &count, sizeof count);
    lock.lock();
}

void SendQueue::run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        if (m_items.empty()) {
            if (m_working) {
                m_working = false;
                m_idleChanged.notify_all();
                if (m_reports.idle) {
                    lock.unlock();
                    report(m_reports.idle);
                    lock.lock();
                    continue;
                }
            }
            waitForWork(lock);
            continue;
        }
        Item item = std::move(m_items.front());
        m_items.pop_front();
        if (item.kind == Item::Kind::Stop)
            return;
        m_working = true;
        lock.unlock();
        carryOut(item);
        m_pendingPauseMs -= item.pause.count();
        lock.lock();
    }
}

void SendQueue::carryOut(Item &item)
{
    switch (item.kind) {
    case Item::Kind::Open: {
        const OpenResult opened = m_line.open(item.path);
        const ReadResult reply = opened.ok() ? m_line.greet() : ReadResult{};
        if (m_reports.opened)
            report([opened_ = m_reports.opened, path = item.path, opened, reply] {
                opened_(path, opened, reply);
            });
        break;
    }
    case Item::Kind::Close:
        m_line.close();
        if (m_reports.closed)
            report(m_reports.closed);
        break;
    case Item::Kind::Write:
        write(item);
        break;
    case Item::Kind::Discard:
        m_line.discardInput();
        break;
    case Item::Kind::Lose:
        if (m_line.isOpen() && m_line.path() == item.path)
            m_line.noticeGone();
        break;
    case Item::Kind::Stop:
        break;
    }
}

// Nothing is written, and nothing waited for, while no line is open: after a
// lost port the rest of the queue is dropped this way.
void SendQueue::write(Item &item)
{
    if (!m_line.isOpen()) {
        if (m_reports.dropped)
            report(m_reports.dropped);
        if (item.whenWritten)
            report([told = std::move(item.whenWritten)] { told(false, {}); });
        if (item.onReply)
            report([handler = std::move(item.onReply)] { handler({ENODEV, {}}); });
        return;
    }
    const IoResult written = m_line.writeAll(item.bytes);
    if (item.whenWritten)
        report([told = std::move(item.whenWritten), ok = written.ok(),
                messages = std::move(item.jobMessages)] { told(ok, messages); });
    if (!written.ok() && m_line.isOpen() && m_reports.failed)
        report([failed = m_reports.failed, failure = Failure{m_line.path(), written.error, false}] {
            failed(failure);
        });
    if (!item.job.empty() && m_reports.progress)
        report([progress = m_reports.progress, job = item.job, step = item.step,
                steps = item.steps] { progress(job, step, steps); });
    if (item.pause.count() > 0)
        m_line.pause(item.pause);
    // A request is always answered: by the device, or with the error of a
    // line that went away meanwhile.
    if (item.onReply)
        report([handler = std::move(item.onReply),
                reply = m_line.isOpen() ? m_line.readAvailable(item.maxReply)
                                        : ReadResult{ENODEV, {}}] { handler(reply); });
}

} // namespace camdeck
