#include "pacing.h"

#include <algorithm>

using std::chrono::microseconds;

std::vector<TimePoint> pieceStarts(const std::vector<PtyPeer::Arrival> &arrivals,
                                   std::size_t pieceSize, TimePoint from, TimePoint to)
{
    std::vector<TimePoint> starts;
    std::size_t offset = 0;
    for (const PtyPeer::Arrival &arrival : arrivals) {
        if (arrival.at < from || arrival.at >= to)
            continue;
        const std::size_t size = arrival.bytes.size();
        for (std::size_t piece = (offset + pieceSize - 1) / pieceSize * pieceSize;
             piece < offset + size; piece += pieceSize)
            starts.push_back(arrival.at);
        offset += size;
    }
    return starts;
}

microseconds smallestGap(const std::vector<TimePoint> &starts)
{
    microseconds smallest = microseconds::max();
    for (std::size_t i = 1; i < starts.size(); ++i)
        smallest = std::min(smallest,
                            std::chrono::duration_cast<microseconds>(starts[i] - starts[i - 1]));
    return smallest;
}

std::string pacingFault(const std::vector<TimePoint> &starts, std::size_t pieces,
                        std::chrono::milliseconds pause, microseconds jitter)
{
    if (starts.size() != pieces)
        return std::to_string(starts.size()) + " pieces came, not " + std::to_string(pieces);
    for (std::size_t last = 1; last < starts.size(); ++last) {
        for (std::size_t first = 0; first < last; ++first) {
            const auto span = std::chrono::duration_cast<microseconds>(starts[last] - starts[first]);
            const auto least = pause * static_cast<int>(last - first) - jitter;
            if (span < least)
                return "pieces " + std::to_string(first) + " to " + std::to_string(last) + " came "
                    + std::to_string(span.count()) + " us apart, less than "
                    + std::to_string(last - first) + " pauses";
        }
    }
    return {};
}

microseconds smallestUnexplainedGap(const std::vector<TimePoint> &starts,
                                    std::chrono::milliseconds pause, microseconds jitter)
{
    microseconds smallest = microseconds::max();
    for (std::size_t i = 1; i < starts.size(); ++i) {
        const auto gap = std::chrono::duration_cast<microseconds>(starts[i] - starts[i - 1]);
        const bool afterLateRead
            = gap < pause - jitter && i > 1 && starts[i] - starts[i - 2] >= 2 * pause - jitter;
        if (!afterLateRead)
            smallest = std::min(smallest, gap);
    }
    return smallest;
}
