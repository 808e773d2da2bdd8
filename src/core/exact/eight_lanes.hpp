// Work done eight numbers at a time in the lanes of AVX-512 registers where
// the processor has them: whether it does, decided once, and the attribute
// that compiles a function for those registers (GCC and clang both take it),
// so that the rest of the program runs on any x86-64 processor.
#pragma once

namespace korvex::exact::eight_lanes {

inline constexpr int kLanes = 8;

// Whether the processor runs functions compiled with KORVEX_EIGHT_LANES.
bool available();

// available(), asked once.
inline bool inUse() {
  static const bool lanes = available();
  return lanes;
}

}  // namespace korvex::exact::eight_lanes

#define KORVEX_EIGHT_LANES __attribute__((target("avx512f,avx512dq,avx512vl,bmi2")))
