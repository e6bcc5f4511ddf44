#include "help.h"
#include "values.h"

#include "protocol/camera.h"

#include <cstdio>

namespace camdeck::ctl {

std::string usageLine()
{
    return "usage: camdeck-ctl [-v] [--json] [--raw] -d PATH COMMAND [ARG]... [COMMAND [ARG]...]..."
           "\n       camdeck-ctl [--json] ports | decode [--hex] [FILE|-] | --list | --help";
}

std::string helpText()
{
    return usageLine() + R"(

Drives the camera and the motor drive on one serial line from a shell script.
The port is opened as the panel opens it (raw 9600 8N1, locked, greeted, the
reply read 0.25 s later); the commands run in order with the pauses the devices
need; then the device is told goodbye and the port gets its settings back.
Preset 1 is not applied on opening: a script says what it wants.

Commands (several share one open):
  hello                       print the device's reply to the greeting
  preset N                    recall preset N (1 to 5) from ~/presetN.txt: 16 frames,
                              1.6 s; with no file its built-in values (no file is made)
  set NAME VALUE [NAME VALUE]...
                              set controls by their names (--list), the shared
                              registers and the panel's partner rules applied as the
                              panel applies them; "set text on" shows the text
  text STRING                 upload the on-screen text: 24 frames, 1.2 s
  mask none|plus|cross|grid|square
                              draw a mask pattern (up to 0.6 s)
  jog right|left|back|forward|stop
                              move the drive; stop prints the travel of the move in mm
  switch blc|agc|flc on|off   back-light compensation, AGC, flicker compensation
  ports                       the serial ports: path, description, maker, serial number
  decode [FILE|-]             decode a captured byte stream, one line per message,
                              CRC and checksum checked

Values: a slider's position or the value its register's field gets (uv-ur
-28), a check box's on/off (true/false, 1/0), a pop-up's item index or name
in any case (gamma 0.45, xdr-mode middle). Out of range is refused.

Options:
  -d, --device PATH   the serial port
  --json              one JSON object per command on standard output
  -v, --verbose       every message sent and every reply, decoded, on standard error
  --raw               let values outside a control's range through; only the
                      register's low byte (or word) reaches the camera
  --hex               decode reads hex text ("01 00 28 ...") rather than raw bytes
  --list              every control: name, values, register and meaning
  -h, --help          this text

Exit status: 0 done; 1 bad arguments; 2 the port or file cannot be opened;
3 the port is in use; 4 the port was lost or a write failed; 5 the device did
not answer (hello, jog stop); 128 + N ended by signal N, after the farewell.
)";
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
