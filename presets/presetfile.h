// The preset file: fifteen lines of "%02d\n", one per setting in slot order,
// read back by fixed character positions (the two characters of value k stand
// at 3k and 3k + 1). Pure functions: no I/O, no Qt.
#pragma once

#include "presetslot.h"

#include <array>
#include <string>
#include <string_view>

namespace camdeck {

// The files of slot 0 to 4, in the user's home directory.
inline constexpr std::array<const char *, presetSlotCount> presetFileNames
    = {"preset1.txt", "preset2.txt", "preset3.txt", "preset4.txt", "preset5.txt"};

// The lowest and highest value that fit the two characters the reader looks at.
inline constexpr int presetValueMin = -9;
inline constexpr int presetValueMax = 99;

// The file's text. Values outside -9..99 are clamped, so the text always reads
// back as written; with them the text is 45 characters.
std::string formatPresetFile(const PresetSlot &values);

// The values of a file's text. Only the characters at 3k and 3k + 1 are looked
// at, each pair by presetPieceValue; what a short text lacks reads as absent,
// so those values are 0. Anything from the 45th character on is ignored.
PresetSlot parsePresetFile(std::string_view text);

// The decimal value of a piece: leading white space is skipped, one sign is
// taken, then digits up to the first non-digit; no digits give 0.
int presetPieceValue(std::string_view piece);

} // namespace camdeck
