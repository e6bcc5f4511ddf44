// The one text form of what crossed the line: the traffic monitor saves it,
// camdeck-ctl -v prints it, and camdeck-ctl decode --hex reads it back, as it
// reads lines of bare hex. A line is a time, the direction, the bytes in hex
// and what they said, two spaces apart:
//   09:41:07.250  sent  01 00 28 05 02 00 00 01 01 DC 61  2/0 exposure mode ← 0x01
//   09:41:07.512  read  53 49 4D 31  reply, 4 bytes
// Pure: no I/O, no Qt.
#pragma once

#include "frame.h"

#include <optional>
#include <string>
#include <string_view>

namespace camdeck::protocol {

enum class Direction { Sent, Read };

std::string captureLine(std::string_view time, Direction direction, const Bytes &bytes,
                        std::string_view said);
// What a read says of itself: "reply, 4 bytes".
std::string replySize(const Bytes &bytes);

// The bytes of a capture line, or of a line of bare hex: pairs of hex digits,
// apart or run together, separated by blanks, commas, colons or semicolons,
// each run perhaps led by 0x; '#' starts a comment. direction is empty for
// bare hex; error says what is not hex.
struct CapturedLine {
    std::optional<Direction> direction;
    Bytes bytes;
    std::string error;
};
CapturedLine readCaptureLine(std::string_view line);

} // namespace camdeck::protocol
