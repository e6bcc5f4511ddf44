// decode: a captured byte stream, raw or written as hex, as the messages the
// panel sends, one line each; frames with a wrong CRC or length and packets
// with a wrong checksum are reported and the rest still decoded. No Qt.
#pragma once

#include "host.h"
#include "invocation.h"

#include "protocol/frame.h"

#include <string>
#include <string_view>

namespace camdeck::ctl {

// The exit status: 0 once the whole input was read, whatever it held.
int decodeStream(const Invocation &invocation, Host &host);

// The bytes of one line of hex text: pairs of hex digits, apart or run
// together, separated by blanks, commas or colons, each run perhaps led by 0x;
// '#' starts a comment. error says what is not hex.
struct HexLine {
    Bytes bytes;
    std::string error;
};
HexLine hexLine(std::string_view line);

} // namespace camdeck::ctl
