#include "motordrive.h"

#include <algorithm>
#include <cmath>

namespace camdeck::sim {

namespace {

bool alongX(MotorDrive::Direction d)
{
    return d == MotorDrive::Direction::Right || d == MotorDrive::Direction::Left;
}

double sign(MotorDrive::Direction d)
{
    return d == MotorDrive::Direction::Right || d == MotorDrive::Direction::Forward ? 1.0 : -1.0;
}

} // namespace

MotorDrive::MotorDrive(double mmPerSecond)
    : m_speed(mmPerSecond)
{
}

void MotorDrive::jog(Direction direction, Millis now)
{
    if (direction == Direction::Stop) {
        stop(now);
        return;
    }
    if (direction == m_direction)
        return;
    if (m_direction != Direction::Stop)
        stop(now);
    m_direction = direction;
    m_since = now;
}

void MotorDrive::stop(Millis now)
{
    const double travel = runningTravel(now);
    if (alongX(m_direction))
        m_x += travel;
    else if (m_direction != Direction::Stop)
        m_y += travel;
    // The reply has 16 bits: a move longer than 32 m reports the limit.
    m_lastTravel = static_cast<std::int16_t>(std::clamp(std::lround(travel), -32768L, 32767L));
    m_direction = Direction::Stop;
}

double MotorDrive::x(Millis now) const
{
    return alongX(m_direction) ? m_x + runningTravel(now) : m_x;
}

double MotorDrive::y(Millis now) const
{
    return m_direction != Direction::Stop && !alongX(m_direction) ? m_y + runningTravel(now) : m_y;
}

double MotorDrive::runningTravel(Millis now) const
{
    if (m_direction == Direction::Stop || now < m_since)
        return 0.0;
    const double seconds = std::chrono::duration<double>(now - m_since).count();
    return sign(m_direction) * m_speed * seconds;
}

} // namespace camdeck::sim
