#include "masks.h"

#include "names.h"

namespace camdeck {

namespace {

// All four patterns are centred on x = 95, y = 65; every bar is 2 units
// thick. Constant tables, so they are there before any other file's statics
// ask for them.
constexpr MaskRect plus[] = {{94, 54, 96, 76}, {84, 64, 106, 66}}; // bars 22 long
constexpr MaskRect openCross[] // arms 22 long, 18 apart
    = {{64, 64, 86, 66}, {104, 64, 126, 66}, {94, 34, 96, 56}, {94, 74, 96, 96}};
constexpr MaskRect grid[] // two vertical and two horizontal lines, 62 long, 10 apart
    = {{100, 34, 102, 96}, {88, 34, 90, 96}, {64, 58, 126, 60}, {64, 70, 126, 72}};
constexpr MaskRect square[] // an outline 62 by 62
    = {{124, 34, 126, 96}, {64, 34, 66, 96}, {64, 34, 126, 36}, {64, 94, 126, 96}};

constexpr MaskPattern patterns[] = {
    {"none", "None", {}},   {"plus", "Plus", plus},       {"open-cross", "Open cross", openCross},
    {"grid", "Grid", grid}, {"square", "Square", square},
};

// Names scripts used before the buttons' names were theirs.
constexpr struct {
    const char *name;
    int pattern;
} olderNames[] = {{"cross", 2}};

bool isPattern(int pattern)
{
    return pattern >= 0 && pattern < static_cast<int>(std::size(patterns));
}

} // namespace

std::span<const MaskPattern> maskPatterns()
{
    return patterns;
}

int findMaskPattern(std::string_view name)
{
    if (name.size() == 1 && name[0] >= '0' && isPattern(name[0] - '0'))
        return name[0] - '0';
    const std::string lower = protocol::lowerCase(name);
    for (std::size_t i = 0; i < std::size(patterns); ++i) {
        if (lower == patterns[i].name)
            return static_cast<int>(i);
    }
    for (const auto &older : olderNames) {
        if (lower == older.name)
            return older.pattern;
    }
    return -1;
}

Packet maskShowPacket(int mask, bool show)
{
    return shapedPacket(maskShowShape, static_cast<std::uint8_t>(maskShowFirst + mask),
                        show ? 1 : 0);
}

Packet maskDefinePacket(int mask, const MaskRect &rect)
{
    return checksumPacket(static_cast<std::uint8_t>(maskDefineFirst + mask), rect.left, rect.top,
                          rect.right, rect.bottom);
}

std::vector<Packet> maskSequence(int pattern)
{
    if (!isPattern(pattern))
        return {};
    std::vector<Packet> packets;
    // Masks a pattern leaves out stay hidden, whatever the last pattern was.
    for (int mask = 0; mask < maskCount; ++mask)
        packets.push_back(maskShowPacket(mask, false));
    const std::span<const MaskRect> rects = patterns[pattern].rects;
    for (std::size_t mask = 0; mask < rects.size(); ++mask)
        packets.push_back(maskDefinePacket(static_cast<int>(mask), rects[mask]));
    for (std::size_t mask = 0; mask < rects.size(); ++mask)
        packets.push_back(maskShowPacket(static_cast<int>(mask), true));
    return packets;
}

} // namespace camdeck
