#include "jog.h"

#include "names.h"

#include <algorithm>
#include <array>

namespace camdeck {

namespace {

// By direction code.
constexpr std::array<const char *, 5> names = {"right", "left", "back", "forward", "stop"};

} // namespace

Packet jogPacket(JogDirection direction)
{
    return shapedPacket(jogShape, jogCode, static_cast<std::uint8_t>(direction));
}

const char *jogName(JogDirection direction)
{
    return names[static_cast<std::size_t>(direction)];
}

std::optional<JogDirection> findJogDirection(std::string_view name)
{
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (protocol::sameWord(name, names[i]))
            return static_cast<JogDirection>(i);
    }
    return std::nullopt;
}

std::optional<int> travelFromReply(const Bytes &reply)
{
    if (reply.size() != 2)
        return std::nullopt;
    return static_cast<std::int16_t>((reply[0] << 8) | reply[1]);
}

Bytes travelReply(long travelMm)
{
    const auto u = static_cast<std::uint16_t>(std::clamp(travelMm, -32768L, 32767L));
    return {static_cast<std::uint8_t>(u >> 8), static_cast<std::uint8_t>(u & 0xFF)};
}

} // namespace camdeck
