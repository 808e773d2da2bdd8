// Small helpers shared by the print-file report and the CIF fragment.
#pragma once

#include <cmath>
#include <limits>

namespace korvex::report {

// The nearest integer, halves away from zero. A value beyond any integer
// field (or not a number) gives the largest integer, so that its field is
// filled with asterisks rather than showing a wrapped value.
inline long long nearestInt(float x) {
  if (!(std::fabs(x) < 9.0e18f)) return std::numeric_limits<long long>::max();
  return std::llround(x);
}

}  // namespace korvex::report
