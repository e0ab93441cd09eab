#include "ProgramIdentity.h"

#include "BuildIdentity.h"

const char* ProgramVersion() {
    return BuildVersion;
}
