// The camera as the line sees it, in one table: every register the panel
// writes, every control that writes one, and what the controls' labels show.
// Everything else reads this table: the panel composes a shared register from
// the rows at its address and takes its slider ranges and tooltips from here,
// the traffic monitor and the simulator name registers with it, and scripts
// name controls by their keys. Plain data and pure functions: no Qt, no I/O.
#pragma once

#include <chrono>
#include <compare>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace camdeck::protocol {

// A camera register: group/index, both decimal ("2/0").
struct Address {
    std::uint8_t group = 0;
    std::uint8_t index = 0;
    auto operator<=>(const Address &) const = default;
};

// A register holds one byte, or the low byte of a 16-bit word whose high
// byte is the next index.
enum class Width : std::uint8_t { Byte, Word };

enum class ControlKind : std::uint8_t { Check, Slider, Choice };

// What a control's label shows for the control's value V: names[V] where
// names are given (V outside them leaves the label as it was), else format
// with scale * V + offset.
struct Display {
    const char *format = nullptr; // nullptr: the control has no label
    int scale = 1;
    int offset = 0;
    std::span<const char *const> names = {};
};

// A control and the field it owns in its register. The field holds
// (V + byteOffset) in bits shift .. shift + bits - 1; a one-bit field holds 1
// for any V but 0. Composing does not cut V to its field (see fieldBits). A control with no bits
// owns no field: its register is still the one it sends (the fixed shutter is the exposure mode
// with AES off).
struct Control {
    const char *key; // for scripts: "alc-level"
    const char *outlet; // the widget's object name: "alcsliderSelect"
    const char *label; // its value label's object name, or ""
    ControlKind kind;
    Address address;
    std::uint8_t shift;
    std::uint8_t bits;
    int min;
    int max;
    int initial; // what the window shows at start
    int byteOffset;
    int stateField; // the exposure setting (preset line) that keeps V, or -1
    Display display;
    const char *help; // for people: "ALC level"; names the register it alone writes
};

std::span<const Control> controls();
// nullptr when there is none.
const Control *findControl(std::string_view key);
Width widthOf(Address address);

// "exposure mode" for 2/0, "magnitude, high byte" for 5/2, "text position 3"
// for 8/14; "" for a register the panel never writes.
std::string registerName(Address address);

// The register's data from the values of all the controls that share it:
// valueOf(control) gives each one's V. A word register carries 16 bits.
template<class ValueOf> int compose(Address address, ValueOf valueOf);
// One control's part of a register's data, and the inverse (for a model of
// the camera that reads back what a control set).
int fieldBits(const Control &control, int value);
int fieldValue(const Control &control, int registerData);

// The label's text for V, or nothing when the label keeps its text.
std::optional<std::string> labelText(const Control &control, int value);
// What a tooltip says: "ALC level: register 2/1, 0 to 16 (-40% to 40%)".
std::string describeControl(const Control &control);

// The on-screen text: 24 one-byte registers, position 0 at 8/11, each frame
// taken 0.05 s after the last.
inline constexpr Address textFirst{8, 11};
inline constexpr int textPositions = 24;
inline constexpr std::chrono::milliseconds textFramePause{50};
// Where the centre button puts the crosshair: one frame for x and y at 8/3.
inline constexpr Address crosshairCentre{8, 3};
inline constexpr int centreX = 320;
inline constexpr int centreY = 360;

// The switches that are packets, not registers: 80, code, on or off, 01, 00.
inline constexpr std::uint8_t switchLead = 0x80;
struct Switch {
    const char *key; // "blc"
    const char *outlet; // "blcSelect"
    std::uint8_t code;
    const char *name; // "BLC"
    const char *help; // "Back-light compensation"
};
std::span<const Switch> switches();
// "Back-light compensation on or off: packet 80 86".
std::string describeSwitch(const Switch &which);
const Switch *findSwitch(std::string_view key);
const Switch *findSwitchByCode(std::uint8_t code);

template<class ValueOf> int compose(Address address, ValueOf valueOf)
{
    int data = 0;
    for (const Control &control : controls()) {
        if (control.address == address && control.bits > 0)
            data |= fieldBits(control, valueOf(control));
    }
    return data;
}

} // namespace camdeck::protocol
