// How camdeck-ctl says what happened. Standard output carries results only,
// for scripts to read: a line for what a command answered (the greeting's
// reply, the travel), or with --json one object per command. Standard error
// carries the errors and, with -v, every message on the line as a capture
// line (what the traffic monitor saves, and decode --hex reads).
#pragma once

#include "host.h"
#include "invocation.h"

#include "protocol/decoder.h"
#include "util/serialports.h"

#include <optional>
#include <string>
#include <vector>

namespace camdeck::ctl {

// What one command did on the line.
struct CommandResult {
    std::vector<std::string> sent; // each message written, in hex
    std::optional<Bytes> reply; // hello and jog stop: what the device answered
    std::optional<int> travel; // jog stop: the move's travel in mm
    std::string error; // the line failed during the command
    std::vector<std::pair<std::string, std::string>> values; // get: name and value
    std::optional<std::string> setup; // setup dump: the text
};

// What a script asked for and did not get ("no reply to the greeting from
// /dev/ttyUSB0", "the drive did not answer the travel query"), or "".
std::string missingAnswer(const Command &command, const CommandResult &result,
                          const std::string &device);

class Output {
public:
    Output(Host &host, bool json, bool verbose);

    void result(const Command &command, const CommandResult &result);
    void ports(const QList<PortInfo> &ports);
    // With -v: a message as it went out, bytes as they came in.
    void sent(const protocol::Event &message);
    void read(const Bytes &bytes);
    // "camdeck-ctl: " and the message, on standard error.
    void error(const std::string &message);

private:
    std::ostream &m_out;
    std::ostream &m_err;
    bool m_json;
    bool m_verbose;
};

} // namespace camdeck::ctl
