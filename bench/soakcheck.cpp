#include "soakcheck.h"

#include "protocol/camera.h"
#include "protocol/decoder.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <sstream>

namespace {

using namespace camdeck;
using protocol::Event;
using Kind = Event::Kind;
using Ns = long long;

constexpr Ns ms = 1'000'000;

// What the devices need after a message before they take the next one. These
// are the devices' figures, not the program's: a wrong constant there shows here.
Ns pauseAfter(const Event &message)
{
    switch (message.kind) {
    case Kind::Frame:
        return protocol::textPosition({message.group(), message.index()}) ? 50 * ms : 100 * ms;
    case Kind::MaskShow:
    case Kind::MaskDefine:
        return 50 * ms;
    case Kind::Greeting:
        return 250 * ms;
    case Kind::TravelQuery:
        return 500 * ms;
    default:
        return 0;
    }
}

Bytes fromHex(const std::string &hex)
{
    Bytes bytes;
    std::istringstream words(hex);
    for (std::string word; words >> word;)
        bytes.push_back(static_cast<std::uint8_t>(std::stoul(word, nullptr, 16)));
    return bytes;
}

struct Message {
    Event event;
    Ns at; // when its first byte was read
    int session;
    int action = -1; // the action that said it sent it
};

struct Session {
    bool farewell = false;
    bool pulled = false; // the port was pulled before any farewell
};

struct Action {
    Ns at = 0;
    std::string kind;
    std::string detail;
    std::vector<Bytes> wrote;
};

class Checker {
public:
    Checker(const SoakLimits &limits)
        : m_limits(limits)
    {
    }
    SoakFindings run(std::istream &capture, std::istream &log);

private:
    void readLog(std::istream &log);
    void readCapture(std::istream &capture);
    void decodeConnection(const Bytes &stream, const std::vector<Ns> &times, bool pulled);
    void checkPacing();
    void matchActions();
    void checkUnclaimed();
    void checkTheEnd();
    void checkFigures();
    void violation(Ns at, const std::string &what);
    std::string where(int message) const;

    const SoakLimits &m_limits;
    SoakFindings m_found;
    Ns m_start = 0;
    std::map<int, Action> m_actions;
    std::optional<int> m_lastAction; // the one under way at the termination signal
    Ns m_signalled = -1;
    Ns m_ended = -1;
    std::vector<std::pair<long long, std::string>> m_memory;
    std::vector<Message> m_messages;
    std::vector<Session> m_sessions;
};

SoakFindings Checker::run(std::istream &capture, std::istream &log)
{
    readLog(log);
    readCapture(capture);
    checkPacing();
    matchActions();
    checkUnclaimed();
    checkTheEnd();
    checkFigures();
    std::stable_sort(m_found.violations.begin(), m_found.violations.end(),
                     [](const auto &a, const auto &b) { return a.at < b.at; });
    return m_found;
}

void Checker::violation(Ns at, const std::string &what)
{
    m_found.violations.push_back({double(at - m_start) / 1e9, what});
}

// "frame 2/1 ← 0x0C at 12.345 s"
std::string Checker::where(int message) const
{
    const Message &m = m_messages[std::size_t(message)];
    char at[32];
    std::snprintf(at, sizeof at, " at %.3f s", double(m.at - m_start) / 1e9);
    return protocol::describeMessage(m.event) + at;
}

void Checker::readLog(std::istream &log)
{
    for (std::string line; std::getline(log, line);) {
        std::istringstream fields(line);
        Ns at = 0;
        std::string word;
        fields >> at >> word;
        std::string rest;
        std::getline(fields >> std::ws, rest);
        std::istringstream args(rest);
        m_found.lastly = double(at - m_start) / 1e9;
        if (word == "start") {
            m_start = at;
        } else if (word == "action") {
            int id = 0;
            Action action{at, {}, {}, {}};
            args >> id >> action.kind;
            std::getline(args >> std::ws, action.detail);
            ++m_found.actions[action.kind];
            m_actions[id] = action;
        } else if (word == "wrote") {
            int id = 0;
            std::string hex;
            args >> id;
            while (std::getline(args >> std::ws, hex, '|'))
                m_actions[id].wrote.push_back(fromHex(hex));
        } else if (word == "violation") {
            violation(at, rest);
        } else if (word == "file") {
            ++m_found.fileChecks;
        } else if (word == "memory") {
            long long kb = 0, anonymous = -1, fromFiles = -1;
            std::string when;
            args >> kb >> when >> anonymous >> fromFiles;
            m_memory.emplace_back(kb, when);
            m_found.memoryKb.push_back(kb);
            m_found.memoryParts.emplace_back(anonymous, fromFiles);
        } else if (word == "stall") {
            Ns longest = 0, when = 0;
            args >> longest >> when;
            m_found.longestStallMs = double(longest) / 1e6;
            m_found.longestStallAt = double(when - m_start) / 1e9;
        } else if (word == "sigterm") {
            int id = 0;
            args >> id;
            m_lastAction = id;
            m_signalled = at;
        } else if (word == "ended") {
            m_ended = at;
        }
    }
}

// A connection is one plug of the simulator's port, from plugged to unplugged.
void Checker::readCapture(std::istream &capture)
{
    Bytes stream;
    std::vector<Ns> times;
    bool plugged = false;
    for (std::string line; std::getline(capture, line);) {
        std::istringstream fields(line);
        Ns at = 0;
        std::string word, rest;
        fields >> at >> word;
        std::getline(fields >> std::ws, rest);
        if (word == "plugged") {
            ++m_found.plugs;
            plugged = true;
        } else if (word == "unplugged" && plugged) {
            ++m_found.unplugs;
            decodeConnection(stream, times, true);
            stream.clear();
            times.clear();
            plugged = false;
        } else if (word == "read") {
            const Bytes chunk = fromHex(rest);
            stream.insert(stream.end(), chunk.begin(), chunk.end());
            times.insert(times.end(), chunk.size(), at);
        }
    }
    if (plugged)
        decodeConnection(stream, times, false);
}

// Messages in the order they came; a session runs from a greeting to the
// farewell (or to a pulled port).
void Checker::decodeConnection(const Bytes &stream, const std::vector<Ns> &times, bool pulled)
{
    protocol::Decoder decoder;
    std::vector<Event> events = decoder.feed(stream);
    for (Event &event : decoder.flush())
        events.push_back(std::move(event));
    std::optional<int> session;
    bool closed = false; // the session said farewell
    std::size_t cursor = 0;
    for (const Event &event : events) {
        const auto found = std::search(stream.begin() + std::ptrdiff_t(cursor), stream.end(),
                                       event.bytes.begin(), event.bytes.end());
        const std::size_t at = std::min(std::size_t(found - stream.begin()), stream.size() - 1);
        const Ns first = times[at];
        const Ns last = times[std::min(at + event.bytes.size(), times.size()) - 1];
        // The decoder looks again from the byte after a message it refused.
        cursor = at + (event.isRejected() && event.kind != Kind::Skipped ? 1 : event.bytes.size());
        const std::string hex = protocol::hexBytes(event.bytes);
        if (event.isRejected()) {
            violation(first, protocol::describeMessage(event));
            continue;
        }
        if (last - first > 50 * ms)
            violation(first,
                      "cut: the bytes of " + hex + " came " + std::to_string((last - first) / ms)
                          + " ms apart, and the device gives up after 50");
        if (event.kind == Kind::Greeting) {
            if (session && !closed)
                violation(first, "greeted again with no farewell before it");
            m_sessions.push_back({});
            session = int(m_sessions.size()) - 1;
            closed = false;
        } else if (!session || closed) {
            violation(first,
                      protocol::describeMessage(event) + " (" + hex + ") written "
                          + (closed ? "after the farewell" : "before the port was greeted"));
            continue;
        }
        if (event.kind == Kind::Farewell) {
            closed = true;
            m_sessions[std::size_t(*session)].farewell = true;
        }
        m_messages.push_back({event, first, *session});
        const Kind k = event.kind;
        m_found.frames += k == Kind::Frame;
        m_found.packets
            += k == Kind::Switch || k == Kind::MaskShow || k == Kind::MaskDefine || k == Kind::Jog;
        m_found.requests += k == Kind::Greeting || k == Kind::TravelQuery;
        m_found.farewells += k == Kind::Farewell;
    }
    if (session && !closed)
        m_sessions[std::size_t(*session)].pulled = pulled;
}

// Any run of messages i..j of a session spans at least the pauses of i..j-1,
// less the jitter: with P the pauses before each message, t - P never falls
// more than the jitter below what it was for an earlier message.
void Checker::checkPacing()
{
    for (std::size_t first = 0; first < m_messages.size();) {
        std::size_t end = first;
        while (end < m_messages.size() && m_messages[end].session == m_messages[first].session)
            ++end;
        Ns pauses = 0;
        std::size_t best = first;
        Ns bestMargin = m_messages[first].at;
        int faults = 0;
        for (std::size_t j = first; j < end; ++j) {
            const Ns margin = m_messages[j].at - pauses;
            if (bestMargin - margin > m_limits.jitter.count() * 1000 && faults++ < 3) {
                const Ns span = m_messages[j].at - m_messages[best].at;
                Ns needed = 0;
                for (std::size_t k = best; k < j; ++k)
                    needed += pauseAfter(m_messages[k].event);
                char said[96];
                std::snprintf(said, sizeof said, " came %.1f ms after ", double(span) / 1e6);
                violation(m_messages[j].at,
                          "too soon: " + where(int(j)) + said + where(int(best)) + ", "
                              + std::to_string(j - best) + " message(s) needing "
                              + std::to_string(needed / ms) + " ms");
            }
            if (margin > bestMargin) {
                bestMargin = margin;
                best = j;
            }
            pauses += pauseAfter(m_messages[j].event);
        }
        first = end;
    }
}

// Each action's messages, in the order the actions were taken, each run of
// them whole and no sooner than the action.
void Checker::matchActions()
{
    std::vector<int> sent; // the messages an action can have sent
    for (std::size_t i = 0; i < m_messages.size(); ++i) {
        const Kind k = m_messages[i].event.kind;
        if (k != Kind::Greeting && k != Kind::Farewell)
            sent.push_back(int(i));
    }
    std::size_t from = 0;
    for (const auto &[id, action] : m_actions) {
        if (action.wrote.empty())
            continue;
        const std::size_t n = action.wrote.size();
        std::optional<std::size_t> found;
        for (std::size_t k = from; k + n <= sent.size() && !found; ++k) {
            if (m_messages[std::size_t(sent[k])].at < action.at)
                continue;
            bool same = true;
            for (std::size_t i = 0; i < n && same; ++i)
                same = m_messages[std::size_t(sent[k + i])].event.bytes == action.wrote[i];
            if (same)
                found = k;
        }
        if (!found) {
            violation(action.at,
                      "action " + std::to_string(id) + " (" + action.kind + " " + action.detail
                          + "): the program said it sent " + std::to_string(n)
                          + " message(s), from " + protocol::hexBytes(action.wrote.front())
                          + ", which did not reach the device whole and in order");
            continue;
        }
        for (std::size_t i = 0; i < n; ++i)
            m_messages[std::size_t(sent[*found + i])].action = id;
        m_found.claimed += int(n);
        from = *found + n;
    }
}

// What no action sent may only be the tail of a session whose port was
// pulled: an action cut short, which the program said did not all go out.
void Checker::checkUnclaimed()
{
    for (std::size_t i = 0; i < m_messages.size(); ++i) {
        const Message &m = m_messages[i];
        const Kind k = m.event.kind;
        if (m.action >= 0 || k == Kind::Greeting || k == Kind::Farewell)
            continue;
        std::size_t end = i;
        while (end < m_messages.size() && m_messages[end].session == m.session
               && m_messages[end].action < 0 && m_messages[end].event.kind != Kind::Farewell)
            ++end;
        const bool tail = end == m_messages.size() || m_messages[end].session != m.session;
        const std::size_t count = end - i;
        if (tail && m_sessions[std::size_t(m.session)].pulled)
            m_found.cutShort += int(count);
        else
            violation(m.at,
                      std::to_string(count) + " message(s) no action sent, from " + where(int(i))
                          + " (" + protocol::hexBytes(m.event.bytes) + ")");
        i = end - 1;
    }
}

// The termination signal came during the last action: its messages all came,
// then the farewell, then nothing, and the program ended after that.
void Checker::checkTheEnd()
{
    if (!m_lastAction)
        return violation(m_ended, "the run never got to its termination signal");
    const int last = *m_lastAction;
    std::vector<std::size_t> its;
    for (std::size_t i = 0; i < m_messages.size(); ++i) {
        if (m_messages[i].action == last)
            its.push_back(i);
    }
    if (its.empty())
        return violation(m_signalled,
                         "the recall under way at the termination signal never "
                         "said it had all gone out");
    if (m_messages[its.front()].at > m_signalled || m_messages[its.back()].at < m_signalled)
        violation(m_signalled, "the termination signal did not come in the middle of the recall");
    const std::size_t after = its.back() + 1;
    if (after != m_messages.size() - 1 || m_messages[after].event.kind != Kind::Farewell)
        return violation(m_signalled,
                         "after the signal, the recall's frames were not followed "
                         "by the farewell and nothing else");
    if (m_ended >= 0 && m_messages[after].at > m_ended + m_limits.jitter.count() * 1000)
        violation(m_ended, "the program ended before its farewell reached the device");
}

void Checker::checkFigures()
{
    if (m_memory.size() >= 2) {
        m_found.memoryFromKb = m_memory.front().first;
        m_found.memoryFrom = m_memory.front().second;
        m_found.memoryToKb = m_memory.back().first;
        const long long growth = m_found.memoryToKb - m_found.memoryFromKb;
        if (growth >= m_limits.memoryGrowthKb && !m_limits.sanitized)
            violation(m_ended,
                      "resident memory grew " + std::to_string(growth) + " kB from "
                          + m_found.memoryFrom + " to the end");
    }
    // The stall was told when the timer ticked again: it began its length before.
    const Ns stallBegan = m_start + Ns((m_found.longestStallAt - m_found.longestStallMs / 1e3) * 1e9);
    for (const auto &[id, action] : m_actions) {
        if (action.at <= stallBegan)
            m_found.longestStallDuring = "action " + std::to_string(id) + " (" + action.kind
                + (action.detail.empty() ? "" : " " + action.detail) + ")";
    }
    if (m_found.longestStallMs > double(m_limits.stall.count()) && !m_limits.sanitized)
        m_found.violations.push_back(
            {m_found.longestStallAt, "the window stalled "
                                         + std::to_string(int(m_found.longestStallMs))
                                         + " ms, in or after " + m_found.longestStallDuring});
}

} // namespace

SoakFindings checkSoak(std::istream &capture, std::istream &log, const SoakLimits &limits)
{
    return Checker(limits).run(capture, log);
}
