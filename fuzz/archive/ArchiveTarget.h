#pragma once
// The archive's fuzz target: any bytes, opened as an archive or an output file, must be read,
// listed and expanded, or refused with the archive's own errors; never a crash, a hang or a
// runaway allocation. Both readers take part: the inspection reader (with its full CRC test)
// and the manager's directory loader, which `add` runs on an existing archive.

#include "FuzzTarget.h"
