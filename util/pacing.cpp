#include "pacing.h"

#include <algorithm>
#include <cmath>

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

namespace {

// The run of pieces first..last whose mean gap, the jitter added once to its
// span, is the smallest: the one that comes closest to a short pause.
struct Run {
    std::size_t first = 0, last = 0;
    microseconds span{};
};

Run tightestRun(const std::vector<TimePoint> &starts, microseconds jitter)
{
    Run tightest;
    double least = INFINITY;
    for (std::size_t last = 1; last < starts.size(); ++last) {
        for (std::size_t first = 0; first < last; ++first) {
            const auto span
                = std::chrono::duration_cast<microseconds>(starts[last] - starts[first]);
            const double mean
                = static_cast<double>((span + jitter).count()) / static_cast<double>(last - first);
            if (mean < least) {
                least = mean;
                tightest = {first, last, span};
            }
        }
    }
    return tightest;
}

} // namespace

std::string pacingFault(const std::vector<TimePoint> &starts, std::size_t pieces,
                        std::chrono::milliseconds pause, microseconds jitter)
{
    if (starts.size() != pieces)
        return std::to_string(starts.size()) + " pieces came, not " + std::to_string(pieces);
    const Run run = tightestRun(starts, jitter);
    if (run.span < pause * static_cast<int>(run.last - run.first) - jitter)
        return "pieces " + std::to_string(run.first) + " to " + std::to_string(run.last) + " came "
            + std::to_string(run.span.count()) + " us apart, less than "
            + std::to_string(run.last - run.first) + " pauses";
    return {};
}

double pacingRatio(const std::vector<TimePoint> &starts, std::chrono::milliseconds pause,
                   microseconds jitter)
{
    const Run run = tightestRun(starts, jitter);
    if (run.last == run.first)
        return 0;
    const auto pauses = microseconds(pause * static_cast<int>(run.last - run.first));
    return static_cast<double>(pauses.count()) / static_cast<double>((run.span + jitter).count());
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
