#include "jog.h"

namespace camdeck {

Packet jogPacket(JogDirection direction)
{
    return checksumPacket(jogLead, 0x01, static_cast<std::uint8_t>(direction), 0x00, 0x00);
}

const char *jogName(JogDirection direction)
{
    switch (direction) {
    case JogDirection::Right:
        return "right";
    case JogDirection::Left:
        return "left";
    case JogDirection::Back:
        return "back";
    case JogDirection::Forward:
        return "forward";
    case JogDirection::Stop:
        break;
    }
    return "stop";
}

std::optional<int> travelFromReply(const Bytes &reply)
{
    if (reply.size() != 2)
        return std::nullopt;
    return static_cast<std::int16_t>((reply[0] << 8) | reply[1]);
}

} // namespace camdeck
