#include "ctl.h"
#include "decode.h"
#include "help.h"
#include "invocation.h"
#include "output.h"
#include "panelclient.h"
#include "session.h"

#include "util/programinfo.h"
#include "util/serialports.h"

#include <algorithm>
#include <ostream>

namespace camdeck::ctl {

int run(const std::vector<std::string> &arguments, Host &host)
{
    // The whole line is read first: a mistake anywhere sends nothing at all.
    const Invocation invocation = parseArguments(arguments);
    if (!invocation.error.empty()) {
        host.err << "camdeck-ctl: " << invocation.error << '\n' << usageLine() << std::endl;
        return BadArguments;
    }
    Output output(host, invocation.json, invocation.verbose);
    switch (invocation.action) {
    case Invocation::Action::Help:
        host.out << helpText() << std::flush;
        return Done;
    case Invocation::Action::Version:
        host.out << "camdeck-ctl " << camdeckVersion << std::endl;
        return Done;
    case Invocation::Action::List:
        host.out << controlList() << std::flush;
        return Done;
    case Invocation::Action::Ports:
        output.ports(systemPorts());
        return Done;
    case Invocation::Action::Decode:
        return decodeStream(invocation, host);
    case Invocation::Action::Run:
        break;
    }
    // An open panel that holds the port takes the commands; else the port itself.
    if (!invocation.direct) {
        if (const std::optional<OpenPanel> panel = findOpenPanel(invocation.device))
            return runThroughPanel(invocation, *panel, host, output);
    }
    const char *first = invocation.commands.front().name();
    const auto reads = std::find_if(
        invocation.commands.begin(), invocation.commands.end(), [](const Command &c) {
            return c.kind == Command::Kind::Get
                || (c.kind == Command::Kind::Setup && c.words.front() == "dump");
        });
    if (reads != invocation.commands.end()) {
        output.error(std::string(reads->kind == Command::Kind::Get ? "get" : "setup dump")
                     + " reads an open panel's controls, and no panel holds "
                     + (invocation.device.empty() ? std::string("a port") : invocation.device));
        return CannotOpen;
    }
    if (invocation.device.empty()) {
        host.err << "camdeck-ctl: " << first
                 << " wants the device: -d PATH (no open panel holds a port)\n"
                 << usageLine() << std::endl;
        return BadArguments;
    }
    return Session(invocation, host, output).run();
}

} // namespace camdeck::ctl
