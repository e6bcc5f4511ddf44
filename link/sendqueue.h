// The one way bytes reach the line. Callers queue frames and packets with the
// pause the device needs after each; a thread of the queue's own owns the port,
// writes each item whole and lets the next one go only when its pause has
// passed. Queuing never waits, so a window that queues stays live.
//
// Everything queued runs in the order it was queued: opening, writes, replies
// read back, closing. What happens comes back through the Reports: run on the
// queue's thread as it happens, or, for an owner with an event loop of its
// own, kept in an outbox until the owner takes them on its thread (reportFd()
// turns readable when one waits). The outbox, like the queue itself, is one
// list under one mutex: the two threads share nothing else.
#pragma once

#include "serialline.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace camdeck {

class SendQueue {
public:
    enum class Reporting { OnQueueThread, ToOwner };
    using ReplyHandler = std::function<void(const ReadResult &reply)>;

    struct Failure {
        std::string path;
        int error = 0; // the errno
        bool lost = false; // the device went away, rather than one write failing
    };

    struct Reports {
        // After an open: how it went, and the device's answer to the greeting.
        std::function<void(const std::string &path, const OpenResult &result,
                           const ReadResult &greetingReply)>
            opened;
        // The line is closed (farewell, settings restored), or nothing was open.
        std::function<void()> closed;
        // A write that did not go out whole, or the device gone (what was
        // still queued for it is then dropped).
        std::function<void(const Failure &)> failed;
        // Every byte written or read, as it happened.
        std::function<void(SerialLine::Direction, const Bytes &)> tap;
        // An item of a job went out: done of total.
        std::function<void(const std::string &job, int done, int total)> progress;
        // Nothing is queued any more.
        std::function<void()> idle;
        // A write went nowhere: no line was open (none picked, or it was lost).
        std::function<void()> dropped;
    };

    explicit SendQueue(Reporting reporting = Reporting::OnQueueThread);
    // Lets what is queued go out, says farewell, restores the line and ends the thread.
    ~SendQueue();
    SendQueue(const SendQueue &) = delete;
    SendQueue &operator=(const SendQueue &) = delete;

    // Set these before queuing anything.
    void setReports(Reports reports) { m_reports = std::move(reports); }
    void setPause(SerialLine::Pause pause) { m_line.setPause(std::move(pause)); }
    void setSystemCalls(const SystemCalls &calls) { m_line.setSystemCalls(calls); }

    // Closes the line that is open (after what is queued for it), opens path,
    // greets the device and reads its answer 0.25 s later.
    void open(const std::string &path);
    // Writes bytes whole; nothing more goes out for pause.
    void send(Bytes bytes, std::chrono::milliseconds pause);
    void send(const Packet &packet, std::chrono::milliseconds pause)
    {
        send(Bytes(packet.begin(), packet.end()), pause);
    }
    // Drops what waits to be read, so a late answer to an earlier request is
    // not taken for the answer to the next one.
    void discardInput();
    // Writes bytes, waits for wait and reads at most maxReply bytes of the
    // answer. handler is always called: with an error when the line was not
    // open or went away.
    void request(Bytes bytes, std::chrono::milliseconds wait, std::size_t maxReply,
                 ReplyHandler handler);
    // Farewell, drained, the settings found at opening restored, closed.
    void close();
    // The device at path went away (its node or link is gone) though the line
    // may not have noticed yet: it is released and reported lost, unless
    // another line is open by then. What was queued before goes first.
    void lose(const std::string &path);

    // Once the last write of a job is out (or dropped, the line not open):
    // whether it went out, and every message the job wrote, in order.
    using Written = std::function<void(bool written, const std::vector<Bytes> &messages)>;

    // While a Job lives, what its owner queues goes out as one piece of work,
    // reported as progress ("Applying preset 2", 7 of 16) when it has a label.
    // Jobs begun inside another one belong to the outer one, which takes the
    // first label given. whenWritten is told, on the owner's side, when the
    // job's last write is out: right after it, before its pause; a job that
    // writes nothing is told at once.
    class Job {
    public:
        explicit Job(SendQueue &queue, std::string label = {}, Written whenWritten = {});
        ~Job();
        Job(const Job &) = delete;
        Job &operator=(const Job &) = delete;

    private:
        SendQueue &m_queue;
    };

    // With Reporting::ToOwner: readable while reports wait in the outbox.
    int reportFd() const { return m_outboxFd; }
    // Runs the reports waiting in the outbox, oldest first, on the caller's
    // thread. A report that runs an event loop of its own (a modal alert) may
    // see later reports taken meanwhile; the order stays the same.
    void takeReports();

    // Something is queued or going out.
    bool busy() const;
    // The pauses of everything queued and not yet out: how long the queue needs at least.
    std::chrono::milliseconds pendingPauses() const;
    // Blocks until everything queued so far is done (for programs without a window).
    void waitUntilIdle();

private:
    struct Item {
        enum class Kind { Open, Write, Discard, Close, Lose, Stop };
        explicit Item(Kind kind, Bytes bytes = {}, std::chrono::milliseconds pause = {})
            : kind(kind)
            , bytes(std::move(bytes))
            , pause(pause)
        {
        }
        Kind kind;
        std::string path;
        Bytes bytes;
        std::chrono::milliseconds pause{0};
        std::size_t maxReply = 0;
        ReplyHandler onReply;
        std::string job;
        int step = 0;
        int steps = 0;
        Written whenWritten;
        std::vector<Bytes> jobMessages; // what whenWritten is told
    };

    void post(Item item);
    void run();
    void carryOut(Item &item);
    void write(Item &item);
    void report(std::function<void()> call);
    void waitForWork(std::unique_lock<std::mutex> &lock);
    void wake();

    Reporting m_reporting;
    Reports m_reports;
    SerialLine m_line;

    // Jobs being collected on the owner's thread.
    int m_jobDepth = 0;
    std::string m_jobLabel;
    std::deque<Item> m_jobItems;
    std::vector<Written> m_jobWritten;

    mutable std::mutex m_mutex;
    std::condition_variable m_idleChanged;
    std::deque<Item> m_items;
    bool m_working = false;
    std::atomic<long long> m_pendingPauseMs{0};
    int m_wakeFd = -1;
    std::deque<std::function<void()>> m_outbox;
    int m_outboxFd = -1;
    std::thread m_thread;
};

// The camera's three frame sizes, queued with the 0.1 s the camera needs
// before it takes the next frame.
inline void sendCommand8(SendQueue &queue, std::uint8_t group, std::uint8_t index, int value)
{
    queue.send(commandFrame8(group, index, value), framePause);
}
inline void sendCommand16(SendQueue &queue, std::uint8_t group, std::uint8_t index, int value)
{
    queue.send(commandFrame16(group, index, value), framePause);
}
inline void sendCommand32(SendQueue &queue, std::uint8_t group, std::uint8_t index, int first,
                          int second)
{
    queue.send(commandFrame32(group, index, first, second), framePause);
}

} // namespace camdeck
