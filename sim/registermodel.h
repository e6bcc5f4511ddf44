// The simulated camera and motor drive: what the decoded traffic did to them,
// and what the device answers. Pure: no I/O, no Qt; time comes from the caller.
#pragma once

#include "decoder.h"
#include "motordrive.h"

#include <array>
#include <chrono>
#include <compare>
#include <map>
#include <set>
#include <string>

namespace camdeck::sim {

struct Address {
    std::uint8_t group = 0;
    std::uint8_t index = 0;
    auto operator<=>(const Address &) const = default;
};

// A mask rectangle in the camera's mask coordinates (the picture's centre is 95, 65).
struct Mask {
    std::uint8_t left = 0;
    std::uint8_t top = 0;
    std::uint8_t right = 0;
    std::uint8_t bottom = 0;
    bool defined = false;
    bool shown = false;
};

struct Switches {
    bool blc = false;
    bool agc = false;
    bool flc = false;
};

// One event's effect: a line for the traffic log and the bytes to answer.
struct Outcome {
    std::string description;
    Bytes reply;
};

inline constexpr char identification[] = "SIM1";

class RegisterModel {
public:
    using Millis = MotorDrive::Millis;

    explicit RegisterModel(double mmPerSecond = 25.0);

    // Rejected and skipped bytes are described but change nothing.
    Outcome apply(const Event &event, Millis now);

    // A register never written reads 0, as after power-on.
    std::uint8_t value(std::uint8_t group, std::uint8_t index) const;
    bool bit(std::uint8_t group, std::uint8_t index, int bit) const;
    // Two consecutive registers, low byte first.
    std::uint16_t word(std::uint8_t group, std::uint8_t index) const;
    const std::map<Address, std::uint8_t> &registers() const { return m_registers; }
    // Registers written with a new value (or for the first time) since the last call.
    std::set<Address> takeChanged();

    const std::array<Mask, 4> &masks() const { return m_masks; }
    // The 24 character codes of 8/11 to 8/34, position 0 first.
    std::string text() const;
    const Switches &switches() const { return m_switches; }
    const MotorDrive &motor() const { return m_motor; }

private:
    void writeFrame(const Event &event);
    void writeSwitch(const Bytes &packet);
    std::string jog(const Bytes &packet, Millis now);
    void write(std::uint8_t group, std::uint8_t index, std::uint8_t value);

    std::map<Address, std::uint8_t> m_registers;
    std::set<Address> m_changed;
    std::array<Mask, 4> m_masks{};
    Switches m_switches;
    MotorDrive m_motor;
};

// What a message says, whatever the device makes of it: "2/0 exposure mode ←
// 0x01", "mask 2 show", "jog right". The traffic log adds the device's side.
std::string describeMessage(const Event &event);

// "01 00 28", as the log spells bytes.
std::string hexBytes(const Bytes &bytes);

} // namespace camdeck::sim
