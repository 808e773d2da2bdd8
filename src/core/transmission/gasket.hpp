// Shadowing of the crystal by the gasket, and the gasket's and the pressure
// medium's transmission at one point of the crystal, for the beams of one
// reflection.
//
// Frame: the load axis is Y; the culet of the incident-beam anvil is the
// plane y = 0 and that of the diffracted-beam anvil y = GASKETT; the hole is
// the cylinder x^2 + z^2 <= GASKETR^2. Lengths in microns.
#pragma once

#include <vector>

#include "experiment/experiment_state.hpp"
#include "transmission/reflection_transmission.hpp"

namespace korvex {

// Shadow codes of ishadow.
inline constexpr int kShadowNone = 0;       // neither beam crosses the gasket
inline constexpr int kShadowIncident = -1;  // the reversed incident beam does
inline constexpr int kShadowDiffracted = -2;
inline constexpr int kShadowBoth = -3;
inline constexpr int kShadowGrazing = -4;  // a beam runs within ~10 deg of the culets

// The shadow code of a point and the distances PLANEI and PLANED along DCI
// and DCD to the culet plane each beam leaves through (0 for kShadowGrazing).
struct CuletExits {
  int code = kShadowNone;
  float PLANEI = 0.0f;
  float PLANED = 0.0f;
};

// The paths of the two beams inside the gasket (GPATHI, GPATHD) and the
// gasket transmission G they give.
struct GasketPaths {
  float G = 1.0f;
  float GPATHI = 0.0f;
  float GPATHD = 0.0f;
};

// ISHADOW: the shadow code of point p and its distances to the culets.
CuletExits ishadow(const ExperimentState& e, const ReflectionBeams& b, const Vec3& p);

// CHECK_SHADOW: 1 no corner shadowed, 0 some, -1 all.
int checkShadow(const ExperimentState& e, const ReflectionBeams& b);

// GASKETABS: gasket transmission of point p (0 to 1) and the beams' paths in
// the gasket; the paths are 0 whenever none is measured (unshadowed point,
// grazing beam, opaque gasket). Moves the point towards the culet in steps
// of 1 % of the gasket thickness until the beam clears the hole. Raises a
// fatal error when the point lies outside the hole.
GasketPaths gasketAbs(const ExperimentState& e, const ReflectionBeams& b, const Vec3& p);

// ABS_MEDIA: pressure-medium transmission of point p whose beams run a total
// of t microns inside the crystal and the given paths inside the gasket. A
// path in the medium below -0.5 micron is a geometry fault of the point: it
// is noted in `messages` and the point's medium factor is 1.
float absMedia(const ExperimentState& e, const ReflectionBeams& b, const Vec3& p, float t, const GasketPaths& gasket,
               std::vector<TransmissionMessage>& messages);
// The same from the point's shadow code and culet distances.
float absMediaAt(const ExperimentState& e, const CuletExits& exits, float t, const GasketPaths& gasket,
                 std::vector<TransmissionMessage>& messages);

}  // namespace korvex
