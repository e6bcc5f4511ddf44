// What the jog pad says to the motor drive and how the drive answers a stop.
// Pure: no I/O, no Qt.
#pragma once

#include "frame.h"

#include <chrono>
#include <cstdint>
#include <optional>

namespace camdeck {

inline constexpr std::uint8_t jogLead = 0x85;
enum class JogDirection : std::uint8_t { Right = 0, Left = 1, Back = 2, Forward = 3, Stop = 4 };

// 85 01, the direction code, 00 00 00, the checksum, 00.
Packet jogPacket(JogDirection direction);
// "right", "left", "back", "forward", "stop".
const char *jogName(JogDirection direction);

// Asks the drive for the travel of its last move; written right after the stop.
inline constexpr std::uint8_t travelQuery[] = {0x8E, 0x13};
inline constexpr std::size_t travelReplyMaxRead = 12;
// The drive needs 0.5 s to answer the travel query.
inline constexpr std::chrono::milliseconds travelReplyWait{500};

// The drive answers with exactly two bytes, a signed 16-bit count of
// millimetres, high byte first. Anything else is no answer.
std::optional<int> travelFromReply(const Bytes &reply);

} // namespace camdeck
