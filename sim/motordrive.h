// The motor drive that shares the line with the camera: it moves at a fixed
// speed while a jog runs and remembers the travel of the last move. Time is
// passed in by the caller, so tests need no clock.
#pragma once

#include "protocol/jog.h"

#include <chrono>
#include <cstdint>

namespace camdeck::sim {

class MotorDrive {
public:
    // The jog packets' direction codes; Stop is standing still.
    using Direction = JogDirection;
    using Millis = std::chrono::milliseconds;

    explicit MotorDrive(double mmPerSecond = 25.0);

    // Starts a move. A move running in another direction ends first and its
    // travel becomes the last move's; the same direction keeps going.
    void jog(Direction direction, Millis now);
    // Ends the running move; its travel (0 when nothing moved) becomes the last move's.
    void stop(Millis now);

    Direction direction() const { return m_direction; }
    double speed() const { return m_speed; }
    // Millimetres from the start-up position: x grows to the right, y forward.
    double x(Millis now) const;
    double y(Millis now) const;
    // Signed millimetres: right and forward count positive.
    std::int16_t lastTravel() const { return m_lastTravel; }

private:
    double runningTravel(Millis now) const;

    double m_speed;
    Direction m_direction = Direction::Stop;
    Millis m_since{0};
    double m_x = 0.0;
    double m_y = 0.0;
    std::int16_t m_lastTravel = 0;
};

} // namespace camdeck::sim
