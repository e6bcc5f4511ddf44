// One open of the line for all the commands of a call. The panel's core drives
// the paced queue as the window drives it, from controls kept in memory; the
// queue's reports are taken on this thread between the commands, so each
// command's messages and answers are gathered as they happen.
#pragma once

#include "host.h"
#include "invocation.h"
#include "memorycontrols.h"
#include "output.h"

#include "link/sendqueue.h"
#include "panel/camerapanel.h"
#include "protocol/decoder.h"

#include <optional>

namespace camdeck::ctl {

class Session {
public:
    Session(const Invocation &invocation, Host &host, Output &output);

    // Opens the device, runs the commands in order and closes it: farewell,
    // drained, settings restored. The exit status.
    int run();

private:
    void carryOut(const Command &command);
    void checkAnswer(const Command &command);
    // Takes the queue's reports until everything queued so far is out.
    void drain();
    void tapped(SerialLine::Direction direction, const Bytes &bytes);
    void failed(const SendQueue::Failure &failure);
    void noticeSignal();

    const Invocation &m_invocation;
    Host &m_host;
    Output &m_output;
    MemoryControls m_controls;
    SendQueue m_queue{SendQueue::Reporting::ToOwner};
    CameraPanel m_panel{m_controls, m_queue};
    protocol::Decoder m_written;

    std::optional<OpenResult> m_opened;
    Bytes m_greetingReply;
    std::vector<std::string> m_greetingSent;
    CommandResult m_result; // of the command going out
    std::optional<SendQueue::Failure> m_failure;
    bool m_unanswered = false;
    int m_signal = 0;
};

} // namespace camdeck::ctl
