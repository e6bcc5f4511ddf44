// The camera's four mask rectangles and the fixed patterns the mask buttons
// draw with them. Pure tables and packets: no I/O, no Qt.
#pragma once

#include "frame.h"

#include <chrono>
#include <cstdint>
#include <vector>

namespace camdeck {

inline constexpr int maskCount = 4;
// The camera takes a mask packet 0.05 s after the last one.
inline constexpr std::chrono::milliseconds maskPacketPause{50};
// Show or hide mask k: 81, 87 + k, 1 or 0, 01, 00. Define it: A5 + k and its edges.
inline constexpr std::uint8_t maskShowLead = 0x81;
inline constexpr std::uint8_t maskShowFirst = 0x87;
inline constexpr std::uint8_t maskDefineFirst = 0xA5;
inline constexpr int maskPatternCount = 5; // pattern 0 shows no mask

// Edges in the camera's mask coordinates; right > left, bottom > top.
struct MaskRect {
    std::uint8_t left, top, right, bottom;
};

Packet maskShowPacket(int mask, bool show);
Packet maskDefinePacket(int mask, const MaskRect &rect);

// The rectangles of a pattern, mask 0 first (none for pattern 0).
std::vector<MaskRect> maskPattern(int pattern);

// What one button sends, in order: hide all four masks, define the pattern's
// masks, show them. Empty for a pattern that does not exist.
std::vector<Packet> maskSequence(int pattern);

} // namespace camdeck
