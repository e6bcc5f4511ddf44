// What the jog pad says to the motor drive and how the drive answers a stop.
// Pure: no I/O, no Qt.
#pragma once

#include "packets.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string_view>

namespace camdeck {

enum class JogDirection : std::uint8_t { Right = 0, Left = 1, Back = 2, Forward = 3, Stop = 4 };

// 85 01, the direction code, 00 00 00, the checksum, 00.
Packet jogPacket(JogDirection direction);
// "right", "left", "back", "forward", "stop"; and back, in any case.
const char *jogName(JogDirection direction);
std::optional<JogDirection> findJogDirection(std::string_view name);

// The drive needs 0.5 s to answer the travel query, which follows the stop.
inline constexpr std::chrono::milliseconds travelReplyWait{500};
inline constexpr std::size_t travelReplyMaxRead = 12;

// The drive answers with exactly two bytes, a signed 16-bit count of
// millimetres, high byte first; anything else is no answer. A move longer
// than 16 bits hold is answered as the nearest it can say.
std::optional<int> travelFromReply(const Bytes &reply);
Bytes travelReply(long travelMm);

} // namespace camdeck
