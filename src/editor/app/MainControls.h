#pragma once

class TformMain;

// The main window's labels, buttons, effect list and timers, named as the
// rest of the editor refers to them, in their designed arrangement.
class MainControls {
public:
    static void build(TformMain &window);
};
