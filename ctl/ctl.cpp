#include "ctl.h"
#include "decode.h"
#include "help.h"
#include "invocation.h"
#include "output.h"
#include "session.h"

#include "util/helporversion.h"
#include "util/serialports.h"

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
    return Session(invocation, host, output).run();
}

} // namespace camdeck::ctl
