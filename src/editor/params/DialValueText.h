#pragma once

#include "widgets/RotaryDial.h"

// The words a parameter's dial shows its value in, chosen by the parameter's
// encoding: a level-like dial (the dial scale) in percent of its travel
// ("62%"), a step dial (Low Pass, High Pass, Range) in its steps ("Step 12 of
// 24"). The dial itself knows nothing of the parameter.
class DialValueText {
public:
    static RotaryDial::ValueFormatter forSlot(int slot);
    static QString percentOfTravel(int angle);
    static QString step(int angle, int steps);
};
