// The camera's four mask rectangles and the fixed patterns the mask buttons
// draw with them. Pure tables and packets: no I/O, no Qt.
#pragma once

#include "link/frame.h"

#include <cstdint>
#include <vector>

namespace camdeck {

inline constexpr int maskCount = 4;
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
