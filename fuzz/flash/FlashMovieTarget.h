#pragma once
// The Flash movie reader's fuzz target: any bytes, read as a movie, must give a frame size or
// nothing, and an expanded movie or nothing, never a crash, a hang or an exception; a movie it
// expands must survive the tag walk and the stop action's insertion.

#include "FuzzTarget.h"
