// SSE2 is part of every x86-64 target and of 32-bit x86 targets built for it; elsewhere the
// callers fall back to plain byte loops that give the same results.
#pragma once

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#include <emmintrin.h>
#define QUILLON_HAVE_SSE2 1
#endif
