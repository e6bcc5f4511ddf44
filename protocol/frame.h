// Camera command frames, the 8-byte checksum packets and the two-byte
// requests that share the line. Pure functions: no I/O, no Qt.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace camdeck {

using Bytes = std::vector<std::uint8_t>;
using Packet = std::array<std::uint8_t, 8>;

// Every camera frame starts with these three bytes, then its length.
inline constexpr std::array<std::uint8_t, 3> frameHeader{0x01, 0x00, 0x28};
// Header, length, group, index, 00, data count: the bytes before the data.
inline constexpr std::size_t frameDataOffset = 8;

// The camera's CRC over the first commandFrameLength bytes of commandFrame.
// The message bits enter the register at the low end and no zero bits are
// appended, so this is not CRC-16/XMODEM: "123456789" gives 0xBEEF.
std::uint16_t frameCRC16(const std::uint8_t *commandFrame, int commandFrameLength);

// One complete frame as it goes on the wire: 01 00 28, length, group, index,
// 00, data count, data (16-bit words low byte first), CRC low, CRC high.
// Callers pass plain ints; only the low 8 (or 16) bits of each value go out.
Bytes commandFrame8(std::uint8_t commandGroup, std::uint8_t commandIndex, int value);
Bytes commandFrame16(std::uint8_t commandGroup, std::uint8_t commandIndex, int value);
Bytes commandFrame32(std::uint8_t commandGroup, std::uint8_t commandIndex, int first, int second);

// The camera takes no new frame for 0.1 s; the device answers the greeting
// within 0.25 s.
inline constexpr std::chrono::milliseconds framePause{100};
inline constexpr std::chrono::milliseconds greetingPause{250};

// The device is greeted when the line opens and told goodbye when it closes;
// the motor drive is asked for the travel of its last move. The two requests
// share their first byte.
inline constexpr std::uint8_t requestLead = 0x8E;
inline constexpr std::array<std::uint8_t, 2> portGreeting{requestLead, 0x12};
inline constexpr std::array<std::uint8_t, 2> travelQuery{requestLead, 0x13};
inline constexpr std::uint8_t portFarewell = 0x80;

// Five command bytes, 00, the negated sum of the five (mod 256), 00.
Packet checksumPacket(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2, std::uint8_t b3,
                      std::uint8_t b4);

} // namespace camdeck
