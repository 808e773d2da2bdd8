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

// A positive number as m x 10**k with 1 <= m < 10, for layouts that print a
// tolerance as F4.1 and I3.
struct Decimal {
  double mantissa = 0.0;
  int exponent = 0;
};
inline Decimal decimalOf(double x) {
  if (!(x > 0.0)) return {};
  int k = static_cast<int>(std::floor(std::log10(x)));
  double m = x / std::pow(10.0, k);
  // One decimal is printed: 9.96 shows as 1.0 x 10**(k+1).
  if (std::round(m * 10.0) >= 100.0) {
    m /= 10.0;
    ++k;
  }
  return {m, k};
}

}  // namespace korvex::report
