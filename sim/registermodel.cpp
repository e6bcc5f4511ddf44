#include "registermodel.h"

#include "protocol/camera.h"
#include "protocol/jog.h"

namespace camdeck::sim {

namespace {

using Kind = Event::Kind;

} // namespace

RegisterModel::RegisterModel(double mmPerSecond)
    : m_motor(mmPerSecond)
{
}

Outcome RegisterModel::apply(const Event &event, Millis now)
{
    const std::string line = protocol::describeMessage(event);
    const Bytes &b = event.bytes;
    switch (event.kind) {
    case Kind::Frame:
        writeFrame(event);
        break;
    case Kind::Switch:
        writeSwitch(b);
        break;
    case Kind::MaskShow:
        m_masks[b[1] - maskShowFirst].shown = b[2] == 1;
        break;
    case Kind::MaskDefine: {
        const int k = b[0] - maskDefineFirst;
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
                travelReply(m_motor.lastTravel())};
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
    if (packet[2] == 1)
        m_switchesOn.insert(packet[1]);
    else
        m_switchesOn.erase(packet[1]);
}

std::vector<std::string> RegisterModel::switchesOn() const
{
    std::vector<std::string> on;
    for (const protocol::Switch &s : protocol::switches()) {
        if (m_switchesOn.count(s.code))
            on.push_back(s.name);
    }
    return on;
}

int RegisterModel::control(std::string_view key) const
{
    const protocol::Control *c = protocol::findControl(key);
    if (!c)
        return 0;
    const int data = protocol::widthOf(c->address) == protocol::Width::Word
        ? word(c->address.group, c->address.index)
        : value(c->address.group, c->address.index);
    return protocol::fieldValue(*c, data);
}

// What the drive adds to the jog's own line: the travel of a move that ended.
std::string RegisterModel::jog(const Bytes &packet, Millis now)
{
    const auto direction = static_cast<MotorDrive::Direction>(packet[2]);
    if (direction == MotorDrive::Direction::Stop) {
        m_motor.stop(now);
        return ", travel " + std::to_string(m_motor.lastTravel()) + " mm";
    }
    const MotorDrive::Direction before = m_motor.direction();
    m_motor.jog(direction, now);
    if (before == direction)
        return " (already moving)";
    if (before != MotorDrive::Direction::Stop)
        return std::string(" (") + jogName(before) + " move ended, travel "
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
    for (int i = 0; i < protocol::textPositions; ++i)
        t += char(value(protocol::textFirst.group,
                        static_cast<std::uint8_t>(protocol::textFirst.index + i)));
    return t;
}

} // namespace camdeck::sim
