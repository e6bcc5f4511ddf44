#include "registermodel.h"

#include "registernames.h"

#include <cstdio>

namespace camdeck::sim {

namespace {

using Kind = Event::Kind;

constexpr std::uint8_t textGroup = 8;
constexpr std::uint8_t textFirst = 11;
constexpr int textLength = 24;

std::string hex2(unsigned value)
{
    char s[8];
    std::snprintf(s, sizeof s, "0x%02X", value & 0xFF);
    return s;
}

std::string address(std::uint8_t group, std::uint8_t index)
{
    const std::string name = registerName(group, index);
    std::string a = std::to_string(group) + "/" + std::to_string(index);
    return name.empty() ? a : a + " " + name;
}

std::string describeByte(std::uint8_t group, std::uint8_t index, std::uint8_t value)
{
    std::string line = address(group, index) + " ← " + hex2(value);
    const bool textPosition
        = group == textGroup && index >= textFirst && index < textFirst + textLength;
    if (textPosition && value >= 0x20 && value < 0x7F)
        line += std::string(" '") + char(value) + "'";
    return line;
}

std::string describeWord(std::uint8_t group, std::uint8_t index, std::uint8_t low,
                         std::uint8_t high)
{
    const unsigned word = unsigned(high) << 8 | low;
    char s[24];
    std::snprintf(s, sizeof s, "%u (0x%04X)", word, word);
    return address(group, index) + " ← " + s;
}

std::string describeFrame(const Event &event)
{
    const std::uint8_t group = event.group();
    const std::uint8_t index = event.index();
    const Bytes data = event.data();
    if (data.size() == 1)
        return describeByte(group, index, data[0]);
    std::string line = describeWord(group, index, data[0], data[1]);
    if (data.size() == 4)
        line += ", " + describeWord(group, static_cast<std::uint8_t>(index + 2), data[2], data[3]);
    return line;
}

const char *errorName(Kind kind)
{
    switch (kind) {
    case Kind::BadCrc:
        return "bad CRC";
    case Kind::BadLength:
        return "bad length";
    case Kind::BadChecksum:
        return "bad checksum";
    default:
        return "truncated";
    }
}

Bytes bigEndian(std::int16_t value)
{
    const auto u = static_cast<std::uint16_t>(value);
    return {static_cast<std::uint8_t>(u >> 8), static_cast<std::uint8_t>(u & 0xFF)};
}

} // namespace

std::string hexBytes(const Bytes &bytes)
{
    std::string s;
    for (std::uint8_t b : bytes) {
        char h[4];
        std::snprintf(h, sizeof h, s.empty() ? "%02X" : " %02X", b);
        s += h;
    }
    return s;
}

RegisterModel::RegisterModel(double mmPerSecond)
    : m_motor(mmPerSecond)
{
}

std::string describeMessage(const Event &event)
{
    const Bytes &b = event.bytes;
    switch (event.kind) {
    case Kind::Frame:
        return describeFrame(event);
    case Kind::Switch: {
        const char *name = b[1] == 0x82 ? "AGC" : b[1] == 0x8C ? "FLC" : "BLC";
        return std::string(name) + (b[2] == 1 ? " on" : " off");
    }
    case Kind::MaskShow:
        return "mask " + std::to_string(b[1] - 0x87) + (b[2] == 1 ? " show" : " hide");
    case Kind::MaskDefine:
        return "mask " + std::to_string(b[0] - 0xA5) + " define " + std::to_string(b[1]) + ","
            + std::to_string(b[2]) + "–" + std::to_string(b[3]) + "," + std::to_string(b[4]);
    case Kind::Jog: {
        const auto direction = static_cast<MotorDrive::Direction>(b[2]);
        return direction == MotorDrive::Direction::None
            ? std::string("stop")
            : std::string("jog ") + directionName(direction);
    }
    case Kind::Greeting:
        return "greeting";
    case Kind::TravelQuery:
        return "travel query";
    case Kind::Farewell:
        return "farewell";
    case Kind::Skipped:
        return "skipped " + std::to_string(b.size()) + " bytes: " + hexBytes(b);
    default:
        return std::string(errorName(event.kind)) + ", ignored: " + hexBytes(b);
    }
}

Outcome RegisterModel::apply(const Event &event, Millis now)
{
    const std::string line = describeMessage(event);
    const Bytes &b = event.bytes;
    switch (event.kind) {
    case Kind::Frame:
        writeFrame(event);
        break;
    case Kind::Switch:
        writeSwitch(b);
        break;
    case Kind::MaskShow:
        m_masks[b[1] - 0x87].shown = b[2] == 1;
        break;
    case Kind::MaskDefine: {
        const int k = b[0] - 0xA5;
        m_masks[k] = {b[1], b[2], b[3], b[4], true, m_masks[k].shown};
        break;
    }
    case Kind::Jog:
        return {line + jog(b, now), {}};
    case Kind::Greeting:
        return {line + ", answered " + identification,
                Bytes(identification, identification + sizeof identification - 1)};
    case Kind::TravelQuery:
        return {line + ", answered " + std::to_string(m_motor.lastTravel()) + " mm",
                bigEndian(m_motor.lastTravel())};
    default:
        break;
    }
    return {line, {}};
}

void RegisterModel::writeFrame(const Event &event)
{
    const std::uint8_t group = event.group();
    const std::uint8_t index = event.index();
    const Bytes data = event.data();
    // The data bytes fill one-byte registers from the index on; a frame near
    // the end of the group writes what fits.
    for (std::size_t i = 0; i < data.size() && index + i <= 0xFF; ++i)
        write(group, static_cast<std::uint8_t>(index + i), data[i]);
}

void RegisterModel::writeSwitch(const Bytes &packet)
{
    const bool on = packet[2] == 1;
    if (packet[1] == 0x82)
        m_switches.agc = on;
    else if (packet[1] == 0x8C)
        m_switches.flc = on;
    else
        m_switches.blc = on;
}

// What the drive adds to the jog's own line: the travel of a move that ended.
std::string RegisterModel::jog(const Bytes &packet, Millis now)
{
    const auto direction = static_cast<MotorDrive::Direction>(packet[2]);
    if (direction == MotorDrive::Direction::None) {
        m_motor.stop(now);
        return ", travel " + std::to_string(m_motor.lastTravel()) + " mm";
    }
    const MotorDrive::Direction before = m_motor.direction();
    m_motor.jog(direction, now);
    if (before == direction)
        return " (already moving)";
    if (before != MotorDrive::Direction::None)
        return std::string(" (") + directionName(before) + " move ended, travel "
            + std::to_string(m_motor.lastTravel()) + " mm)";
    return {};
}

void RegisterModel::write(std::uint8_t group, std::uint8_t index, std::uint8_t value)
{
    const Address a{group, index};
    const auto [it, first] = m_registers.try_emplace(a, value);
    if (first || it->second != value)
        m_changed.insert(a);
    it->second = value;
}

std::uint8_t RegisterModel::value(std::uint8_t group, std::uint8_t index) const
{
    const auto found = m_registers.find({group, index});
    return found == m_registers.end() ? 0 : found->second;
}

bool RegisterModel::bit(std::uint8_t group, std::uint8_t index, int bit) const
{
    return (value(group, index) >> bit) & 1;
}

std::uint16_t RegisterModel::word(std::uint8_t group, std::uint8_t index) const
{
    return static_cast<std::uint16_t>(value(group, static_cast<std::uint8_t>(index + 1)) << 8
                                      | value(group, index));
}

std::set<Address> RegisterModel::takeChanged()
{
    std::set<Address> changed;
    changed.swap(m_changed);
    return changed;
}

std::string RegisterModel::text() const
{
    std::string t;
    for (int i = 0; i < textLength; ++i)
        t += char(value(textGroup, static_cast<std::uint8_t>(textFirst + i)));
    return t;
}

} // namespace camdeck::sim
