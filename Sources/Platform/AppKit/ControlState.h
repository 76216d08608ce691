#pragma once

// The state a button or a menu row shows: a toggle's on and off, and the
// mixed state of a row standing for a selection that is partly on.
enum ControlState : int {
    MixedState = -1,
    OffState = 0,
    OnState = 1,
};
