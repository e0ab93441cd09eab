#include "WideVectorsUnit.h"

bool WideVectorsAvailable() {
#if GLD_WIDE_VECTORS
    return __builtin_cpu_supports("x86-64-v4");
#else
    return false;
#endif
}
