// Whatever bytes cross the line, in chunks of any size, as the messages the
// panel sends: for the device's side, the traffic monitor and scripts. Pure:
// no I/O, no Qt.
#pragma once

#include "frame.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace camdeck::protocol {

struct Event {
    enum class Kind {
        Frame, // camera frame: register write
        Switch, // 80 xx: BLC, AGC or FLC on/off
        MaskShow, // 81 87..8A: show or hide a mask
        MaskDefine, // A5..A8: the four edges of a mask
        Jog, // 85 01 dir
        Greeting, // 8E 12
        TravelQuery, // 8E 13
        Farewell, // a lone 80
        // Rejected: these change nothing.
        BadCrc,
        BadLength,
        BadChecksum,
        Truncated, // the input ended (or went quiet) inside a message
        Skipped, // bytes that start no message
    };

    Kind kind;
    Bytes bytes; // exactly the bytes this event was made of

    bool isRejected() const { return kind >= Kind::BadCrc; }
    // Frames: the address and the data bytes, low byte first.
    std::uint8_t group() const { return bytes.at(4); }
    std::uint8_t index() const { return bytes.at(5); }
    Bytes data() const { return Bytes(bytes.begin() + frameDataOffset, bytes.end() - 2); }
};

class Decoder {
public:
    // Decodes what the bytes so far decide; a message cut off at the end of
    // the chunk waits for the next one.
    std::vector<Event> feed(const std::uint8_t *data, std::size_t size);
    std::vector<Event> feed(const Bytes &bytes) { return feed(bytes.data(), bytes.size()); }

    // The line went quiet or the input ended: decide what is still waiting.
    // A lone 80 is the farewell; anything else is a truncated message.
    std::vector<Event> flush();

    // Bytes are waiting for more (a caller starts its quiet timer then).
    bool hasPending() const { return !m_buffer.empty() || !m_skipped.empty(); }

private:
    void emitSkipped(std::vector<Event> &events);
    void skipByte(std::uint8_t byte, std::vector<Event> &events);

    Bytes m_buffer;
    Bytes m_skipped;
    std::size_t m_absorb = 0; // bytes of a rejected message not to count as garbage
};

// What a message says: "2/0 exposure mode ← 0x01", "mask 2 show", "jog right".
std::string describeMessage(const Event &event);

// "01 00 28", as logs spell bytes.
std::string hexBytes(const Bytes &bytes);

// What the device said: its bytes in hex, and the text beside them when every
// byte is printable: 53 49 4D 31 "SIM1". Past shown bytes the reply is cut
// (41 42 … (300 bytes) "AB…").
std::string describeReply(const Bytes &reply, std::size_t shown = SIZE_MAX);

} // namespace camdeck::protocol
