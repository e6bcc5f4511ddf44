#include "session.h"

#include "link/openfailure.h"
#include "presets/presetstore.h"
#include "protocol/jog.h"

#include <cstring>
#include <poll.h>
#include <unistd.h>
#include <utility>

namespace camdeck::ctl {

Session::Session(const Invocation &invocation, Host &host, Output &output)
    : m_invocation(invocation)
    , m_host(host)
    , m_output(output)
{
    SendQueue::Reports reports;
    reports.opened
        = [this](const std::string &, const OpenResult &result, const ReadResult &reply) {
              m_opened = result;
              m_greetingReply = reply.data;
          };
    reports.failed = [this](const SendQueue::Failure &failure) { failed(failure); };
    reports.tap
        = [this](SerialLine::Direction direction, const Bytes &bytes) { tapped(direction, bytes); };
    // Wakes drain() when the last item is out, whether or not it reported anything.
    reports.idle = [] {};
    m_queue.setReports(std::move(reports));
    if (m_host.pause)
        m_queue.setPause(m_host.pause);
}

int Session::run()
{
    // The panel applies preset 1 once a port is open; a script says what it wants.
    m_queue.open(m_invocation.device);
    drain();
    if (!m_opened->ok()) {
        const OpenFailureWords words = describeOpenFailure(*m_opened);
        m_output.error("cannot open " + m_invocation.device + ": " + words.why
                       + (words.remedy.empty() ? "" : "; " + words.remedy));
        return isInUse(*m_opened) ? InUse : CannotOpen;
    }
    m_greetingSent = std::exchange(m_result.sent, {});

    for (const Command &command : m_invocation.commands) {
        if (m_failure || m_signal)
            break;
        m_result = {};
        carryOut(command);
        drain();
        if (m_failure)
            m_result.error = m_failure->lost ? "port lost" : "write failed";
        m_output.result(command, m_result);
        checkAnswer(command);
    }
    if (m_signal && !m_failure)
        m_output.error("interrupted: what was queued went out, the rest is not sent");

    m_queue.close();
    drain();
    for (const protocol::Event &message : m_written.flush())
        m_output.sent(message);
    if (m_failure)
        return LineFailed;
    if (m_signal)
        return 128 + m_signal;
    return m_unanswered ? NoAnswer : Done;
}

void Session::carryOut(const Command &command)
{
    switch (command.kind) {
    case Command::Kind::Hello:
        // The greeting went out when the line opened.
        m_result.sent = m_greetingSent;
        m_result.reply = m_greetingReply;
        break;
    case Command::Kind::Preset: {
        // The panel makes a missing file; a script does not write into the home directory unasked.
        const PresetRead preset = readPreset(command.number);
        const std::string builtIn
            = "preset " + std::to_string(command.number + 1) + " uses its built-in values";
        const std::string path = preset.path.toStdString();
        if (preset.outcome == PresetRead::Missing)
            m_output.error("no " + path + ": " + builtIn + " (no file is made)");
        else if (preset.outcome == PresetRead::Unreadable)
            m_output.error("cannot read " + path + " (" + preset.error.toStdString()
                           + "): " + builtIn);
        m_panel.recall(preset.values);
        break;
    }
    case Command::Kind::Set:
        for (const Setting &setting : command.settings) {
            m_controls.assign(*setting.control, setting.value);
            m_panel.changed(*setting.control);
        }
        break;
    case Command::Kind::Text:
        m_panel.uploadText(command.text); // read whole before: it goes out
        break;
    case Command::Kind::Mask:
        m_panel.drawMask(command.number);
        break;
    case Command::Kind::Jog:
        if (command.direction != JogDirection::Stop)
            m_panel.jog(command.direction);
        else
            m_panel.stopJog([this](std::optional<int> travel, const Bytes &reply) {
                m_result.reply = reply;
                m_result.travel = travel;
            });
        break;
    case Command::Kind::Switch:
        m_panel.setSwitch(*command.which, command.on);
        break;
    case Command::Kind::Get: // only an open panel has values to read
        break;
    case Command::Kind::Setup:
        m_panel.take(command.setup, true); // dump needs a panel: it has the values
        break;
    }
}

// A script that asked for an answer and got none must be able to tell.
void Session::checkAnswer(const Command &command)
{
    if (m_failure)
        return;
    const std::string missing = missingAnswer(command, m_result, m_invocation.device);
    if (!missing.empty()) {
        m_output.error(missing);
        m_unanswered = true;
    }
}

void Session::drain()
{
    for (;;) {
        const bool idle = !m_queue.busy();
        m_queue.takeReports();
        if (idle)
            return;
        if (!m_queue.busy())
            continue; // it went idle while its reports were taken
        const bool watchSignals = m_host.interruptFd >= 0 && m_signal == 0;
        pollfd waiting[2] = {{m_queue.reportFd(), POLLIN, 0}, {m_host.interruptFd, POLLIN, 0}};
        if (::poll(waiting, watchSignals ? 2 : 1, -1) > 0 && watchSignals
            && (waiting[1].revents & POLLIN))
            noticeSignal();
    }
}

void Session::tapped(SerialLine::Direction direction, const Bytes &bytes)
{
    if (direction == SerialLine::Direction::Read) {
        m_output.read(bytes);
        return;
    }
    for (const protocol::Event &message : m_written.feed(bytes)) {
        m_output.sent(message);
        m_result.sent.push_back(protocol::hexBytes(message.bytes));
    }
}

void Session::failed(const SendQueue::Failure &failure)
{
    m_failure = failure;
    const std::string why = std::strerror(failure.error);
    m_output.error(failure.lost ? "lost " + failure.path + " (" + why + "); the rest is not sent"
                                : "a write to " + failure.path + " failed (" + why
                           + "); the commands after this one are not sent");
}

// What is queued still goes out, as when the window closes; nothing more is queued.
void Session::noticeSignal()
{
    unsigned char signal = 0;
    if (::read(m_host.interruptFd, &signal, 1) == 1)
        m_signal = signal;
}

} // namespace camdeck::ctl
