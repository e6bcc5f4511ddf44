#include "decoder.h"
#include "camera.h"
#include "jog.h"
#include "masks.h"

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

// The first bytes of every message the panel sends.
bool isLead(std::uint8_t b)
{
    return b == 0x01 || b == switchLead || b == maskShowLead || b == jogLead || b == 0x8E
        || (b >= maskDefineFirst && b < maskDefineFirst + maskCount);
}

// 01 00 28 L g i 00 N data CRClo CRChi, with L = 4 + N and N = 1, 2 or 4.
Scan scanFrame(const std::uint8_t *p, std::size_t n)
{
    static constexpr std::uint8_t header[] = {0x01, 0x00, 0x28};
    for (std::size_t i = 0; i < sizeof header; ++i) {
        if (i >= n)
            return needMore;
        if (p[i] != header[i])
            return notHere;
    }
    if (n < 4)
        return needMore;
    const std::uint8_t length = p[3];
    if (length != 5 && length != 6 && length != 8)
        return found(Kind::BadLength, 4);
    if (n < 8)
        return needMore;
    const std::size_t count = length - 4u;
    if (p[6] != 0x00 || p[7] != count)
        return found(Kind::BadLength, 8);
    const std::size_t total = 10 + count;
    if (n < total)
        return needMore;
    const std::uint16_t crc = frameCRC16(p, static_cast<int>(8 + count));
    const bool good = p[8 + count] == (crc & 0xFF) && p[9 + count] == crc >> 8;
    return found(good ? Kind::Frame : Kind::BadCrc, total);
}

Kind packetKind(std::uint8_t lead)
{
    if (lead >= maskDefineFirst && lead < maskDefineFirst + maskCount)
        return Kind::MaskDefine;
    if (lead == switchLead)
        return Kind::Switch;
    if (lead == maskShowLead)
        return Kind::MaskShow;
    if (lead == jogLead)
        return Kind::Jog;
    return Kind::Skipped;
}

bool isSwitchCode(std::uint8_t b)
{
    return findSwitchByCode(b) != nullptr;
}

// What byte pos of a packet may hold. The shapes the device knows:
//   80 switch state 01 00 | 00 sum 00   (BLC 86, AGC 82, FLC 8C)
//   81 mask   state 01 00 | 00 sum 00   (masks 87 to 8A; state 1 shows)
//   85 01     dir   00 00 | 00 sum 00   (right, left, back, forward, stop)
//   A5+k left top right bottom | 00 sum 00
bool fits(Kind kind, std::size_t pos, std::uint8_t b)
{
    if (pos == 5 || pos == 7)
        return b == 0x00;
    if (pos == 6 || kind == Kind::MaskDefine)
        return true; // the checksum waits for all eight; edges take any byte
    const bool jog = kind == Kind::Jog;
    switch (pos) {
    case 1:
        return jog                 ? b == 0x01
            : kind == Kind::Switch ? isSwitchCode(b)
                                   : b >= maskShowFirst && b < maskShowFirst + maskCount;
    case 2:
        return b <= (jog ? int(JogDirection::Stop) : 1);
    case 3:
        return b == (jog ? 0x00 : 0x01);
    default:
        return b == 0x00;
    }
}

Scan scanPacket(const std::uint8_t *p, std::size_t n)
{
    const Kind kind = packetKind(p[0]);
    if (kind == Kind::Skipped)
        return notHere;
    for (std::size_t pos = 1; pos < n && pos < 8; ++pos) {
        if (!fits(kind, pos, p[pos]))
            return notHere;
    }
    if (n < 8)
        return needMore;
    const auto sum = static_cast<std::uint8_t>(p[0] + p[1] + p[2] + p[3] + p[4] + p[6]);
    return found(sum == 0 ? kind : Kind::BadChecksum, 8);
}

Scan scanAt(const std::uint8_t *p, std::size_t n)
{
    if (p[0] == 0x01)
        return scanFrame(p, n);
    if (p[0] == 0x8E) {
        if (n < 2)
            return needMore;
        return p[1] == 0x12 ? found(Kind::Greeting, 2)
            : p[1] == 0x13  ? found(Kind::TravelQuery, 2)
                            : notHere;
    }
    const Scan packet = scanPacket(p, n);
    // An 80 that starts no switch packet is the farewell when the next
    // message follows it; followed by silence, flush() decides.
    if (p[0] == switchLead && packet.verdict == Verdict::NotHere && isLead(p[1]))
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
        const bool farewell = m_buffer.size() == 1 && m_buffer[0] == portFarewell[0];
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
        const int position = a.index - textFirst.index;
        const bool text = a.group == textFirst.group && position >= 0 && position < textPositions;
        if (text && data[0] >= 0x20 && data[0] < 0x7F)
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
