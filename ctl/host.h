// What camdeck-ctl takes from the system it runs on: its streams, the serial
// ports the system reports, the preset files, the pauses and the signals. The
// program hands in the real ones; tests a pseudo-terminal's short pauses and
// string streams. No Qt.
#pragma once

#include "link/serialline.h"
#include "presets/presetslot.h"

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

namespace camdeck::ctl {

struct PortInfo {
    std::string path;
    std::string description;
    std::string maker;
    std::string serialNumber;
};

// A preset's fifteen values, and when they are the built-in ones because the
// file is missing or unreadable, why (said on standard error).
struct PresetLookup {
    PresetSlot values;
    std::string note;
};

struct Host {
    std::ostream &out;
    std::ostream &err;
    std::istream &in;
    std::function<std::vector<PortInfo>()> listPorts;
    std::function<PresetLookup(int slot)> readPreset;
    // Empty: the devices' pauses in real time.
    SerialLine::Pause pause;
    // Readable once SIGINT or SIGTERM came; holds the signal's number. -1: none.
    int interruptFd = -1;
};

// Exit statuses, as the manual page lists them.
enum Status {
    Done = 0,
    BadArguments = 1,
    CannotOpen = 2,
    InUse = 3,
    LineFailed = 4,
    NoAnswer = 5,
};

} // namespace camdeck::ctl
