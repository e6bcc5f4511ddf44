#include "decoder.h"
#include "camera.h"
#include "jog.h"
#include "masks.h"

#include <algorithm>
#include <cstdio>

namespace camdeck::protocol {

namespace {

using Kind = Event::Kind;

enum class Verdict { NeedMore, NotHere, Found };

struct Scan {
    Verdict verdict;
    Kind kind = Kind::Skipped;
    std::size_t length = 0;
};

constexpr Scan needMore{Verdict::NeedMore};
constexpr Scan notHere{Verdict::NotHere};
constexpr Scan found(Kind kind, std::size_t length)
{
    return {Verdict::Found, kind, length};
}

// The packets that carry a code and a state, as packets.h shapes them.
constexpr struct {
    Kind kind;
    const PacketShape &shape;
} shapedPackets[] = {
    {Kind::Switch, switchShape},
    {Kind::MaskShow, maskShowShape},
    {Kind::Jog, jogShape},
};

bool isMaskDefine(std::uint8_t lead)
{
    return lead >= maskDefineFirst && lead < maskDefineFirst + maskCount;
}

// The first bytes of every message the panel sends.
bool isLead(std::uint8_t b)
{
    return b == frameHeader[0] || b == requestLead || isMaskDefine(b)
        || std::any_of(std::begin(shapedPackets), std::end(shapedPackets),
                       [b](const auto &p) { return p.shape.lead == b; });
}

// 01 00 28 L g i 00 N data CRClo CRChi, with L = 4 + N and N = 1, 2 or 4.
Scan scanFrame(const std::uint8_t *p, std::size_t n)
{
    for (std::size_t i = 0; i < frameHeader.size(); ++i) {
        if (i >= n)
            return needMore;
        if (p[i] != frameHeader[i])
            return notHere;
    }
    if (n < 4)
        return needMore;
    const std::uint8_t length = p[3];
    if (length != 5 && length != 6 && length != 8)
        return found(Kind::BadLength, 4);
    if (n < frameDataOffset)
        return needMore;
    const std::size_t count = length - 4u;
    if (p[6] != 0x00 || p[7] != count)
        return found(Kind::BadLength, frameDataOffset);
    const std::size_t total = frameDataOffset + count + 2;
    if (n < total)
        return needMore;
    const std::uint16_t crc = frameCRC16(p, static_cast<int>(frameDataOffset + count));
    const bool good = p[total - 2] == (crc & 0xFF) && p[total - 1] == crc >> 8;
    return found(good ? Kind::Frame : Kind::BadCrc, total);
}

// Bytes 5 and 7 are 00; byte 6, the checksum, waits for all eight. A mask's
// edges take any byte; the others are as their shape says.
bool fits(const PacketShape *shape, std::size_t pos, std::uint8_t b)
{
    if (pos == 5 || pos == 7)
        return b == 0x00;
    if (pos == 6 || !shape)
        return true;
    switch (pos) {
    case 1:
        return shape->takesCode(b);
    case 2:
        return b <= shape->maxState;
    case 3:
        return b == shape->afterState;
    default:
        return b == 0x00;
    }
}

Scan scanPacket(const std::uint8_t *p, std::size_t n)
{
    Kind kind = Kind::MaskDefine;
    const PacketShape *shape = nullptr;
    for (const auto &shaped : shapedPackets) {
        if (shaped.shape.lead == p[0])
            kind = shaped.kind, shape = &shaped.shape;
    }
    if (!shape && !isMaskDefine(p[0]))
        return notHere;
    for (std::size_t pos = 1; pos < n && pos < 8; ++pos) {
        if (!fits(shape, pos, p[pos]))
            return notHere;
    }
    if (n < 8)
        return needMore;
    const auto sum = static_cast<std::uint8_t>(p[0] + p[1] + p[2] + p[3] + p[4] + p[6]);
    return found(sum == 0 ? kind : Kind::BadChecksum, 8);
}

Scan scanAt(const std::uint8_t *p, std::size_t n)
{
    if (p[0] == frameHeader[0])
        return scanFrame(p, n);
    if (p[0] == requestLead) {
        if (n < 2)
            return needMore;
        return p[1] == portGreeting[1] ? found(Kind::Greeting, 2)
            : p[1] == travelQuery[1]   ? found(Kind::TravelQuery, 2)
                                       : notHere;
    }
    const Scan packet = scanPacket(p, n);
    // An 80 that starts no switch packet is the farewell when the next
    // message follows it; followed by silence, flush() decides.
    if (p[0] == portFarewell && packet.verdict == Verdict::NotHere && isLead(p[1]))
        return found(Kind::Farewell, 1);
    return packet;
}

} // namespace

std::vector<Event> Decoder::feed(const std::uint8_t *data, std::size_t size)
{
    std::vector<Event> events;
    m_buffer.insert(m_buffer.end(), data, data + size);
    std::size_t pos = 0;
    while (pos < m_buffer.size()) {
        const Scan scan = scanAt(m_buffer.data() + pos, m_buffer.size() - pos);
        if (scan.verdict == Verdict::NeedMore)
            break;
        if (scan.verdict == Verdict::NotHere) {
            skipByte(m_buffer[pos++], events);
            continue;
        }
        emitSkipped(events);
        const auto first = m_buffer.begin() + static_cast<std::ptrdiff_t>(pos);
        Event event{scan.kind, Bytes(first, first + static_cast<std::ptrdiff_t>(scan.length))};
        if (event.isRejected()) {
            // Look for the next message from the byte after the rejected start,
            // so a frame that lost a byte costs only itself.
            m_absorb = scan.length - 1;
            ++pos;
        } else {
            m_absorb = 0;
            pos += scan.length;
        }
        events.push_back(std::move(event));
    }
    m_buffer.erase(m_buffer.begin(), m_buffer.begin() + static_cast<std::ptrdiff_t>(pos));
    return events;
}

std::vector<Event> Decoder::flush()
{
    std::vector<Event> events;
    emitSkipped(events);
    // What waits is the beginning of one message and nothing else.
    if (!m_buffer.empty()) {
        const bool farewell = m_buffer.size() == 1 && m_buffer[0] == portFarewell;
        events.push_back({farewell ? Kind::Farewell : Kind::Truncated, m_buffer});
        m_buffer.clear();
    }
    m_absorb = 0;
    return events;
}

void Decoder::skipByte(std::uint8_t byte, std::vector<Event> &events)
{
    if (m_absorb > 0) {
        --m_absorb;
        return;
    }
    m_skipped.push_back(byte);
    if (m_skipped.size() >= 64)
        emitSkipped(events);
}

void Decoder::emitSkipped(std::vector<Event> &events)
{
    if (m_skipped.empty())
        return;
    events.push_back({Kind::Skipped, std::move(m_skipped)});
    m_skipped.clear();
}

namespace {

std::string hex2(unsigned value)
{
    char s[8];
    std::snprintf(s, sizeof s, "0x%02X", value & 0xFF);
    return s;
}

std::string addressText(Address a)
{
    const std::string name = registerName(a);
    const std::string text = std::to_string(a.group) + "/" + std::to_string(a.index);
    return name.empty() ? text : text + " " + name;
}

std::string describeWord(Address a, std::uint8_t low, std::uint8_t high)
{
    const unsigned word = unsigned(high) << 8 | low;
    char s[24];
    std::snprintf(s, sizeof s, "%u (0x%04X)", word, word);
    return addressText(a) + " ← " + s;
}

std::string describeFrame(const Event &event)
{
    const Address a{event.group(), event.index()};
    const Bytes data = event.data();
    if (data.size() == 1) {
        std::string line = addressText(a) + " ← " + hex2(data[0]);
        if (textPosition(a) && data[0] >= 0x20 && data[0] < 0x7F)
            line += std::string(" '") + char(data[0]) + "'";
        return line;
    }
    std::string line = describeWord(a, data[0], data[1]);
    if (data.size() == 4)
        line += ", " + describeWord({a.group, std::uint8_t(a.index + 2)}, data[2], data[3]);
    return line;
}

const char *errorName(Event::Kind kind)
{
    switch (kind) {
    case Event::Kind::BadCrc:
        return "bad CRC";
    case Event::Kind::BadLength:
        return "bad length";
    case Event::Kind::BadChecksum:
        return "bad checksum";
    default:
        return "truncated";
    }
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

std::string describeReply(const Bytes &reply, std::size_t shown)
{
    const std::size_t cut = std::min(shown, reply.size());
    std::string said = hexBytes(Bytes(reply.begin(), reply.begin() + std::ptrdiff_t(cut)));
    std::string text(reply.begin(), reply.begin() + std::ptrdiff_t(cut));
    if (cut < reply.size()) {
        said += " … (" + std::to_string(reply.size()) + " bytes)";
        text += "…";
    }
    const bool printable = std::all_of(reply.begin(), reply.end(),
                                       [](std::uint8_t b) { return b >= 0x20 && b < 0x7F; });
    if (printable && !reply.empty())
        said += " \"" + text + "\"";
    return said;
}

std::string describeMessage(const Event &event)
{
    const Bytes &b = event.bytes;
    switch (event.kind) {
    case Event::Kind::Frame:
        return describeFrame(event);
    case Event::Kind::Switch:
        return std::string(findSwitchByCode(b[1])->name) + (b[2] == 1 ? " on" : " off");
    case Event::Kind::MaskShow:
        return "mask " + std::to_string(b[1] - maskShowFirst) + (b[2] == 1 ? " show" : " hide");
    case Event::Kind::MaskDefine:
        return "mask " + std::to_string(b[0] - maskDefineFirst) + " define " + std::to_string(b[1])
            + "," + std::to_string(b[2]) + "–" + std::to_string(b[3]) + "," + std::to_string(b[4]);
    case Event::Kind::Jog: {
        const auto direction = static_cast<JogDirection>(b[2]);
        return direction == JogDirection::Stop ? std::string("stop")
                                               : std::string("jog ") + jogName(direction);
    }
    case Event::Kind::Greeting:
        return "greeting";
    case Event::Kind::TravelQuery:
        return "travel query";
    case Event::Kind::Farewell:
        return "farewell";
    case Event::Kind::Skipped:
        return "skipped " + std::to_string(b.size()) + " bytes: " + hexBytes(b);
    default:
        return std::string(errorName(event.kind)) + ", ignored: " + hexBytes(b);
    }
}

} // namespace camdeck::protocol
