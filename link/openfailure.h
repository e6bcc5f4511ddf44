// What a port that could not be opened means for a person: why, in the
// system's words where they say it, and what to do about it. Every program
// words it from here; link/ itself only gives the reason and the errno.
#pragma once

#include "serialline.h"

#include <string>

namespace camdeck {

struct OpenFailureWords {
    std::string why; // "the port is in use by another program (Device or resource busy)"
    std::string remedy; // "close it and try again; ..." or ""
};

// Another program holds the port: its lock, or its exclusive use of the tty.
bool isInUse(const OpenResult &result);
OpenFailureWords describeOpenFailure(const OpenResult &result);

} // namespace camdeck
