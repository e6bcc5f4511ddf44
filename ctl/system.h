// What camdeck-ctl reads off the system: the serial ports it reports
// (QtSerialPort, which needs only QtCore) and the preset files in the home
// directory (through the panel's own reader, QtCore).
#pragma once

#include "host.h"

namespace camdeck::ctl {

std::vector<PortInfo> systemPorts();

// Preset slot 0 to 4 from ~/presetN.txt. A missing or unreadable file gives
// the slot's built-in values and says so; nothing is ever written.
PresetLookup readPresetFile(int slot);

} // namespace camdeck::ctl
