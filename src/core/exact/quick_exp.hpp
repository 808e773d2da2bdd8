// The exponential for the exact integrals, inline so that the loops over a
// polygon's corners need no call: the argument reduced by multiples of
// ln 2 to |r| <= ln 2 / 2, exp(r) by its series to r^12 / 12! (the next
// term is below 2e-16), and the power of two set in the exponent bits.
// Within 2 units in the last place; plain IEEE operations in a fixed order,
// so the same bits on every processor. The reduction and the series are
// written once for one number and for a register of them (T is double or
// a vector of doubles), so both give the same bits.
#pragma once

#include <bit>
#include <cstdint>
#include <limits>

namespace korvex::exact {

namespace exp_steps {

// x = kd ln 2 + r, kd a whole number, |r| <= ln 2 / 2; ln 2 in two parts,
// the first with zeros in its low bits, so kd times it is exact for
// |kd| < 2^11. Adding and taking away 1.5 2^52 rounds to a whole number.
// (Results come back through references, so that a register of numbers is
// never passed by value to a function compiled without its instructions.)
template <class T>
[[gnu::always_inline]] inline void reduce(const T& x, T& kd, T& r) {
  constexpr double invLn2 = 1.4426950408889634;
  constexpr double ln2Hi = 6.93147180369123816490e-01, ln2Lo = 1.90821492927058770002e-10;
  constexpr double roundingShift = 0x1.8p52;
  kd = (x * invLn2 + roundingShift) - roundingShift;
  r = (x - kd * ln2Hi) - kd * ln2Lo;
}

// exp(r) for |r| <= ln 2 / 2: the series past 1 + r in Estrin's order
// (pairs of terms, then pairs of pairs), so that the chain of dependent
// operations is short; 1 + r is added last, to lose nothing of the small
// terms.
template <class T>
[[gnu::always_inline]] inline void series(const T& r, T& p) {
  constexpr double c2 = 1.0 / 2, c3 = 1.0 / 6, c4 = 1.0 / 24, c5 = 1.0 / 120, c6 = 1.0 / 720, c7 = 1.0 / 5040,
                   c8 = 1.0 / 40320, c9 = 1.0 / 362880, c10 = 1.0 / 3628800, c11 = 1.0 / 39916800,
                   c12 = 1.0 / 479001600;
  const T r2 = r * r, r4 = r2 * r2, r8 = r4 * r4;
  const T p23 = c2 + r * c3, p45 = c4 + r * c5, p67 = c6 + r * c7, p89 = c8 + r * c9, p1011 = c10 + r * c11;
  const T tail = (r2 * p23 + r4 * (p45 + r2 * p67)) + r8 * ((p89 + r2 * p1011) + r4 * c12);
  p = 1.0 + (r + tail);
}

}  // namespace exp_steps

// exp(x); 0 below -708 (where the result would lose precision as a
// subnormal), infinity above 709.
inline double quickExp(double x) {
  if (!(x > -708.0)) return x != x ? x : 0.0;
  if (x > 709.0) return std::numeric_limits<double>::infinity();
  double kd, r, p;
  exp_steps::reduce(x, kd, r);
  exp_steps::series(r, p);
  const auto k = static_cast<std::int64_t>(kd);
  return p * std::bit_cast<double>(static_cast<std::uint64_t>(k + 1023) << 52);
}

}  // namespace korvex::exact
