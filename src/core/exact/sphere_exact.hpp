// Transmission of a spherical crystal, integrated to 1e-9 and kept as
// Chebyshev series in 2theta, so each reflection gets the value at its own
// 2theta rather than one interpolated from a table in whole degrees. (The
// transmission is even in 2theta about 0 and 180 degrees but not analytic in
// cos 2theta at 0, where the beams' paths are the same chord: a term of
// about |2theta|^5 slows a series in cos 2theta; in 2theta it does not.)
#pragma once

#include <vector>

namespace korvex::exact {

struct SphereMoments {
  double transmitted = 0.0;   // (1/V) integral of exp(-mu t): TXTAL
  double pathWeighted = 0.0;  // (1/V) integral of t exp(-mu t): -SUMTP
};

// The moments of a sphere of radius r (microns) for mu (per micron) at
// 2theta (degrees), integrated directly to `relative`.
SphereMoments sphereMoments(double radius, double mu, double twoTheta, double relative = 1e-10);

// Both moments as Chebyshev series in x = 2theta / 90 - 1 on [-1, 1].
struct SphereSeries {
  std::vector<double> transmitted, pathWeighted;
  SphereMoments at(double twoTheta) const;
};

// Series with as many terms (up to 129) as keep the moments to `relative`.
SphereSeries sphereSeries(double radius, double mu, double relative = 1e-9);

}  // namespace korvex::exact
