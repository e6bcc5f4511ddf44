// camdeck-ctl as a function: the arguments after the program's name in, the
// exit status out, everything else through the host. main() only builds the
// host; tests call this with a pseudo-terminal's pauses. No Qt.
#pragma once

#include "host.h"

#include <string>
#include <vector>

namespace camdeck::ctl {

int run(const std::vector<std::string> &arguments, Host &host);

} // namespace camdeck::ctl
