// A camdeck-ctl command line, read whole before the port is opened: a mistake
// anywhere on it sends nothing at all. Pure: no I/O.
#pragma once

#include "panel/setup.h"
#include "protocol/camera.h"
#include "protocol/jog.h"

#include <string>
#include <vector>

namespace camdeck::ctl {

// One control set by a script, with the value the panel keeps for it (V).
struct Setting {
    const protocol::Control *control;
    int value;
};

struct Command {
    enum class Kind { Hello, Preset, Set, Text, Mask, Jog, Switch, Get, Setup };
    Kind kind = Kind::Hello;
    std::vector<std::string> words; // as written after the command's name
    int number = 0; // preset: slot 0 to 4; mask: pattern 0 to 4
    std::vector<Setting> settings; // set; get: the controls asked for
    std::u16string text;
    JogDirection direction = JogDirection::Stop;
    const protocol::Switch *which = nullptr;
    bool on = false;
    Setup setup; // setup apply: the file, read before the port is opened
    std::string setupText;

    const char *name() const;
};

struct Invocation {
    enum class Action { Run, Ports, Decode, List, Help, Version };
    Action action = Action::Run;
    std::string device;
    bool json = false;
    bool verbose = false;
    bool raw = false;
    bool hexInput = false;
    bool direct = false; // the port itself, even when an open panel holds it
    bool allControls = false; // get --all
    std::string input = "-"; // what decode reads; "-" is standard input
    std::vector<Command> commands;
    // Why the line cannot be run ("no control 'alc-levle'; did you mean
    // alc-level?"); empty when it can.
    std::string error;
};

// The arguments after the program's name.
Invocation parseArguments(const std::vector<std::string> &arguments);

} // namespace camdeck::ctl
