// What camdeck-ctl says about itself: the usage line after a mistake, --help,
// and --list, every control by its name from the camera's table. No Qt.
#pragma once

#include <string>

namespace camdeck::ctl {

std::string usageLine();
std::string helpText();
// One line per control: name, the values a script gives, the register and
// what it sets; then the switches.
std::string controlList();

} // namespace camdeck::ctl
