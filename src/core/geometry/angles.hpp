// Angle conversions in single precision, with the constants every report
// and calculation of the program uses, so that printed angles agree.
#pragma once

namespace korvex {

inline constexpr float kRadiansPerDegree = 0.017453292f;
inline constexpr float kDegreesPerRadian = 57.295776f;

// Anvil opening angles are entered in degrees and held in radians through
// pi/4 in single precision.
inline constexpr float openingToRadians(float degrees) { return degrees * 0.7853982f / 45.0f; }

}  // namespace korvex
