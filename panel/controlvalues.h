// What a script, the bus or a setup file writes for a control, read the same
// way everywhere; and the names it may misspell. Pure functions: no Qt.
#pragma once

#include "protocol/camera.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace camdeck {

// A control's value as the panel keeps it (a slider's position, an item's
// index, 0 or 1), or why the word is not one.
struct ControlValue {
    int value = 0;
    std::string error;
    bool outOfRange = false; // a number, just not one the control takes
    bool ok() const { return error.empty(); }
};

// The word given for a control is what goes into the register's field,
// V + byteOffset: the UV matrix takes -128 to 127, the others their slider
// position or item index. A check box takes on/off, true/false or 1/0; a
// pop-up (and a slider whose label shows names) an item's name in any case,
// its index, or its index as #N. A number that reads as one item's name and
// is another item's index ("gamma 1": 1.0, or item 1, 0.55) is refused with
// both meanings. Out of range is refused; with raw anything up to a word
// goes, and only the register's low byte (or word) reaches the camera.
ControlValue parseControlValue(const protocol::Control &control, std::string_view word, bool raw);

// The word a setup file or the bus writes for a value: on/off, an item's
// name, or the number parseControlValue reads back as the same value.
std::string controlValueWord(const protocol::Control &control, int value);

// The values a script may give, as --list shows them: "on|off", "-128..127",
// "0..4"; and the names it may give instead, "0.45|0.55|0.65|0.75|1.0".
std::string scriptRange(const protocol::Control &control);
std::string valueNames(const protocol::Control &control);

// A check box's or a switch's word: on/off, true/false or 1/0, in any case.
std::optional<bool> onOff(std::string_view word);

// A whole decimal number: one optional sign, then digits and nothing else.
std::optional<int> wholeNumber(std::string_view word);

// The candidate closest to word, counting a swap of two neighbours as one
// edit; "" when none is close enough to be what was meant.
std::string nearest(std::string_view word, const std::vector<std::string> &candidates);
// "; did you mean alc-level?", or "".
std::string didYouMean(std::string_view word, const std::vector<std::string> &candidates);
// Every control's key, then every switch's.
std::vector<std::string> controlKeys();

} // namespace camdeck
