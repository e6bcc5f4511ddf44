// What a script writes for a control, and the words it may misspell. Pure
// functions: no I/O, no Qt.
#pragma once

#include "protocol/camera.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace camdeck::ctl {

// A control's value as the panel keeps it (a slider's position, an item's
// index, 0 or 1), or why the word is not one.
struct ControlValue {
    int value = 0;
    std::string error;
    bool ok() const { return error.empty(); }
};

// The word a script gives for a control is what goes into the register's
// field, V + byteOffset: the UV matrix takes -128 to 127, the others their
// slider position or item index. A check box takes on/off, true/false or 1/0;
// a pop-up (and a slider whose label shows names) also an item's name, in any
// case. Out of range is refused; with raw anything up to a word goes, and only
// the register's low byte (or word) reaches the camera.
ControlValue scriptValue(const protocol::Control &control, std::string_view word, bool raw);

// The values a script may give, as --list shows them: "on|off", "-128..127",
// "0..4"; and the names it may give instead, "0.45|0.55|0.65|0.75|1.0".
std::string scriptRange(const protocol::Control &control);
std::string valueNames(const protocol::Control &control);

// A check box's or a switch's word: on/off, true/false or 1/0, in any case.
std::optional<bool> onOff(std::string_view word);

// A whole decimal number: one optional sign, then digits and nothing else.
std::optional<int> wholeNumber(std::string_view word);

// ASCII words equal whatever their case.
bool sameWord(std::string_view a, std::string_view b);
std::string lowerCase(std::string_view word);

// The candidate closest to word, counting a swap of two neighbours as one
// edit; "" when none is close enough to be what was meant.
std::string nearest(std::string_view word, const std::vector<std::string> &candidates);

// The UTF-16 units of UTF-8 text, as the window's text field holds them, or
// nothing when the bytes are not UTF-8.
std::optional<std::u16string> utf16(std::string_view utf8);

} // namespace camdeck::ctl
