#include "ProgramIdentity.h"

const char* ProgramVersion() {
    return GLD_VERSION;
}
