#pragma once
// The hot loops of the coder and the move-to-front lists are built twice where the machine may
// have 512-bit vectors: for every x86-64 and for those vectors (GLD_WIDE_TARGET). Which one runs
// is chosen when a coder is made; both give the same bytes.

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define GLD_WIDE_VECTORS 1
#define GLD_WIDE_TARGET [[gnu::target("arch=x86-64-v4")]]
#else
#define GLD_WIDE_VECTORS 0
#endif

// Whether this machine runs the code built for 512-bit vectors.
bool WideVectorsAvailable();
