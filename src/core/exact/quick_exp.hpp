// The exponential for the exact integrals, inline so that the loops over a
// polygon's corners need no call: the argument reduced by multiples of
// ln 2 to |r| <= ln 2 / 2, exp(r) by its series to r^12 / 12! (the next
// term is below 2e-16), and the power of two set in the exponent bits.
// Within 2 units in the last place; plain IEEE operations in a fixed order,
// so the same bits on every processor.
#pragma once

#include <bit>
#include <cstdint>
#include <limits>

namespace korvex::exact {

// exp(x); 0 below -708 (where the result would lose precision as a
// subnormal), infinity above 709.
inline double quickExp(double x) {
  if (!(x > -708.0)) return x != x ? x : 0.0;
  if (x > 709.0) return std::numeric_limits<double>::infinity();
  constexpr double invLn2 = 1.4426950408889634;
  // ln 2 in two parts; the first has zeros in its low bits, so k times it
  // is exact for |k| < 2^11.
  constexpr double ln2Hi = 6.93147180369123816490e-01, ln2Lo = 1.90821492927058770002e-10;
  constexpr double roundingShift = 0x1.8p52;  // adding and taking it away rounds to an integer
  const double kd = (x * invLn2 + roundingShift) - roundingShift;
  const double r = (x - kd * ln2Hi) - kd * ln2Lo;
  constexpr double c2 = 1.0 / 2, c3 = 1.0 / 6, c4 = 1.0 / 24, c5 = 1.0 / 120, c6 = 1.0 / 720, c7 = 1.0 / 5040,
                   c8 = 1.0 / 40320, c9 = 1.0 / 362880, c10 = 1.0 / 3628800, c11 = 1.0 / 39916800,
                   c12 = 1.0 / 479001600;
  const double p =
      1.0 + r * (1.0 + r * (c2 + r * (c3 + r * (c4 + r * (c5 + r * (c6 + r * (c7 + r * (c8 + r * (c9 + r * (c10 + r * (c11 + r * c12)))))))))));
  const auto k = static_cast<std::int64_t>(kd);
  return p * std::bit_cast<double>(static_cast<std::uint64_t>(k + 1023) << 52);
}

}  // namespace korvex::exact
