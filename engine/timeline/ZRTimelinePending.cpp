// Timeline operations whose subsystems are not part of the engine yet. Each answers the safe
// "nothing happened" result of its interface (false, null, 0, no effect) until it moves to the
// file of its own subsystem.
#include "ZRTimeline.h"
