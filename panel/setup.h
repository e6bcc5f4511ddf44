// A setup: every control of the window by the names scripts use, the
// switches, the on-screen text and the mask, as a text file a person can read
// and edit:
//     # camdeck setup
//     alc = on
//     alc-level = 12
//     text = "LOT 42"
//     mask = open-cross
// Read strictly, never trusted: a name it does not know, a value out of range,
// a name given twice, text the camera cannot show refuse the whole setup, with
// the line that says so. A name left out leaves its control as it is. Pure
// functions: no Qt, no I/O.
#pragma once

#include "protocol/camera.h"

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace camdeck {

struct Setup {
    std::vector<std::pair<const protocol::Control *, int>> controls;
    std::vector<std::pair<const protocol::Switch *, bool>> switches;
    std::optional<std::u16string> text;
    std::optional<int> mask; // pattern 0 to 4
};

struct SetupRead {
    Setup setup;
    std::string error; // "line 7: no control 'alc-levle'; did you mean alc-level?"
    bool ok() const { return error.empty(); }
};

// text is UTF-8 (the caller has checked it is).
SetupRead parseSetup(std::string_view text);

// Controls in the table's order, then the switches, the text and the mask;
// parseSetup reads it back as it was.
std::string formatSetup(const Setup &setup);

} // namespace camdeck
