#pragma once

#include <cstdint>

// The dials' angles and the values they stand for. An angle is in whole
// degrees counter-clockwise from 3 o'clock, above -180 up to +180. A dial's
// travel runs clockwise from -135 (lower left, minimum) over the top to -45
// (lower right, maximum); the sector between them through 6 o'clock is a dead
// zone. Pure functions, no state.
namespace dial {

inline constexpr int MinimumAngle = -135;
inline constexpr int MaximumAngle = -45;
// Positions along the travel: 0 at the minimum, 269 at the maximum.
inline constexpr int LastPosition = 269;
// Scale of value_to_dial_angle for values on the dial scale (n x 8192).
inline constexpr std::uint32_t DialScale = 0x800000;

// The angle in (-180, 180].
constexpr int normalized(int angle)
{
    angle %= 360;
    if (angle <= -180)
        angle += 360;
    else if (angle > 180)
        angle -= 360;
    return angle;
}

// Whether the angle lies in the dead zone (strictly between the two ends).
constexpr bool inDeadZone(int angle)
{
    angle = normalized(angle);
    return angle > MinimumAngle && angle < MaximumAngle;
}

// Position 0..269 along the travel of a whole-degree angle outside the dead
// zone (-179 and +180 are both position 44).
constexpr int position(int angle)
{
    angle = normalized(angle);
    if (angle <= MinimumAngle)
        return -(angle + 135);
    return 224 - angle;
}

// The angle at a travel position 0..269 (clamped).
constexpr int angleAt(int pos)
{
    pos = pos < 0 ? 0 : (pos > LastPosition ? LastPosition : pos);
    return pos <= 44 ? normalized(MinimumAngle - pos) : 224 - pos;
}

// How far along its travel a dial stands, in whole percent (0 at the
// minimum, 100 at the maximum); a dead-zone angle counts as the end it snaps
// to. What the guitarist reads on a level-like dial.
int percentOfTravel(int angle);

// The step 0..steps of a step scale (Low Pass 24, High Pass 16, Range 22)
// whose shown angle lies nearest along the travel to `angle`: reads back the
// step that value_to_dial_angle showed.
int nearestStep(int angle, std::uint32_t steps);

}  // namespace dial

// A dial dragged into the dead zone jumps to the nearer end of its travel.
int snap_dial_angle(int angle);
// A snapped angle as a value on the dial scale: 0x000000 at the minimum,
// 0x7FE000 at the maximum.
std::uint32_t dial_angle_to_value(int angle);
// A value shown on a dial: scale dial::DialScale for dial-scale values, or
// the number of steps N (24, 16, 22) of a step scale.
int value_to_dial_angle(std::uint32_t value, std::uint32_t scale);
