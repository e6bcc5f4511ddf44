// The device's end of a pseudo-terminal for the tests and the benchmark: the
// panel opens the slave path as it would open a USB adapter; the peer reads
// the master on a thread of its own, time-stamping every chunk (which is what
// the pacing is measured by), and answers scripted requests.
#pragma once

#include "link/serialline.h"
#include "pseudoterminal.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class PtyPeer {
public:
    using Clock = std::chrono::steady_clock;
    struct Arrival {
        Clock::time_point at;
        camdeck::Bytes bytes;
    };

    PtyPeer();
    ~PtyPeer();
    PtyPeer(const PtyPeer &) = delete;
    PtyPeer &operator=(const PtyPeer &) = delete;

    const std::string &slavePath() const { return m_pty.slavePath(); }
    // The peer's own descriptor on the slave: keeps the pty alive and lets a
    // test read its settings.
    int slaveFd() const { return m_pty.slave(); }

    // Every time trigger arrives from now on, the peer writes reply (instead of
    // what it answered to trigger before).
    void answer(const camdeck::Bytes &trigger, const camdeck::Bytes &reply);
    void send(const camdeck::Bytes &bytes);
    // The adapter is pulled: the master closes and the slave hangs up.
    void hangUp();

    // The next n bytes received (fewer if they do not come within timeout).
    camdeck::Bytes take(std::size_t n, std::chrono::milliseconds timeout = std::chrono::seconds(2));
    // Everything received until the line has been quiet for quiet.
    camdeck::Bytes takeAll(std::chrono::milliseconds quiet = std::chrono::milliseconds(60));
    std::vector<Arrival> arrivals() const;

    // A pause for the panel under test: short pauses return at once; the ones
    // after which the panel reads a reply wait until the peer has answered.
    camdeck::SerialLine::Pause fastPause();

private:
    struct Rule {
        camdeck::Bytes trigger;
        camdeck::Bytes reply;
        std::size_t scanFrom = 0;
    };
    void run();
    void settle();
    void waitFor(std::unique_lock<std::mutex> &lock, std::chrono::milliseconds slice);
    void stopReader();

    PseudoTerminal m_pty{false};
    mutable std::mutex m_mutex;
    std::condition_variable m_arrived;
    camdeck::Bytes m_stream;
    std::size_t m_taken = 0;
    std::vector<Arrival> m_arrivals;
    std::vector<Rule> m_rules;
    Clock::time_point m_lastArrival = Clock::now();
    bool m_stop = false;
    bool m_answered = false; // a rule answered since the last settle

    std::thread m_reader;
};
