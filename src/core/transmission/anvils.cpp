// Anvil and platten absorption of one beam, by cell type.
//
// Thicknesses are in cm and coefficients in 1/cm, so every mu*t is
// dimensionless. The angle conversion uses 45/0.7853982 (pi/4 in single
// precision) so that degree values agree with those entered on the cards.
#include "transmission/anvils.hpp"

#include <algorithm>
#include <cmath>

#include "experiment/experiment_state.hpp"
#include "run/messages.hpp"

namespace korvex {

namespace {

// Radians to degrees, evaluated as a*45 then divided by pi/4.
float degrees(float a) { return a * 45.0f / 0.7853982f; }

// Type 2: backing seat with a spherical outer surface, radius 1.05 cm, whose
// cap stands 0.47 cm high on the axis (a seat of 10.5 mm radius and 4.7 mm
// height). W is the distance on the axis from the crystal to the sphere's
// centre; X the way from the crystal to the spherical surface.
float sphericalSeat(const ExperimentState& e, float cp, int is) {
  const float R = 1.05f;
  const float H = 0.47f;
  const float W = R - H - e.DTHICK[is - 1];
  if (!(W > 0.0f)) {
    error("DAC TYPE 2: ANVIL THICKER THAN THE BACKING-PLATE SEAT (MUST BE BELOW 0.58 CM)");
  }
  const float ratio = R / W;
  const float Q = ratio * ratio;
  const float p = e.DTHICK[is - 1] / cp;
  const float X = W * (std::sqrt(cp * cp - 1.0f + Q) - cp);
  return std::exp(p * e.DMU[is - 1]) * std::exp((X - p) * e.DMU[is + 1]);
}

// Type 3: a fixed empirical transmission curve against psi in degrees.
float empiricalCurve(float a) {
  float A = degrees(a);
  if (A > 90.0f) A = 180.0f - A;
  float T;
  if (A < 2.0f) {
    T = 1.0f - 0.005f * A;
  } else if (A < 9.6f) {
    T = 1.04f - 0.02759f * A;
  } else if (A < 16.0f) {
    T = 0.855f - 0.00724f * A;
  } else {
    T = 0.79f - 0.00333f * A;
  }
  return 1.0f / std::sqrt(T);
}

// Type 5: the user's function, either the sum(mu*t) curve or a table of
// one-pass transmissions against psi (degrees), interpolated linearly in
// the transmission.
float userFunction(const ExperimentState& e, float a, float cp, int is) {
  if (e.NDACCURVE == -1) return std::exp(e.DACSUMMUT[is - 1] * (1.0f / cp - 1.0f));
  const int n = std::min(e.NDACCURVE, kMaxDacCurve);
  if (n <= 0) return 1.0f;  // no table: the anvils are taken as transparent

  float A = degrees(a);
  if (std::cos(a) < 0.0f) A = 180.0f - std::fabs(A);
  A = std::fabs(A);

  const auto& c = e.DACCURVE;
  auto T = [&](int row) { return c[row][is]; };  // 0-based row
  if (A <= c[0][0]) return 1.0f / T(0);
  for (int r = 1; r < n; ++r) {
    if (c[r][0] >= A) {
      const float slope = (A - c[r - 1][0]) * (T(r) - T(r - 1)) / (c[r][0] - c[r - 1][0]);
      return 1.0f / (T(r - 1) + slope);
    }
  }
  return 1.0f / T(n - 1);
}

}  // namespace

float diabs(const ExperimentState& e, float psib, int side) {
  const int is = side == 2 ? 2 : 1;
  const float a = std::fabs(psib);
  const float cp = std::fabs(std::cos(a));

  switch (e.DACTYPE) {
    case 1:
      return std::exp(e.DMU[is - 1] * e.DTHICK[is - 1] / cp) * std::exp(e.DMU[is + 1] * e.DTHICK[is + 1] / cp);
    case 2:
      return sphericalSeat(e, cp, is);
    case 4: {
      // Conical opening: the platten is met only more than about 8.1 degrees
      // off the axis.
      const float platten = cp <= 0.99f ? std::exp(e.DMU[is + 1] * e.DTHICK[is + 1] / cp) : 1.0f;
      return std::exp(e.DMU[is - 1] * e.DTHICK[is - 1] / cp) * platten;
    }
    case 5:
      return userFunction(e, a, cp, is);
    default:
      if (e.DACTYPE <= 0) return 1.0f;
      return empiricalCurve(a);  // type 3, and any type above 5
  }
}

}  // namespace korvex
