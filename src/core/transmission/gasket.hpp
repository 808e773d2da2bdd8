// Shadowing of the crystal by the gasket, and the gasket's and the pressure
// medium's transmission at one point of the crystal, for the beams of the
// current reflection.
//
// Frame: the load axis is Y; the culet of the incident-beam anvil is the
// plane y = 0 and that of the diffracted-beam anvil y = GASKETT; the hole is
// the cylinder x^2 + z^2 <= GASKETR^2. Lengths in microns.
#pragma once

#include "experiment/experiment_state.hpp"

namespace korvex {

struct Run;

// Shadow codes of ishadow.
inline constexpr int kShadowNone = 0;       // neither beam crosses the gasket
inline constexpr int kShadowIncident = -1;  // the reversed incident beam does
inline constexpr int kShadowDiffracted = -2;
inline constexpr int kShadowBoth = -3;
inline constexpr int kShadowGrazing = -4;  // a beam runs within ~10 deg of the culets

// ISHADOW: the shadow code of point p. Sets PLANEI and PLANED, the distances
// along DCI and DCD to the culet plane each beam leaves through (not for
// kShadowGrazing).
int ishadow(Run& run, const Vec3& p);

// GASKETABS: gasket transmission of point p (0 to 1). Sets GPATHI and
// GPATHD, the beams' paths inside the gasket; they are 0 whenever no path
// is measured (unshadowed point, grazing beam, opaque gasket). Raises a
// fatal error when the point lies outside the hole.
float gasketAbs(Run& run, const Vec3& p);

// ABS_MEDIA: pressure-medium transmission of point p whose beams run a
// total of t microns inside the crystal. Uses GPATHI and GPATHD of the same
// point, so it follows gasketAbs (or their reset to 0).
float absMedia(Run& run, const Vec3& p, float t);

}  // namespace korvex
