#include "camera.h"
#include "names.h"
#include "packets.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>

namespace camdeck::protocol {

namespace {

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

using F = ExposureField;

constexpr Keeps none{};
constexpr Keeps kept(ExposureField field)
{
    return {static_cast<std::int8_t>(field), false};
}
constexpr Keeps keptInverse(ExposureField field)
{
    return {static_cast<std::int8_t>(field), true};
}

// clang-format off
constexpr Control controlTable[] = {
// key                     outlet                            label                      kind address shift bits min max initial offset keeps                       display
// Exposure: 2/0 bit 0 ALC, bit 1 AES; the fixed shutter is AES off.
{"alc",                   "alcSelect",                      "",                         C, {2, 0},  0, 1, 0, 1,   1,    0, kept(F::AlcOn),                        noLabel, "ALC on"},
{"alc-level",             "alcsliderSelect",                "alcslidervalue",           S, {2, 1},  0, 8, 0, 16,  16,   0, kept(F::AlcLevel),                     percentAround0, "ALC level"},
{"fixed-shutter",         "fixedshutterSelect",             "",                         C, {2, 0},  0, 0, 0, 1,   1,    0, kept(F::FixedShutterOn),               noLabel, "Fixed shutter on (AES off)"},
{"fixed-shutter-speed",   "fixedshuttersliderSelect",       "fixedshutterslidervalue",  S, {2, 3},  0, 8, 0, 12,  11,   0, kept(F::FixedShutterSpeed),            {nullptr, 1, 0, fixedSpeeds}, "fixed shutter speed"},
{"aes",                   "aesSelect",                      "",                         C, {2, 0},  1, 1, 0, 1,   0,    0, kept(F::AesOn),                        noLabel, "AES on"},
{"aes-level",             "aessliderSelect",                "aesslidervalue",           S, {2, 2},  0, 8, 0, 16,  16,   0, kept(F::AesLevel),                     percentAround0, "AES level"},
// Gain and shutter mode: 2/4 bit 0 automatic gain, bit 2 slow shutter, bit 3
// slow-shutter priority; manual gain and gain priority are those bits clear.
{"slow-shutter",          "slowshutterSelect",              "",                         C, {2, 4},  2, 1, 0, 1,   0,    0, kept(F::SlowShutterOn),                noLabel, "Slow shutter on"},
{"slow-shutter-speed",    "slowshuttersliderSelect",        "slowshutterslidervalue",   S, {2, 8},  0, 8, 0, 7,   0,    0, kept(F::SlowShutterSpeed),             {nullptr, 1, 0, slowSpeeds}, "slow shutter speed"},
{"gain-priority",         "priorityagcSelect",              "",                         C, {2, 4},  0, 0, 0, 1,   1,    0, keptInverse(F::SlowShutterPriority),   noLabel, "Gain priority (slow-shutter priority off)"},
{"slow-shutter-priority", "priorityslowshutterSelect",      "",                         C, {2, 4},  3, 1, 0, 1,   0,    0, kept(F::SlowShutterPriority),          noLabel, "Slow-shutter priority"},
{"auto-gain",             "autogainSelect",                 "",                         C, {2, 4},  0, 1, 0, 1,   1,    0, kept(F::AutoGainOn),                   noLabel, "Automatic gain on"},
{"auto-gain-level",       "autogainsliderSelect",           "autogainslidervalue",      S, {2, 5},  0, 8, 0, 18,  12,   0, kept(F::AutoGainLevel),                decibels, "automatic gain level"},
{"manual-gain",           "manualSelect",                   "",                         C, {2, 4},  0, 0, 0, 1,   0,    0, kept(F::ManualGainOn),                 noLabel, "Manual gain on (automatic gain off)"},
{"manual-gain-level",     "manualsliderSelect",             "manualslidervalue",        S, {2, 6},  0, 8, 0, 18,   0,   0, kept(F::ManualGainLevel),              decibels, "manual gain level"},
// Peak control: 2/10 bit 7 on, bits 0 to 6 the level, sent either way.
{"peak-control",          "peakcontrolSelect",              "",                         C, {2, 10}, 7, 1, 0, 1,   1,    0, kept(F::PeakControlOn),                noLabel, "Peak control on"},
{"peak-level",            "peakcontrolsliderSelect",        "peakcontrolslidervalue",   S, {2, 10}, 0, 7, 0, 9,   8,    0, kept(F::PeakLevel),                    {"%d%%", 10, 10}, "peak control level"},
// White balance and colour mode: 4/0 bit 0 ATW (AWB is it clear), bits 2 to 7 the colour mode.
{"atw",                   "atwSelect",                      "",                         C, {4, 0},  0, 1, 0, 1,   0,    0, none,                                  noLabel, "ATW white balance"},
{"awb",                   "awbSelect",                      "",                         C, {4, 0},  0, 0, 0, 1,   1,    0, none,                                  noLabel, "AWB white balance (ATW off)"},
{"colour-mode",           "colormodeSelect",                "",                         P, {4, 0},  2, 6, 0, 3,   0,    0, none,                                  items(colourModes), "Colour mode"},
{"atw-level",             "atwsliderSelect",                "atwslidervalue",           S, {4, 2},  0, 8, 0, 16,   8,   0, none,                                  percentAround0, "ATW level"},
{"awb-level",             "awbsliderSelect",                "awbslidervalue",           S, {4, 3},  0, 8, 0, 16,   8,   0, none,                                  percentAround0, "AWB level"},
{"colour-suppression",    "colorsuppresssliderSelect",      "colorsuppressslidervalue", S, {4, 1},  0, 8, 0, 10,   0,   0, none,                                  {"%d%%", 10, 0}, "colour suppression"},
{"colour-gain",           "colorgainsliderSelect",          "colorgainslidervalue",     S, {4, 4},  0, 8, 0, 32,  16,   0, none,                                  {"%d", 1, -16}, "colour gain"},
{"colour-tone-r-y",       "colortonerysliderSelect",        "colortoneryslidervalue",   S, {4, 5},  0, 8, 0, 16,   8,   0, none,                                  percentAround0, "colour tone R-Y"},
{"colour-tone-b-y",       "colortonebysliderSelect",        "colortonebyslidervalue",   S, {4, 6},  0, 8, 0, 16,   8,   0, none,                                  percentAround0, "colour tone B-Y"},
// The UV matrix takes a signed byte: the slider's middle, 128, is 0.
{"uv-ur",                 "uvmatrix_UR_sliderSelect",       "uvmatrixURslidervalue",    S, {4, 19}, 0, 8, 0, 255, 128, -128, none,                                  {"%d", 1, -128}, "UV matrix UR"},
{"uv-ug",                 "uvmatrix_UG_sliderSelect",       "uvmatrixUGslidervalue",    S, {4, 20}, 0, 8, 0, 255, 128, -128, none,                                  {"%d", 1, -128}, "UV matrix UG"},
{"uv-ub",                 "uvmatrix_UB_sliderSelect",       "uvmatrixUBslidervalue",    S, {4, 21}, 0, 8, 0, 255, 128, -128, none,                                  {"%d", 1, -128}, "UV matrix UB"},
{"uv-vr",                 "uvmatrix_VR_sliderSelect",       "uvmatrixVRslidervalue",    S, {4, 22}, 0, 8, 0, 255, 128, -128, none,                                  {"%d", 1, -128}, "UV matrix VR"},
{"uv-vg",                 "uvmatrix_VG_sliderSelect",       "uvmatrixVGslidervalue",    S, {4, 23}, 0, 8, 0, 255, 128, -128, none,                                  {"%d", 1, -128}, "UV matrix VG"},
{"uv-vb",                 "uvmatrix_VB_sliderSelect",       "uvmatrixVBslidervalue",    S, {4, 24}, 0, 8, 0, 255, 128, -128, none,                                  {"%d", 1, -128}, "UV matrix VB"},
// Picture modes: the item's index; the output modes in the high nibble.
{"sdv-mode",              "sdvSelect",                      "",                         P, {8, 36}, 4, 4, 0, 3,   0,    0, none,                                  items(outputModes), "SDV mode"},
{"hdv-mode",              "hdvSelect",                      "",                         P, {8, 35}, 4, 4, 0, 3,   0,    0, none,                                  items(outputModes), "HDV mode"},
{"xdr",                   "xdrSelect",                      "",                         P, {3, 0},  0, 8, 0, 3,   0,    0, none,                                  items(strengths), "XDR"},
{"fog",                   "fogSelect",                      "",                         P, {3, 1},  0, 8, 0, 3,   0,    0, none,                                  items(strengths), "fog"},
{"eclipse",               "eclipseSelect",                  "",                         P, {3, 2},  0, 8, 0, 1,   0,    0, none,                                  items(offOn), "eclipse"},
{"dnr",                   "dnrSelect",                      "",                         P, {3, 3},  0, 8, 0, 3,   0,    0, none,                                  items(strengths), "DNR"},
{"gamma",                 "gammaSelect",                    "",                         P, {3, 6},  0, 8, 0, 4,   0,    0, none,                                  items(gammas), "gamma"},
{"sharpness",             "sharpnessSelect",                "",                         P, {3, 7},  0, 8, 0, 3,   0,    0, none,                                  items(strengths), "sharpness"},
{"magnification-mode",    "magnificationSelect",            "",                         P, {5, 0},  0, 8, 0, 2,   0,    0, none,                                  items(magnifications), "magnification mode"},
// Display toggles.
{"wide-aspect",           "aspectSelect",                   "",                         C, {8, 0},  2, 1, 0, 1,   0,    0, none,                                  noLabel, "wide aspect"},
{"horizontal-flip",       "hflipSelect",                    "",                         C, {8, 1},  0, 1, 0, 1,   0,    0, none,                                  noLabel, "Horizontal flip"},
{"vertical-flip",         "vflipSelect",                    "",                         C, {8, 1},  1, 1, 0, 1,   0,    0, none,                                  noLabel, "Vertical flip"},
{"negative",              "negativeSelect",                 "",                         C, {8, 1},  7, 1, 0, 1,   0,    0, none,                                  noLabel, "Negative picture"},
{"crosshair",             "crosshairSelect",                "",                         C, {8, 2},  2, 1, 0, 1,   0,    0, none,                                  noLabel, "Crosshair shown"},
{"colour-bar",            "colorbarSelect",                 "",                         C, {8, 2},  3, 1, 0, 1,   0,    0, none,                                  noLabel, "Colour bar"},
{"freeze",                "freezeSelect",                   "",                         C, {8, 38}, 0, 1, 0, 1,   0,    0, none,                                  noLabel, "freeze"},
// Positions.
{"magnification-level",   "magnitudesliderSelect",          "magnificationslidervalue", S, {5, 1},  0, 16, 0, 1023,   0, 0, none,                                  plain, "magnification level"},
{"magnified-x",           "xpositionsliderSelect",          "magxposslidervalue",       S, {5, 3},  0, 16, 0, 1023,   0, 0, none,                                  plain, "magnified x position"},
{"magnified-y",           "ypositionsliderSelect",          "magyposslidervalue",       S, {5, 5},  0, 16, 0, 1023,   0, 0, none,                                  plain, "magnified y position"},
{"autopan-x",             "autopanxsliderSelect",           "autopanxslidervalue",      S, {5, 7},  0, 8, 0, 255,   0,  0, none,                                  plain, "autopan x"},
{"autopan-y",             "autopanysliderSelect",           "autopanyslidervalue",      S, {5, 8},  0, 8, 0, 255,   0,  0, none,                                  plain, "autopan y"},
{"crosshair-x",           "crosshairxpositionsliderSelect", "crossxposslidervalue",     S, {8, 3},  0, 16, 0, 720, centreX, 0, none,                                  plain, "crosshair x"},
{"crosshair-y",           "crosshairypositionsliderSelect", "crossyposslidervalue",     S, {8, 5},  0, 16, 0, 720, centreY, 0, none,                                  plain, "crosshair y"},
{"sdv-h",                 "SDV_H_sliderSelect",             "SDV_H_slidervalue",        S, {3, 4},  0, 4, 0, 15,   6,   0, none,                                  offsetAround6, "SDV H position"},
{"hdv-h",                 "HDV_H_sliderSelect",             "HDV_H_slidervalue",        S, {3, 4},  4, 4, 0, 15,   6,   0, none,                                  offsetAround6, "HDV H position"},
{"sdv-v",                 "SDV_V_sliderSelect",             "SDV_V_slidervalue",        S, {3, 5},  0, 4, 0, 15,   6,   0, none,                                  offsetAround6, "SDV V position"},
{"hdv-v",                 "HDV_V_sliderSelect",             "HDV_V_slidervalue",        S, {3, 5},  4, 4, 0, 15,   6,   0, none,                                  offsetAround6, "HDV V position"},
// On-screen text: 8/8 bit 0 shown, bit 1 its position.
{"show-text",             "textSelect",                     "",                         C, {8, 8},  0, 1, 0, 1,   0,    0, none,                                  noLabel, "Show the on-screen text"},
{"text-position",         "textpositionSelect",             "",                         P, {8, 8},  1, 1, 0, 1,   0,    0, none,                                  items(textPlaces), "On-screen text position"},
};
// clang-format on

// What the check boxes tied together do to each other. ALC works only with the
// fixed shutter, which is AES off; automatic and manual gain, the two
// priorities, ATW and AWB exclude each other. Peak control is kept as 0 or 1
// whatever a preset file said.
constexpr PartnerRule::When on = PartnerRule::On;
constexpr PartnerRule::When off = PartnerRule::Off;
constexpr PartnerRule::When either = PartnerRule::Either;
constexpr PartnerRule ruleTable[] = {
    {"alc", on, "fixed-shutter", 1},
    {"alc", on, "aes", 0},
    {"fixed-shutter", on, "aes", 0},
    {"fixed-shutter", off, "alc", 0},
    {"fixed-shutter", off, "aes", 1},
    {"aes", on, "fixed-shutter", 0},
    {"aes", on, "alc", 0},
    {"aes", off, "fixed-shutter", 1},
    {"gain-priority", either, "slow-shutter-priority", opposite},
    {"slow-shutter-priority", either, "gain-priority", opposite},
    {"auto-gain", either, "manual-gain", opposite},
    {"manual-gain", either, "auto-gain", opposite},
    {"peak-control", on, "peak-control", 1},
    {"atw", either, "awb", opposite},
    {"awb", either, "atw", opposite},
};

// The keys scripts used before the controls took the window's names.
constexpr struct {
    const char *key;
    const char *now;
} olderKeys[] = {
    {"tone-ry", "colour-tone-r-y"},
    {"tone-by", "colour-tone-b-y"},
    {"xdr-mode", "xdr"},
    {"fog-mode", "fog"},
    {"eclipse-mode", "eclipse"},
    {"dnr-mode", "dnr"},
    {"aspect", "wide-aspect"},
    {"hflip", "horizontal-flip"},
    {"vflip", "vertical-flip"},
    {"magnitude", "magnification-level"},
    {"text", "show-text"},
};

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

std::span<const PartnerRule> partnerRules()
{
    return ruleTable;
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
    if (const auto *older = find(olderKeys, [&](const auto &o) { return sameWord(key, o.key); }))
        key = older->now;
    return find(controlTable, [&](const Control &c) { return sameWord(key, c.key); });
}

const Switch *findSwitch(std::string_view key)
{
    return find(switchTable, [&](const Switch &s) { return sameWord(key, s.key); });
}

Packet switchPacket(const Switch &which, bool on)
{
    return shapedPacket(switchShape, which.code, on ? 1 : 0);
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
    if (const auto position = textPosition(address))
        return "text position " + std::to_string(*position);
    return {};
}

std::optional<int> textPosition(Address address)
{
    const int position = address.index - textFirst.index;
    if (address.group != textFirst.group || position < 0 || position >= textPositions)
        return std::nullopt;
    return position;
}

namespace {

// One character as UTF-8, for a message.
std::string utf8(char32_t c)
{
    std::string s;
    if (c < 0x80) {
        s += static_cast<char>(c);
    } else if (c < 0x800) {
        s += static_cast<char>(0xC0 | c >> 6);
        s += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        s += static_cast<char>(0xE0 | c >> 12);
        s += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        s += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        s += static_cast<char>(0xF0 | c >> 18);
        s += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        s += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        s += static_cast<char>(0x80 | (c & 0x3F));
    }
    return s;
}

} // namespace

std::string textProblem(std::u16string_view text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] <= 0xFF)
            continue;
        char32_t c = text[i];
        const bool pair = c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00
            && text[i + 1] < 0xE000;
        if (pair)
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
        else if (c >= 0xD800 && c < 0xE000)
            c = 0xFFFD; // half of a pair: nothing to show
        return "the on-screen text takes Latin-1 characters only, not '" + utf8(c) + "'";
    }
    if (text.size() > std::size_t(textPositions))
        return "the on-screen text takes at most " + std::to_string(textPositions)
            + " characters, not " + std::to_string(text.size());
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

const char *itemName(const Control &control, int value)
{
    const auto names = control.display.names;
    if (control.kind != ControlKind::Choice || value < 0 || value >= static_cast<int>(names.size()))
        return nullptr;
    return names[static_cast<std::size_t>(value)];
}

std::string describeSwitch(const Switch &which)
{
    char packet[16];
    std::snprintf(packet, sizeof packet, "%02X %02X", switchShape.lead, which.code);
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
