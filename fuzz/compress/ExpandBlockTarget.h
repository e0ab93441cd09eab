#pragma once
// The expander's fuzz target: any bytes, read as a sequence of data blocks, must end in
// expanded blocks or an ECompressError, never in a crash, a hang or another exception.

#include "FuzzTarget.h"
