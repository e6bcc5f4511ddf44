#include "jogpackets.h"

namespace camdeck {

Packet jogPacket(JogDirection direction)
{
    return checksumPacket(0x85, 0x01, static_cast<std::uint8_t>(direction), 0x00, 0x00);
}

std::optional<int> travelFromReply(const Bytes &reply)
{
    if (reply.size() != 2)
        return std::nullopt;
    return static_cast<std::int16_t>((reply[0] << 8) | reply[1]);
}

} // namespace camdeck
