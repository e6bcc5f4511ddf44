#include "packets.h"
#include "camera.h"

namespace camdeck {

bool isSwitchCode(std::uint8_t code)
{
    return protocol::findSwitchByCode(code) != nullptr;
}

bool isMaskShowCode(std::uint8_t code)
{
    return code >= maskShowFirst && code < maskShowFirst + maskCount;
}

bool isJogCode(std::uint8_t code)
{
    return code == jogCode;
}

Packet shapedPacket(const PacketShape &shape, std::uint8_t code, std::uint8_t state)
{
    return checksumPacket(shape.lead, code, state, shape.afterState, 0x00);
}

} // namespace camdeck
