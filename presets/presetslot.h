// The fifteen exposure and gain settings, the five preset slots that keep sets
// of them, and the built-in values of each slot. Plain data: no Qt.
#pragma once

#include <array>

namespace camdeck {

// One set of the fifteen settings, in the order of the preset file's lines and
// of a recall. Flags are 0 or 1 as the check boxes give them; levels are slider
// positions and speeds are indexes into the speed tables.
struct PresetSlot {
    int alc_flg = 0;
    int alc_val = 0;
    int fsh_flg = 0;
    int fsh_val = 0;
    int aes_flg = 0;
    int aes_val = 0;
    int ssh_flg = 0;
    int ssh_val = 0;
    int agc_flg = 0;
    int agc_val = 0;
    int mgc_flg = 0;
    int mgc_val = 0;
    int peakcontrol_flg = 0;
    int peakcontrol_val = 0;
    int priority_flg = 0; // 1: slow-shutter priority, 0: gain priority

    friend bool operator==(const PresetSlot &, const PresetSlot &) = default;
};

// The settings last applied to the camera: the same fifteen values, copied whole
// into a slot by a save and out of one by a recall.
using ExposureState = PresetSlot;

inline constexpr int presetFieldCount = 15;
inline constexpr int presetSlotCount = 5;

// Field k of a slot, for the file's line k.
inline constexpr std::array<int PresetSlot::*, presetFieldCount> presetFields
    = {&PresetSlot::alc_flg,         &PresetSlot::alc_val,         &PresetSlot::fsh_flg,
       &PresetSlot::fsh_val,         &PresetSlot::aes_flg,         &PresetSlot::aes_val,
       &PresetSlot::ssh_flg,         &PresetSlot::ssh_val,         &PresetSlot::agc_flg,
       &PresetSlot::agc_val,         &PresetSlot::mgc_flg,         &PresetSlot::mgc_val,
       &PresetSlot::peakcontrol_flg, &PresetSlot::peakcontrol_val, &PresetSlot::priority_flg};

using PresetSlots = std::array<PresetSlot, presetSlotCount>;

// The built-in values of slot 0 to 4 (preset 1 to 5).
PresetSlot defaultPresetSlot(int slot);

// Overwrites slot of presetSlots with its built-in values; a slot number
// outside 0 to 4 changes nothing.
void DefaultSlot(PresetSlots &presetSlots, int slot);

} // namespace camdeck
