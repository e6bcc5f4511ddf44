#include "presetslot.h"

namespace camdeck {

namespace {

// Each row keeps the partner rules of the panel (ALC only with the fixed
// shutter, AES off; automatic gain on, manual off), so recalling one changes
// none of its flags.
constexpr PresetSlot defaultTable[presetSlotCount] = {
    {1, 16, 1, 11, 0, 16, 0, 0, 1, 12, 0, 0, 1, 8, 0},
    {0, 15, 1, 10, 0, 16, 0, 0, 1, 11, 0, 0, 1, 8, 0},
    {1, 16, 1, 9, 0, 16, 1, 0, 1, 12, 0, 0, 1, 8, 1},
    {1, 16, 1, 8, 0, 16, 1, 0, 1, 12, 0, 0, 1, 8, 1},
    {1, 16, 1, 0, 0, 16, 1, 7, 1, 12, 0, 0, 1, 8, 1},
};

bool isSlot(int slot)
{
    return slot >= 0 && slot < presetSlotCount;
}

} // namespace

PresetSlot defaultPresetSlot(int slot)
{
    return isSlot(slot) ? defaultTable[slot] : PresetSlot{};
}

void DefaultSlot(PresetSlots &presetSlots, int slot)
{
    if (isSlot(slot))
        presetSlots[static_cast<std::size_t>(slot)] = defaultTable[slot];
}

} // namespace camdeck
