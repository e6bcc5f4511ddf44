// The camera's four mask rectangles and the fixed patterns the mask buttons
// draw with them. Pure tables and packets: no I/O, no Qt.
#pragma once

#include "packets.h"

#include <chrono>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace camdeck {

// The camera takes a mask packet 0.05 s after the last one.
inline constexpr std::chrono::milliseconds maskPacketPause{50};

// Edges in the camera's mask coordinates; right > left, bottom > top.
struct MaskRect {
    std::uint8_t left, top, right, bottom;
};

struct MaskPattern {
    const char *name; // for scripts: "open-cross"
    const char *title; // on its button: "Open cross"
    std::span<const MaskRect> rects; // mask 0 first
};

// Pattern 0 shows no mask; its button clears them.
std::span<const MaskPattern> maskPatterns();
// The pattern's number by its name, in any case, by an older name ("cross")
// or by its number as its button's object name has it ("2"); -1 for none.
int findMaskPattern(std::string_view name);

Packet maskShowPacket(int mask, bool show);
Packet maskDefinePacket(int mask, const MaskRect &rect);

// What one button sends, in order: hide all four masks, define the pattern's
// masks, show them. Empty for a pattern that does not exist.
std::vector<Packet> maskSequence(int pattern);

} // namespace camdeck
