#include "params/DialMapping.h"

#include <cstdlib>

int snap_dial_angle(int angle)
{
    angle = dial::normalized(angle);
    if (angle > -135 && angle <= -90)
        return -135;
    if (angle > -90 && angle < -45)
        return -45;
    return angle;
}

std::uint32_t dial_angle_to_value(int angle)
{
    const int p = dial::position(snap_dial_angle(angle));
    // n = p x 1023 / 269, rounded (no ties can occur).
    const int n = (p * 1023 * 2 + 269) / (2 * 269);
    return std::uint32_t(n) << 13;
}

int value_to_dial_angle(std::uint32_t value, std::uint32_t scale)
{
    // The step scales multiply in unsigned 32-bit arithmetic; a product
    // that wraps (a step value far out of range) shows where it wraps to.
    std::uint32_t a = scale == dial::DialScale ? value >> 13
                      : scale == 0             ? 0
                                               : std::uint32_t((8192 / scale) * value) >> 3;
    if (a >= 1023)
        a = 1023;
    struct Segment {
        int low, high, start, end;
    };
    static constexpr Segment segments[] = {
        {0, 169, -135, -179}, {170, 339, 180, 135}, {340, 511, 136, 90},
        {512, 680, 89, 45},   {681, 850, 44, 0},    {851, 1023, -1, -45},
    };
    for (const Segment &s : segments) {
        if (int(a) <= s.high) {
            // Truncating toward zero, as the mapping is defined.
            return s.start + (int(a) - s.low) * (s.end - s.start) / (s.high - s.low);
        }
    }
    return -45;
}

namespace dial {

int percentOfTravel(int angle)
{
    const int p = position(snap_dial_angle(angle));
    return (p * 100 * 2 + LastPosition) / (2 * LastPosition);
}

int nearestStep(int angle, std::uint32_t steps)
{
    const int p = position(snap_dial_angle(angle));
    int best = 0;
    int bestDistance = LastPosition + 1;
    for (std::uint32_t step = 0; step <= steps; ++step) {
        const int distance = std::abs(position(value_to_dial_angle(step, steps)) - p);
        if (distance < bestDistance) {
            best = int(step);
            bestDistance = distance;
        }
    }
    return best;
}

}  // namespace dial
