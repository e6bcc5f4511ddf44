#include "camera.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>

namespace camdeck::protocol {

namespace {

using W = Width;

// The registers several controls share, by name; any other register is named
// after the one control that writes it.
constexpr struct {
    Address address;
    const char *name;
} sharedRegisters[] = {
    {{2, 0}, "exposure mode"},       {{2, 4}, "gain and shutter mode"},
    {{2, 10}, "peak control"},       {{3, 4}, "H values (sdv, hdv)"},
    {{3, 5}, "V values (sdv, hdv)"}, {{4, 0}, "white balance and colour mode"},
    {{8, 1}, "flips and negative"},  {{8, 2}, "colour bar and crosshair"},
    {{8, 8}, "text display"},
};

// The camera's speeds for the shutter sliders' indexes.
constexpr std::array<const char *, 8> slowSpeeds
    = {"1/15s", "1/8s", "1/4s", "1/2s", "1s", "2s", "4s", "8s"};
constexpr std::array<const char *, 13> fixedSpeeds
    = {"1/30s",  "1/50s",  "1/60s",   "1/100s",  "1/120s",  "1/180s",  "1/350s",
       "1/500s", "1/750s", "1/1000s", "1/2000s", "1/4000s", "1/10000s"};
// The pop-ups' items: the camera gets the item's index.
constexpr std::array<const char *, 4> outputModes = {"Mode 0", "Mode 1", "Mode 2", "Mode 3"};
constexpr std::array<const char *, 4> strengths = {"Off", "Low", "Middle", "High"};
constexpr std::array<const char *, 2> offOn = {"Off", "On"};
constexpr std::array<const char *, 5> gammas = {"0.45", "0.55", "0.65", "0.75", "1.0"};
constexpr std::array<const char *, 3> magnifications = {"Off", "Manual", "Autopan"};
constexpr std::array<const char *, 4> colourModes = {"Colour", "Monochrome", "Auto", "Night"};
constexpr std::array<const char *, 2> textPlaces = {"Top", "Bottom"};

constexpr Display noLabel{};
constexpr Display percentAround0{"%d%%", 5, -40}; // 0 shows -40%, 8 shows 0%, 16 shows 40%
constexpr Display decibels{"%ddB", 2, 0};
constexpr Display plain{"%d", 1, 0};
constexpr Display offsetAround6{"%d", 10, -60}; // the H and V positions: 6 shows 0

constexpr Display items(std::span<const char *const> names)
{
    return {nullptr, 1, 0, names};
}

constexpr ControlKind C = ControlKind::Check;
constexpr ControlKind S = ControlKind::Slider;
constexpr ControlKind P = ControlKind::Choice;

// The exposure settings a preset keeps, by their line in the preset file.
enum Field {
    alc_flg,
    alc_val,
    fsh_flg,
    fsh_val,
    aes_flg,
    aes_val,
    ssh_flg,
    ssh_val,
    agc_flg,
    agc_val,
    mgc_flg,
    mgc_val,
    peakcontrol_flg,
    peakcontrol_val,
    priority_flg,
    none = -1
};

// clang-format off
constexpr Control controlTable[] = {
// key                    outlet                            label                      kind address shift bits min max initial offset field      display
// Exposure: 2/0 bit 0 ALC, bit 1 AES; the fixed shutter is AES off.
{"alc",                   "alcSelect",                      "",                         C, {2, 0},  0, 1, 0, 1,   1,    0, alc_flg,         noLabel, "ALC on"},
{"alc-level",             "alcsliderSelect",                "alcslidervalue",           S, {2, 1},  0, 8, 0, 16,  16,   0, alc_val,         percentAround0, "ALC level"},
{"fixed-shutter",         "fixedshutterSelect",             "",                         C, {2, 0},  0, 0, 0, 1,   1,    0, fsh_flg,         noLabel, "Fixed shutter on (AES off)"},
{"fixed-shutter-speed",   "fixedshuttersliderSelect",       "fixedshutterslidervalue",  S, {2, 3},  0, 8, 0, 12,  11,   0, fsh_val,         {nullptr, 1, 0, fixedSpeeds}, "fixed shutter speed"},
{"aes",                   "aesSelect",                      "",                         C, {2, 0},  1, 1, 0, 1,   0,    0, aes_flg,         noLabel, "AES on"},
{"aes-level",             "aessliderSelect",                "aesslidervalue",           S, {2, 2},  0, 8, 0, 16,  16,   0, aes_val,         percentAround0, "AES level"},
// Gain and shutter mode: 2/4 bit 0 automatic gain, bit 2 slow shutter, bit 3
// slow-shutter priority; manual gain and gain priority are those bits clear.
{"slow-shutter",          "slowshutterSelect",              "",                         C, {2, 4},  2, 1, 0, 1,   0,    0, ssh_flg,         noLabel, "Slow shutter on"},
{"slow-shutter-speed",    "slowshuttersliderSelect",        "slowshutterslidervalue",   S, {2, 8},  0, 8, 0, 7,   0,    0, ssh_val,         {nullptr, 1, 0, slowSpeeds}, "slow shutter speed"},
{"gain-priority",         "priorityagcSelect",              "",                         C, {2, 4},  0, 0, 0, 1,   1,    0, none,            noLabel, "Gain priority (slow-shutter priority off)"},
{"slow-shutter-priority", "priorityslowshutterSelect",      "",                         C, {2, 4},  3, 1, 0, 1,   0,    0, priority_flg,    noLabel, "Slow-shutter priority"},
{"auto-gain",             "autogainSelect",                 "",                         C, {2, 4},  0, 1, 0, 1,   1,    0, agc_flg,         noLabel, "Automatic gain on"},
{"auto-gain-level",       "autogainsliderSelect",           "autogainslidervalue",      S, {2, 5},  0, 8, 0, 18,  12,   0, agc_val,         decibels, "automatic gain level"},
{"manual-gain",           "manualSelect",                   "",                         C, {2, 4},  0, 0, 0, 1,   0,    0, mgc_flg,         noLabel, "Manual gain on (automatic gain off)"},
{"manual-gain-level",     "manualsliderSelect",             "manualslidervalue",        S, {2, 6},  0, 8, 0, 18,   0,   0, mgc_val,         decibels, "manual gain level"},
// Peak control: 2/10 bit 7 on, bits 0 to 6 the level, sent either way.
{"peak-control",          "peakcontrolSelect",              "",                         C, {2, 10}, 7, 1, 0, 1,   1,    0, peakcontrol_flg, noLabel, "Peak control on"},
{"peak-level",            "peakcontrolsliderSelect",        "peakcontrolslidervalue",   S, {2, 10}, 0, 7, 0, 9,   8,    0, peakcontrol_val, {"%d%%", 10, 10}, "peak control level"},
// White balance and colour mode: 4/0 bit 0 ATW (AWB is it clear), bits 2 to 7 the colour mode.
{"atw",                   "atwSelect",                      "",                         C, {4, 0},  0, 1, 0, 1,   0,    0, none,            noLabel, "ATW white balance"},
{"awb",                   "awbSelect",                      "",                         C, {4, 0},  0, 0, 0, 1,   1,    0, none,            noLabel, "AWB white balance (ATW off)"},
{"colour-mode",           "colormodeSelect",                "",                         P, {4, 0},  2, 6, 0, 3,   0,    0, none,            items(colourModes), "Colour mode"},
{"atw-level",             "atwsliderSelect",                "atwslidervalue",           S, {4, 2},  0, 8, 0, 16,   8,   0, none,            percentAround0, "ATW level"},
{"awb-level",             "awbsliderSelect",                "awbslidervalue",           S, {4, 3},  0, 8, 0, 16,   8,   0, none,            percentAround0, "AWB level"},
{"colour-suppression",    "colorsuppresssliderSelect",      "colorsuppressslidervalue", S, {4, 1},  0, 8, 0, 10,   0,   0, none,            {"%d%%", 10, 0}, "colour suppression"},
{"colour-gain",           "colorgainsliderSelect",          "colorgainslidervalue",     S, {4, 4},  0, 8, 0, 32,  16,   0, none,            {"%d", 1, -16}, "colour gain"},
{"tone-ry",               "colortonerysliderSelect",        "colortoneryslidervalue",   S, {4, 5},  0, 8, 0, 16,   8,   0, none,            percentAround0, "colour tone R-Y"},
{"tone-by",               "colortonebysliderSelect",        "colortonebyslidervalue",   S, {4, 6},  0, 8, 0, 16,   8,   0, none,            percentAround0, "colour tone B-Y"},
// The UV matrix takes a signed byte: the slider's middle, 128, is 0.
{"uv-ur",                 "uvmatrix_UR_sliderSelect",       "uvmatrixURslidervalue",    S, {4, 19}, 0, 8, 0, 255, 128, -128, none,            {"%d", 1, -128}, "UV matrix UR"},
{"uv-ug",                 "uvmatrix_UG_sliderSelect",       "uvmatrixUGslidervalue",    S, {4, 20}, 0, 8, 0, 255, 128, -128, none,            {"%d", 1, -128}, "UV matrix UG"},
{"uv-ub",                 "uvmatrix_UB_sliderSelect",       "uvmatrixUBslidervalue",    S, {4, 21}, 0, 8, 0, 255, 128, -128, none,            {"%d", 1, -128}, "UV matrix UB"},
{"uv-vr",                 "uvmatrix_VR_sliderSelect",       "uvmatrixVRslidervalue",    S, {4, 22}, 0, 8, 0, 255, 128, -128, none,            {"%d", 1, -128}, "UV matrix VR"},
{"uv-vg",                 "uvmatrix_VG_sliderSelect",       "uvmatrixVGslidervalue",    S, {4, 23}, 0, 8, 0, 255, 128, -128, none,            {"%d", 1, -128}, "UV matrix VG"},
{"uv-vb",                 "uvmatrix_VB_sliderSelect",       "uvmatrixVBslidervalue",    S, {4, 24}, 0, 8, 0, 255, 128, -128, none,            {"%d", 1, -128}, "UV matrix VB"},
// Picture modes: the item's index; the output modes in the high nibble.
{"sdv-mode",              "sdvSelect",                      "",                         P, {8, 36}, 4, 4, 0, 3,   0,    0, none,            items(outputModes), "SDV mode"},
{"hdv-mode",              "hdvSelect",                      "",                         P, {8, 35}, 4, 4, 0, 3,   0,    0, none,            items(outputModes), "HDV mode"},
{"xdr-mode",              "xdrSelect",                      "",                         P, {3, 0},  0, 8, 0, 3,   0,    0, none,            items(strengths), "XDR mode"},
{"fog-mode",              "fogSelect",                      "",                         P, {3, 1},  0, 8, 0, 3,   0,    0, none,            items(strengths), "fog mode"},
{"eclipse-mode",          "eclipseSelect",                  "",                         P, {3, 2},  0, 8, 0, 1,   0,    0, none,            items(offOn), "eclipse mode"},
{"dnr-mode",              "dnrSelect",                      "",                         P, {3, 3},  0, 8, 0, 3,   0,    0, none,            items(strengths), "DNR mode"},
{"gamma",                 "gammaSelect",                    "",                         P, {3, 6},  0, 8, 0, 4,   0,    0, none,            items(gammas), "gamma"},
{"sharpness",             "sharpnessSelect",                "",                         P, {3, 7},  0, 8, 0, 3,   0,    0, none,            items(strengths), "sharpness mode"},
{"magnification-mode",    "magnificationSelect",            "",                         P, {5, 0},  0, 8, 0, 2,   0,    0, none,            items(magnifications), "magnification mode"},
// Display toggles.
{"aspect",                "aspectSelect",                   "",                         C, {8, 0},  2, 1, 0, 1,   0,    0, none,            noLabel, "aspect"},
{"hflip",                 "hflipSelect",                    "",                         C, {8, 1},  0, 1, 0, 1,   0,    0, none,            noLabel, "Horizontal flip"},
{"vflip",                 "vflipSelect",                    "",                         C, {8, 1},  1, 1, 0, 1,   0,    0, none,            noLabel, "Vertical flip"},
{"negative",              "negativeSelect",                 "",                         C, {8, 1},  7, 1, 0, 1,   0,    0, none,            noLabel, "Negative picture"},
{"crosshair",             "crosshairSelect",                "",                         C, {8, 2},  2, 1, 0, 1,   0,    0, none,            noLabel, "Crosshair shown"},
{"colour-bar",            "colorbarSelect",                 "",                         C, {8, 2},  3, 1, 0, 1,   0,    0, none,            noLabel, "Colour bar"},
{"freeze",                "freezeSelect",                   "",                         C, {8, 38}, 0, 1, 0, 1,   0,    0, none,            noLabel, "freeze"},
// Positions.
{"magnitude",             "magnitudesliderSelect",          "magnificationslidervalue", S, {5, 1},  0, 16, 0, 1023,   0, 0, none,            plain, "magnitude"},
{"magnified-x",           "xpositionsliderSelect",          "magxposslidervalue",       S, {5, 3},  0, 16, 0, 1023,   0, 0, none,            plain, "magnified x position"},
{"magnified-y",           "ypositionsliderSelect",          "magyposslidervalue",       S, {5, 5},  0, 16, 0, 1023,   0, 0, none,            plain, "magnified y position"},
{"autopan-x",             "autopanxsliderSelect",           "autopanxslidervalue",      S, {5, 7},  0, 8, 0, 255,   0,  0, none,            plain, "autopan x"},
{"autopan-y",             "autopanysliderSelect",           "autopanyslidervalue",      S, {5, 8},  0, 8, 0, 255,   0,  0, none,            plain, "autopan y"},
{"crosshair-x",           "crosshairxpositionsliderSelect", "crossxposslidervalue",     S, {8, 3},  0, 16, 0, 720, 320,  0, none,            plain, "crosshair x"},
{"crosshair-y",           "crosshairypositionsliderSelect", "crossyposslidervalue",     S, {8, 5},  0, 16, 0, 720, 360,  0, none,            plain, "crosshair y"},
{"sdv-h",                 "SDV_H_sliderSelect",             "SDV_H_slidervalue",        S, {3, 4},  0, 4, 0, 15,   6,   0, none,            offsetAround6, "SDV H position"},
{"hdv-h",                 "HDV_H_sliderSelect",             "HDV_H_slidervalue",        S, {3, 4},  4, 4, 0, 15,   6,   0, none,            offsetAround6, "HDV H position"},
{"sdv-v",                 "SDV_V_sliderSelect",             "SDV_V_slidervalue",        S, {3, 5},  0, 4, 0, 15,   6,   0, none,            offsetAround6, "SDV V position"},
{"hdv-v",                 "HDV_V_sliderSelect",             "HDV_V_slidervalue",        S, {3, 5},  4, 4, 0, 15,   6,   0, none,            offsetAround6, "HDV V position"},
// On-screen text: 8/8 bit 0 shown, bit 1 its position.
{"text",                  "textSelect",                     "",                         C, {8, 8},  0, 1, 0, 1,   0,    0, none,            noLabel, "Show the on-screen text"},
{"text-position",         "textpositionSelect",             "",                         P, {8, 8},  1, 1, 0, 1,   0,    0, none,            items(textPlaces), "On-screen text position"},
};
// clang-format on

constexpr Switch switchTable[] = {
    {"blc", "blcSelect", 0x86, "BLC", "Back-light compensation"},
    {"agc", "agcSelect", 0x82, "AGC", "AGC switch"},
    {"flc", "flcSelect", 0x8C, "FLC", "Flicker compensation"},
};

int mask(int bits)
{
    return bits >= 31 ? -1 : (1 << bits) - 1;
}

std::string formatted(const char *format, int number)
{
    char text[32];
    std::snprintf(text, sizeof text, format, number);
    return text;
}

std::string where(const Control &c)
{
    const std::string address
        = std::to_string(c.address.group) + "/" + std::to_string(c.address.index);
    if (c.bits == 16)
        return "registers " + address + "-" + std::to_string(c.address.group) + "/"
            + std::to_string(c.address.index + 1) + " (16 bits)";
    if (c.bits == 1)
        return "bit " + std::to_string(c.shift) + " of register " + address;
    if (c.bits == 0 || (c.bits == 8 && c.shift == 0))
        return "register " + address;
    return "bits " + std::to_string(c.shift) + "-" + std::to_string(c.shift + c.bits - 1)
        + " of register " + address;
}

} // namespace

std::span<const Control> controls()
{
    return controlTable;
}

std::span<const Switch> switches()
{
    return switchTable;
}

namespace {

template<class Row, std::size_t n, class Matches>
const Row *find(const Row (&rows)[n], Matches matches)
{
    const auto found = std::find_if(std::begin(rows), std::end(rows), matches);
    return found == std::end(rows) ? nullptr : found;
}

} // namespace

Width widthOf(Address address)
{
    const Control *word = find(
        controlTable, [&](const Control &c) { return c.address == address && c.bits == 16; });
    return word ? Width::Word : Width::Byte;
}

const Control *findControl(std::string_view key)
{
    return find(controlTable, [&](const Control &c) { return key == c.key; });
}

const Switch *findSwitch(std::string_view key)
{
    return find(switchTable, [&](const Switch &s) { return key == s.key; });
}

const Switch *findSwitchByCode(std::uint8_t code)
{
    return find(switchTable, [&](const Switch &s) { return code == s.code; });
}

std::string registerName(Address address)
{
    const auto at = [](Address a) { return [a](const auto &row) { return row.address == a; }; };
    if (const auto *shared = find(sharedRegisters, at(address)))
        return shared->name;
    if (const Control *only = find(controlTable, at(address)))
        return only->help;
    const Address low{address.group, std::uint8_t(address.index - 1)};
    if (address.index > 0 && widthOf(low) == Width::Word)
        return registerName(low) + ", high byte";
    const int position = address.index - textFirst.index;
    if (address.group == textFirst.group && position >= 0 && position < textPositions)
        return "text position " + std::to_string(position);
    return {};
}

int fieldBits(const Control &control, int value)
{
    if (control.bits == 0)
        return 0;
    // A flag is one bit whatever number it comes as (an edited preset file may
    // hold 3). A wider value is not cut to its field: only the low byte (or
    // word) of the whole register goes out, so a value too big for its field
    // reaches the next one, as the camera has always been sent it.
    const int field = control.bits == 1 ? (value != 0 ? 1 : 0) : value + control.byteOffset;
    return field << control.shift;
}

int fieldValue(const Control &control, int registerData)
{
    if (control.bits == 0)
        return 0;
    const int field = (registerData >> control.shift) & mask(control.bits);
    if (control.bits == 1 || control.byteOffset == 0)
        return field;
    // A signed byte back to the control's value.
    return static_cast<std::int8_t>(field) - control.byteOffset;
}

std::optional<std::string> labelText(const Control &control, int value)
{
    const Display &d = control.display;
    if (!d.names.empty() && control.kind == ControlKind::Slider) {
        if (value < 0 || value >= static_cast<int>(d.names.size()))
            return std::nullopt;
        return d.names[static_cast<std::size_t>(value)];
    }
    if (!d.format)
        return std::nullopt;
    return formatted(d.format, d.scale * value + d.offset);
}

std::string describeSwitch(const Switch &which)
{
    char packet[16];
    std::snprintf(packet, sizeof packet, "%02X %02X", switchLead, which.code);
    return std::string(which.help) + " on or off: packet " + packet;
}

std::string describeControl(const Control &c)
{
    std::string text = std::string(c.help) + ": " + where(c);
    text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    if (c.kind == ControlKind::Choice)
        return text + ", item index";
    if (c.kind == ControlKind::Check)
        return text;
    text += ", " + std::to_string(c.min) + " to " + std::to_string(c.max);
    const auto first = labelText(c, c.min);
    const auto last = labelText(c, c.max);
    if (first && last && (*first != std::to_string(c.min) || *last != std::to_string(c.max)))
        text += " (" + *first + " to " + *last + ")";
    return text;
}

} // namespace camdeck::protocol
