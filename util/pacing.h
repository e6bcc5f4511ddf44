// How pieces (frames, packets) that should go out a pause apart reached the
// peer: when each began to arrive and the smallest gap between two. The peer
// time-stamps what it reads as its thread wakes, so a gap carries that
// thread's wake-up jitter: a piece read late makes the gap before it long and
// the one after it short by as much.
#pragma once

#include "ptypeer.h"

#include <chrono>
#include <string>
#include <vector>

using TimePoint = PtyPeer::Clock::time_point;

// When each piece of pieceSize bytes began to arrive, counting only the bytes
// that arrived in [from, to).
std::vector<TimePoint> pieceStarts(const std::vector<PtyPeer::Arrival> &arrivals,
                                   std::size_t pieceSize, TimePoint from = TimePoint::min(),
                                   TimePoint to = TimePoint::max());

std::chrono::microseconds smallestGap(const std::vector<TimePoint> &starts);

// What is wrong with the pacing, or "": the pieces came, and none came sooner
// than a whole pause after the one before. The reading side may stamp a piece
// up to jitter late, never early, so any run of pieces i..j must span at
// least (j - i) pauses less jitter: a late read excuses one short gap, while
// pauses each a fraction short add up over the run and are caught.
std::string pacingFault(const std::vector<TimePoint> &starts, std::size_t pieces,
                        std::chrono::milliseconds pause, std::chrono::microseconds jitter);

// The same measure as a ratio to its budget: the pause over the smallest
// mean gap of any run, the jitter added once to the run's span. Over 1
// exactly when pacingFault finds a run short (with as many pieces as came).
double pacingRatio(const std::vector<TimePoint> &starts, std::chrono::milliseconds pause,
                   std::chrono::microseconds jitter);

// The smallest gap that no late read explains. A gap shorter than pause -
// jitter is left out when the piece before it was read late: the gap before
// that piece is long by as much, so the two span two pauses less jitter. A
// piece sent early leaves no long gap before it.
std::chrono::microseconds smallestUnexplainedGap(const std::vector<TimePoint> &starts,
                                                 std::chrono::milliseconds pause,
                                                 std::chrono::microseconds jitter);
