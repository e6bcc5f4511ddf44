// The five presets as files: fifteen lines of "%02d\n", one per exposure
// setting in the order of ExposureField, read back by fixed character
// positions (the two characters of value k stand at 3k and 3k + 1); and the
// values each preset has before it has a file. Pure functions: no I/O, no Qt.
#pragma once

#include "protocol/camera.h"

#include <string>
#include <string_view>

namespace camdeck {

using protocol::ExposureSettings;

inline constexpr int presetCount = 5;
// Slot 0 to 4 is preset 1 to 5.
bool isPresetSlot(int slot);
// "preset1.txt" to "preset5.txt", in the user's home directory.
std::string presetFileName(int slot);

// The built-in values of a slot: each keeps the partner rules (ALC only with
// the fixed shutter, AES off; automatic gain on, manual off), so recalling
// one changes none of its flags. All 0 for a slot that does not exist.
ExposureSettings builtInPreset(int slot);

// The lowest and highest value that fit the two characters the reader looks at.
inline constexpr int presetValueMin = -9;
inline constexpr int presetValueMax = 99;

// The file's text. Values outside -9..99 are clamped, so the text always reads
// back as written; with them the text is 45 characters.
std::string formatPresetFile(const ExposureSettings &values);

// The values of a file's text. Only the characters at 3k and 3k + 1 are looked
// at, each pair by presetPieceValue; what a short text lacks reads as absent,
// so those values are 0. Anything from the 45th character on is ignored.
ExposureSettings parsePresetFile(std::string_view text);

// The decimal value of a piece: leading white space is skipped, one sign is
// taken, then digits up to the first non-digit; no digits give 0.
int presetPieceValue(std::string_view piece);

} // namespace camdeck
