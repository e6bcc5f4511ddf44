// The simulated camera and motor drive: what the decoded traffic did to them,
// and what the device answers. Pure: no I/O, no Qt; time comes from the caller.
#pragma once

#include "motordrive.h"
#include "protocol/camera.h"
#include "protocol/decoder.h"
#include "protocol/packets.h"

#include <array>
#include <chrono>
#include <compare>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace camdeck::sim {

using protocol::Address;
using protocol::Decoder;
using protocol::Event;

// A mask rectangle in the camera's mask coordinates (the picture's centre is 95, 65).
struct Mask {
    std::uint8_t left = 0;
    std::uint8_t top = 0;
    std::uint8_t right = 0;
    std::uint8_t bottom = 0;
    bool defined = false;
    bool shown = false;
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
    // Two consecutive registers, low byte first.
    std::uint16_t word(std::uint8_t group, std::uint8_t index) const;
    const std::map<Address, std::uint8_t> &registers() const { return m_registers; }
    // Registers written with a new value (or for the first time) since the last call.
    std::set<Address> takeChanged();

    const std::array<Mask, maskCount> &masks() const { return m_masks; }
    // The 24 character codes of 8/11 to 8/34, position 0 first.
    std::string text() const;
    // The switches that are on ("BLC", "AGC", "FLC"), in the table's order.
    std::vector<std::string> switchesOn() const;
    // What the control with this key was set to, read back from its register.
    int control(std::string_view key) const;
    const MotorDrive &motor() const { return m_motor; }

private:
    void writeFrame(const Event &event);
    void writeSwitch(const Bytes &packet);
    std::string jog(const Bytes &packet, Millis now);
    void write(std::uint8_t group, std::uint8_t index, std::uint8_t value);

    std::map<Address, std::uint8_t> m_registers;
    std::set<Address> m_changed;
    std::array<Mask, maskCount> m_masks{};
    std::set<std::uint8_t> m_switchesOn; // by code
    MotorDrive m_motor;
};

} // namespace camdeck::sim
