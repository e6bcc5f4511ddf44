#include "frame.h"

#include <initializer_list>

namespace camdeck {

std::uint16_t frameCRC16(const std::uint8_t *commandFrame, int commandFrameLength)
{
    std::uint16_t r = 0;
    for (int i = 0; i < commandFrameLength; ++i) {
        for (int bit = 7; bit >= 0; --bit) {
            const bool m = (commandFrame[i] >> bit) & 1;
            const bool f = r & 0x8000;
            r = static_cast<std::uint16_t>(r << 1);
            if (f)
                r ^= 0x1021;
            r ^= m;
        }
    }
    return r;
}

namespace {

Bytes frameWithData(std::uint8_t group, std::uint8_t index,
                    std::initializer_list<std::uint8_t> data)
{
    const auto n = static_cast<std::uint8_t>(data.size());
    Bytes frame(frameHeader.begin(), frameHeader.end());
    frame.insert(frame.end(), {static_cast<std::uint8_t>(4 + n), group, index, 0x00, n});
    for (std::uint8_t b : data)
        frame.push_back(b);
    const std::uint16_t crc = frameCRC16(frame.data(), static_cast<int>(frame.size()));
    frame.push_back(crc & 0xFF);
    frame.push_back(crc >> 8);
    return frame;
}

std::uint8_t low(int v)
{
    return static_cast<std::uint8_t>(v & 0xFF);
}
std::uint8_t high(int v)
{
    return static_cast<std::uint8_t>((v >> 8) & 0xFF);
}

} // namespace

Bytes commandFrame8(std::uint8_t commandGroup, std::uint8_t commandIndex, int value)
{
    return frameWithData(commandGroup, commandIndex, {low(value)});
}

Bytes commandFrame16(std::uint8_t commandGroup, std::uint8_t commandIndex, int value)
{
    return frameWithData(commandGroup, commandIndex, {low(value), high(value)});
}

Bytes commandFrame32(std::uint8_t commandGroup, std::uint8_t commandIndex, int first, int second)
{
    return frameWithData(commandGroup, commandIndex,
                         {low(first), high(first), low(second), high(second)});
}

Packet checksumPacket(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2, std::uint8_t b3,
                      std::uint8_t b4)
{
    const auto sum = static_cast<std::uint8_t>(b0 + b1 + b2 + b3 + b4);
    return {b0, b1, b2, b3, b4, 0x00, static_cast<std::uint8_t>(-sum), 0x00};
}

} // namespace camdeck
