#include "masks.h"

namespace camdeck {

namespace {

// All four patterns are centred on x = 95, y = 65; every bar is 2 units thick.
const std::vector<MaskRect> patterns[maskPatternCount] = {
    {},
    // a plus sign, bars 22 long
    {{94, 54, 96, 76}, {84, 64, 106, 66}},
    // a cross with an open centre: arms 22 long, 18 apart
    {{64, 64, 86, 66}, {104, 64, 126, 66}, {94, 34, 96, 56}, {94, 74, 96, 96}},
    // a grid: two vertical and two horizontal lines, 62 long, 10 apart
    {{100, 34, 102, 96}, {88, 34, 90, 96}, {64, 58, 126, 60}, {64, 70, 126, 72}},
    // a square outline 62 by 62
    {{124, 34, 126, 96}, {64, 34, 66, 96}, {64, 34, 126, 36}, {64, 94, 126, 96}},
};

} // namespace

Packet maskShowPacket(int mask, bool show)
{
    return checksumPacket(maskShowLead, static_cast<std::uint8_t>(maskShowFirst + mask),
                          show ? 0x01 : 0x00, 0x01, 0x00);
}

Packet maskDefinePacket(int mask, const MaskRect &rect)
{
    return checksumPacket(static_cast<std::uint8_t>(maskDefineFirst + mask), rect.left, rect.top,
                          rect.right, rect.bottom);
}

std::vector<MaskRect> maskPattern(int pattern)
{
    if (pattern < 0 || pattern >= maskPatternCount)
        return {};
    return patterns[pattern];
}

std::vector<Packet> maskSequence(int pattern)
{
    if (pattern < 0 || pattern >= maskPatternCount)
        return {};
    std::vector<Packet> packets;
    // Masks a pattern leaves out stay hidden, whatever the last pattern was.
    for (int mask = 0; mask < maskCount; ++mask)
        packets.push_back(maskShowPacket(mask, false));
    const std::vector<MaskRect> &rects = patterns[pattern];
    for (std::size_t mask = 0; mask < rects.size(); ++mask)
        packets.push_back(maskDefinePacket(static_cast<int>(mask), rects[mask]));
    for (std::size_t mask = 0; mask < rects.size(); ++mask)
        packets.push_back(maskShowPacket(static_cast<int>(mask), true));
    return packets;
}

} // namespace camdeck
