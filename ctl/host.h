// What camdeck-ctl takes from the system it runs on: its streams, the pauses
// and the signals. The program hands in the real ones; tests string streams
// and a pseudo-terminal's short pauses.
#pragma once

#include "link/serialline.h"

#include <iosfwd>

namespace camdeck::ctl {

struct Host {
    std::ostream &out;
    std::ostream &err;
    std::istream &in;
    // Empty: the devices' pauses in real time.
    SerialLine::Pause pause;
    // Readable once SIGINT or SIGTERM came; holds the signal's number. -1: none.
    int interruptFd = -1;
};

// Exit statuses, as the manual page lists them.
enum Status {
    Done = 0,
    BadArguments = 1,
    CannotOpen = 2,
    InUse = 3,
    LineFailed = 4,
    NoAnswer = 5,
    Damaged = 6, // decode: the input held messages that are damaged, or bytes that are none
};

} // namespace camdeck::ctl
