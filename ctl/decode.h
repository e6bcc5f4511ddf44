// decode: a captured byte stream, raw or as text (a capture the traffic
// monitor saved or -v printed, or lines of bare hex), as the messages the
// panel sends, one line each; frames with a wrong CRC or length and packets
// with a wrong checksum are reported and the rest still decoded.
#pragma once

#include "host.h"
#include "invocation.h"

namespace camdeck::ctl {

// The exit status: 0 once the whole input was read and every byte of it was
// a sound message; 6 when some were not.
int decodeStream(const Invocation &invocation, Host &host);

} // namespace camdeck::ctl
