// Why a port could not be opened, in words for a script's log; link/ gives
// only the reason and the errno. No Qt.
#pragma once

#include "link/serialline.h"

#include <string>

namespace camdeck::ctl {

// Another program holds the port: its lock, or its exclusive use of the tty.
bool isInUse(const OpenResult &result);

// "cannot open /dev/ttyUSB0: Permission denied; a serial port belongs to ...".
std::string describeOpenFailure(const std::string &path, const OpenResult &result);

} // namespace camdeck::ctl
