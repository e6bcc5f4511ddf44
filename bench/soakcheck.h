// What a soak run left behind, checked from the device's side of the line:
// the simulator's capture (every chunk it read, time-stamped as it read it,
// and when it was plugged in and pulled out) against the soak's log (every
// action in the order it was taken, and what the program said it sent for
// each). The program's word is taken only for what the capture then shows:
//   - every frame's CRC and every packet's checksum holds, and no message is
//     cut (its bytes more than the device's 50 ms apart) or mixed with another;
//   - what each action sent arrived whole, in the order the actions were
//     taken, and nothing arrived that no action sent (only the greeting when
//     a port opens, the farewell when it closes, and the tail of an action
//     cut short by a pulled port);
//   - the devices' pauses were kept between any two messages, less only the
//     reading side's jitter: 0.1 s after a frame, 0.05 s after a text frame or
//     a mask packet, 0.25 s after the greeting, 0.5 s after the travel query;
//   - nothing came before a port's greeting or after its farewell, and after
//     the termination signal the last action's frames came, then the
//     farewell, then nothing;
//   - the soak's own findings (files read back after a save, memory, stalls).
// Plain C++: the capture and the log are text, one record a line.
#pragma once

#include <chrono>
#include <istream>
#include <map>
#include <string>
#include <vector>

struct SoakLimits {
    // The reading side time-stamps a chunk as its thread wakes: up to this late.
    std::chrono::microseconds jitter{5000};
    long long memoryGrowthKb = 2048;
    std::chrono::milliseconds stall{30};
    // Under sanitizers memory and stalls are the tools' as much as the
    // program's: reported, not held against it.
    bool sanitized = false;
};

struct SoakFindings {
    std::map<std::string, int> actions; // by kind
    int frames = 0;
    int packets = 0;
    int requests = 0; // greetings and travel queries
    int farewells = 0;
    int plugs = 0;
    int unplugs = 0;
    int claimed = 0; // messages an action said it sent, found where they should be
    int cutShort = 0; // messages of actions a pulled port cut short
    int fileChecks = 0;
    double lastly = 0; // seconds from the run's start to its last record
    long long memoryFromKb = -1;
    long long memoryToKb = -1;
    std::string memoryFrom; // when the first figure was taken
    std::vector<long long> memoryKb; // every figure, a minute apart after the first
    // Each figure's anonymous and file-backed parts, kB (-1 when not told).
    std::vector<std::pair<long long, long long>> memoryParts;
    double longestStallMs = -1;
    double longestStallAt = -1;
    std::string longestStallDuring; // the action under way when it began
    struct Violation {
        double at; // seconds since the run began
        std::string what;
    };
    std::vector<Violation> violations;
};

SoakFindings checkSoak(std::istream &capture, std::istream &log, const SoakLimits &limits);
