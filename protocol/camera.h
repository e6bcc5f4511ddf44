// The camera as the line sees it, in one table: every register the panel
// writes, every control that writes one, what the controls' labels show, the
// exposure settings a preset keeps and the rules that tie controls together.
// Everything else reads this table: the panel composes a shared register from
// the rows at its address and takes its slider ranges and tooltips from here,
// the traffic monitor and the simulator name registers with it, and scripts
// name controls by their keys. Plain data and pure functions: no Qt, no I/O.
#pragma once

#include "frame.h"

#include <array>
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
// with scale * V + offset. A pop-up's names are its items.
struct Display {
    const char *format = nullptr; // nullptr: the control has no label
    int scale = 1;
    int offset = 0;
    std::span<const char *const> names = {};
};

// The fifteen exposure and gain settings a preset keeps, in the order of the
// preset file's lines and of a recall. Flags are kept as they were given (a
// check box gives 0 or 1, an edited preset file may hold 3); levels are slider
// positions, speeds indexes into the speed tables.
enum class ExposureField : std::int8_t {
    AlcOn,
    AlcLevel,
    FixedShutterOn,
    FixedShutterSpeed,
    AesOn,
    AesLevel,
    SlowShutterOn,
    SlowShutterSpeed,
    AutoGainOn,
    AutoGainLevel,
    ManualGainOn,
    ManualGainLevel,
    PeakControlOn,
    PeakLevel,
    SlowShutterPriority, // 1: slow-shutter priority, 0: gain priority
};
inline constexpr std::size_t exposureFieldCount = 15;
using ExposureSettings = std::array<int, exposureFieldCount>;

// The exposure setting a control keeps, if any: its value, or, for a box
// that is always the opposite of another (gain priority), 1 for its 0.
struct Keeps {
    std::int8_t field = -1;
    bool inverse = false;
    bool any() const { return field >= 0; }
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
    Keeps keeps;
    Display display;
    const char *help; // for people: "ALC level"; names the register it alone writes
};

std::span<const Control> controls();
// By key, in any case, or by a key scripts used before ("aspect"); nullptr
// when there is none.
const Control *findControl(std::string_view key);
Width widthOf(Address address);

// "exposure mode" for 2/0, "magnification level, high byte" for 5/2, "text
// position 3" for 8/14; "" for a register the panel never writes.
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
// A pop-up's item V ("Top"), or nullptr.
const char *itemName(const Control &control, int value);
// What a tooltip says: "ALC level: register 2/1, 0 to 16 (-40% to 40%)".
std::string describeControl(const Control &control);

// The rules that tie check boxes together: when the control key is set to
// a value that matches when, its partner becomes becomes (0 or 1) or the
// opposite of the control's value. A partner that keeps an exposure setting
// keeps the new value too.
struct PartnerRule {
    enum When : std::int8_t { Off, On, Either };
    const char *key;
    When when;
    const char *partner;
    int becomes;
};
inline constexpr int opposite = -1;
std::span<const PartnerRule> partnerRules();

// The on-screen text: 24 one-byte registers, position 0 at 8/11, each frame
// taken 0.05 s after the last.
inline constexpr Address textFirst{8, 11};
inline constexpr int textPositions = 24;
inline constexpr std::chrono::milliseconds textFramePause{50};
std::optional<int> textPosition(Address address);
// What keeps a text from going out, in words ("the on-screen text takes
// Latin-1 characters only, not '—'"); "" when it can. The camera shows 24
// characters of its Latin-1 set; the text goes out a UTF-16 unit a position.
std::string textProblem(std::u16string_view text);

// Where the centre button puts the crosshair, which is where it starts: one
// frame for x and y at 8/3.
inline constexpr Address crosshairCentre{8, 3};
inline constexpr int centreX = 320;
inline constexpr int centreY = 360;

// The switches that are packets, not registers (switchShape in packets.h).
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
Packet switchPacket(const Switch &which, bool on);

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
