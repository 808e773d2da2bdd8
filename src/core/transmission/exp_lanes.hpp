// The single-precision exponential of many values at once, returning for
// every argument exactly what the C library's expf returns for it.
//
// The GNU C library computes expf on processors with FMA and AVX2 in double
// precision from a table of 2^(i/32), i = 0..31, and a cubic, with fused
// multiply-adds. The same operations, in the same order, on four or eight
// doubles at a time give the same bits. Arguments of magnitude 88 or more,
// infinities and NaNs are handed to the library itself. The lanes are used
// only on a processor where the library takes that road, and only when a
// check at first use finds them equal to the library on a spread of
// arguments; otherwise every value goes to the library. The exhaustive proof
// over all 2^32 arguments is bench/exp_check.cpp.
#pragma once

namespace korvex {

// y[k] = expf(x[k]) for k < n.
void expLanes(const float* x, float* y, int n);

// How expLanes works on this machine: 8 or 4 doubles at a time, or 1 (the
// library, value by value).
int expLanesWidth();

// expLanes at a given width (8, 4 or 1) without the check at first use, so
// that each width the processor has can be compared with the library; false
// when it has not got this one.
bool expLanesAtWidth(int width, const float* x, float* y, int n);

}  // namespace korvex
