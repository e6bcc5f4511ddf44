// The 8-byte packets that share the line with the camera's frames, each five
// command bytes, 00, their checksum and 00. Three kinds carry a code and a
// state, and are built and recognised from the same shape:
//   80 switch state 01 00 | 00 sum 00   (BLC 86, AGC 82, FLC 8C; state 1: on)
//   81 mask   state 01 00 | 00 sum 00   (masks 87 to 8A; state 1: shown)
//   85 01     dir   00 00 | 00 sum 00   (right, left, back, forward, stop)
// The fourth kind gives a mask its edges:
//   A5+k left top right bottom | 00 sum 00
// Pure: no I/O, no Qt.
#pragma once

#include "frame.h"

#include <cstdint>

namespace camdeck {

struct PacketShape {
    std::uint8_t lead;
    bool (*takesCode)(std::uint8_t code);
    std::uint8_t maxState;
    std::uint8_t afterState;
};

bool isSwitchCode(std::uint8_t code);
bool isMaskShowCode(std::uint8_t code);
bool isJogCode(std::uint8_t code);

inline constexpr PacketShape switchShape{0x80, isSwitchCode, 1, 0x01};
inline constexpr PacketShape maskShowShape{0x81, isMaskShowCode, 1, 0x01};
inline constexpr PacketShape jogShape{0x85, isJogCode, 4, 0x00};

inline constexpr int maskCount = 4;
inline constexpr std::uint8_t maskShowFirst = 0x87; // mask k shows or hides with 87 + k
inline constexpr std::uint8_t maskDefineFirst = 0xA5; // and gets its edges with A5 + k
inline constexpr std::uint8_t jogCode = 0x01;

Packet shapedPacket(const PacketShape &shape, std::uint8_t code, std::uint8_t state);

} // namespace camdeck
