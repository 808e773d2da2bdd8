// Divided differences of the exponential, and the closed forms they give for
// the integral of exp of a linear function over a segment and over a
// tetrahedron.
//
// By the Hermite-Genocchi formula, the integral of exp(l) over a simplex of
// n dimensions, l linear with vertex values a_0 .. a_n, is n! times the
// simplex's measure times the divided difference exp[a_0, ..., a_n]. The
// difference is formed from a table over the sorted nodes; any part of the
// table whose nodes spread over less than one unit is summed instead as a
// series about its centre (exp[z] = sum_k h_k(z) / (n+k)!, h_k the complete
// symmetric polynomials), so nodes that nearly or exactly coincide lose no
// digits.
#pragma once

#include <array>
#include <span>

namespace korvex::exact {

// exp[a_0, ..., a_n] for 1 to 5 nodes in any order.
double expDividedDifference(std::span<const double> nodes);

// Integral of exp(l) over a segment of the given length, l linear with end
// values e0 and e1.
double segmentExpIntegral(double length, double e0, double e1);

// The series of exp[s, s + h] = e^s sum h^k / (k+1)! (below), for one
// number or a register of them (the same bits; the result comes back
// through a reference, as in exp_steps). The terms past 1 in Estrin's order
// (pairs of terms, then pairs of pairs), so that the chain of dependent
// operations is short; 1 is added last.
template <class T>
[[gnu::always_inline]] inline void expMeanSeries(const T& h, const T& es, T& mean) {
  constexpr double d1 = 1.0 / 2, d2 = 1.0 / 6, d3 = 1.0 / 24, d4 = 1.0 / 120, d5 = 1.0 / 720, d6 = 1.0 / 5040,
                   d7 = 1.0 / 40320;
  const T h2 = h * h, h4 = h2 * h2;
  const T p12 = d1 + h * d2, p34 = d3 + h * d4, p56 = d5 + h * d6;
  const T tail = h * (p12 + h2 * p34) + (h4 * h) * (p56 + h2 * d7);
  mean = es * (1.0 + tail);
}
inline constexpr double kExpMeanSeriesReach = 0.05;  // |h| at or below: the series

// exp[s, r], the mean of exp over a unit segment from s to r, given
// es = e^s and er = e^r: close values take the series, whose terms past
// h^7 / 8! are below 1e-16 for |h| <= 0.05; farther apart the quotient
// loses at most 2e-16 / |h|.
inline double expMeanOnSegment(double s, double r, double es, double er) {
  const double h = r - s;
  if (h > kExpMeanSeriesReach || h < -kExpMeanSeriesReach) return (er - es) / h;
  double mean;
  expMeanSeries(h, es, mean);
  return mean;
}

// Integral of exp(l) over a tetrahedron of the given volume, l linear with
// vertex values e.
double tetrahedronExpIntegral(double volume, const std::array<double, 4>& e);

// Integrals of exp(-mu t) and of t exp(-mu t) for a path length t linear
// over the region (microns, mu per micron). The second is minus the
// derivative of the first with respect to mu, carried through the same
// table, so it is as stable as the first and right at mu = 0.
struct PathMoments {
  double transmitted = 0.0;   // integral of exp(-mu t)
  double pathWeighted = 0.0;  // integral of t exp(-mu t)
};
PathMoments segmentPathMoments(double length, double t0, double t1, double mu);
PathMoments trianglePathMoments(double area, const std::array<double, 3>& t, double mu);
PathMoments tetrahedronPathMoments(double volume, const std::array<double, 4>& t, double mu);

}  // namespace korvex::exact
