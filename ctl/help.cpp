#include "help.h"

#include "panel/controlvalues.h"
#include "protocol/camera.h"
#include "protocol/jog.h"
#include "protocol/masks.h"

#include <array>
#include <cstdio>

namespace camdeck::ctl {

namespace {

// "none|plus|open-cross|grid|square", as the tables name them.
template<class Rows, class Name> std::string oneOf(const Rows &rows, Name name)
{
    std::string text;
    for (const auto &row : rows)
        text += (text.empty() ? "" : "|") + std::string(name(row));
    return text;
}

// The text with @MASKS@, @JOGS@ and @SWITCHES@ filled in.
std::string filled(std::string text)
{
    const std::pair<const char *, std::string> names[] = {
        {"@MASKS@", oneOf(maskPatterns(), [](const MaskPattern &p) { return p.name; })},
        {"@JOGS@",
         oneOf(std::array{JogDirection::Right, JogDirection::Left, JogDirection::Back,
                          JogDirection::Forward, JogDirection::Stop},
               jogName)},
        {"@SWITCHES@",
         oneOf(protocol::switches(), [](const protocol::Switch &s) { return s.key; })},
    };
    for (const auto &[mark, value] : names) {
        for (std::size_t at; (at = text.find(mark)) != std::string::npos;)
            text.replace(at, std::string_view(mark).size(), value);
    }
    return text;
}

} // namespace

std::string usageLine()
{
    return "usage: camdeck-ctl [-v] [--json] [--raw] [--direct] [-d PATH] COMMAND [ARG]... "
           "[COMMAND [ARG]...]..."
           "\n       camdeck-ctl [--json] ports | decode [--hex] [FILE|-] | --list | --help | "
           "--version";
}

std::string helpText()
{
    return usageLine() + filled(R"(

Drives the camera and the motor drive on one serial line from a shell script.
The port is opened as the panel opens it (raw 9600 8N1, locked, greeted, the
reply read 0.25 s later); the commands run in order with the pauses the devices
need; then the device is told goodbye and the port gets its settings back.
Preset 1 is not applied on opening: a script says what it wants.

When an open camdeck window holds the port (or, without -d, when exactly one
window holds a port), the commands go through that window over the session
bus instead, as its own clicks do: the same output and exit status, and the
window's controls move.

Commands (several share one open):
  hello                       print the device's reply to the greeting
  preset N                    recall preset N (1 to 5) from ~/presetN.txt: 16 frames,
                              1.6 s; with no file its built-in values (no file is made)
  set NAME VALUE [NAME VALUE]...
                              set controls by their names (--list), the shared
                              registers and the panel's partner rules applied as the
                              panel applies them; "set text on" shows the text
  text STRING                 upload the on-screen text: 24 frames, 1.2 s
  mask @MASKS@
                              draw a mask pattern (up to 0.6 s)
  jog @JOGS@
                              move the drive; stop prints the travel of the move in mm
  switch @SWITCHES@ on|off   back-light compensation, AGC, flicker compensation
  get NAME... | get --all     print the open window's values, by name (no port of
                              its own: an open window must hold one)
  setup apply FILE            every control, switch, text and mask of a setup file
                              on the controls, then all of them sent
  setup dump                  the open window's values as a setup file
  ports                       the serial ports: path, description, maker, serial number
  decode [FILE|-]             decode a captured byte stream, one line per message,
                              CRC and checksum checked; with --hex a capture as the
                              traffic monitor saves it and -v prints it, or bare hex

Values: a slider's position or the value its register's field gets (uv-ur
-28), a check box's on/off (true/false, 1/0), a pop-up's item name in any case
(gamma 0.45, xdr middle) or its index (#4); a number that is one item's name and
another's index (gamma 1) is refused. Out of range is refused.

Options:
  -d, --device PATH   the serial port
  --json              one JSON object per command on standard output
  -v, --verbose       every message sent and every reply on standard error, as
                      capture lines (time, sent or read, hex, what it says)
  --raw               let values outside a control's range through; only the
                      register's low byte (or word) reaches the camera (not
                      through an open window, which keeps its ranges)
  --direct            the port itself, even when an open window holds it (then
                      the port is in use: status 3)
  --hex               decode reads hex text ("01 00 28 ...") rather than raw bytes
  --list              every control: name, values, register and meaning
  -h, --help          this text
  --version           camdeck-ctl's version

Exit status: 0 done; 1 bad arguments; 2 the port or file cannot be opened;
3 the port is in use; 4 the port was lost or a write failed; 5 the device did
not answer (hello, jog stop); 6 decode found damaged messages or bytes that are
none; 128 + N ended by signal N, after the farewell.
)");
}

std::string controlList()
{
    std::string list;
    char line[512];
    for (const protocol::Control &c : protocol::controls()) {
        std::snprintf(line, sizeof line, "%-22s %-10s %s", c.key, scriptRange(c).c_str(),
                      protocol::describeControl(c).c_str());
        const std::string names = valueNames(c);
        list += line + (names.empty() ? "" : "; by name " + names) + "\n";
    }
    for (const protocol::Switch &s : protocol::switches()) {
        std::snprintf(line, sizeof line, "switch %-15s %-10s %s\n", s.key, "on|off",
                      protocol::describeSwitch(s).c_str());
        list += line;
    }
    return list;
}

} // namespace camdeck::ctl
