// libFuzzer target: any bytes, cut into chunks any way, must decode without a
// crash, to the same events however they are cut, and accept only messages
// whose CRC or checksum holds. Every event must be describable.
#include "protocol/decoder.h"

#include <cstdlib>

using namespace camdeck;
using namespace camdeck::protocol;

namespace {

bool sameEvents(const std::vector<Event> &a, const std::vector<Event> &b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].kind != b[i].kind || a[i].bytes != b[i].bytes)
            return false;
    }
    return true;
}

bool sound(const Event &e)
{
    const Bytes &b = e.bytes;
    switch (e.kind) {
    case Event::Kind::Frame: {
        const std::uint16_t crc = frameCRC16(b.data(), static_cast<int>(b.size() - 2));
        return b.size() >= 11 && b[b.size() - 2] == (crc & 0xFF) && b.back() == crc >> 8;
    }
    case Event::Kind::Switch:
    case Event::Kind::MaskShow:
    case Event::Kind::MaskDefine:
    case Event::Kind::Jog:
        return b.size() == 8 && std::uint8_t(b[0] + b[1] + b[2] + b[3] + b[4] + b[6]) == 0;
    default:
        return !b.empty();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    Decoder whole;
    std::vector<Event> once = whole.feed(data, size);
    for (const Event &e : whole.flush())
        once.push_back(e);

    // Chunk sizes from the input itself, so a crash reproduces from the file.
    Decoder cut;
    std::vector<Event> pieces;
    std::uint32_t state = static_cast<std::uint32_t>(size) * 2654435761u;
    for (std::size_t at = 0; at < size;) {
        state = state * 1664525u + 1013904223u;
        const std::size_t n = std::min<std::size_t>(1 + (state >> 28), size - at);
        for (const Event &e : cut.feed(data + at, n))
            pieces.push_back(e);
        at += n;
    }
    for (const Event &e : cut.flush())
        pieces.push_back(e);
    if (!sameEvents(once, pieces))
        std::abort();

    for (const Event &e : once) {
        if (!sound(e) || describeMessage(e).empty())
            std::abort();
    }
    return 0;
}
