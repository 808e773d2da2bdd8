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

// A beam within about 10 degrees of the culets (|DCI(2)| or |DCD(2)| below
// 0.174): every point counts as obscured.
bool grazing(const ReflectionBeams& b);

// The signed distance s from a point at height y, along a beam whose Y
// component is dy, to the culet plane the beam leaves through: y = 0 for a
// reversed incident beam pointing down the axis, else y = T; the diffracted
// beam leaves through y = T when it points up the axis. The exit point is
// the point less s times the beam.
inline float incidentToCulet(float y, float dy, float T) { return dy < 0.0f ? y / dy : (y - T) / dy; }
inline float diffractedToCulet(float y, float dy, float T) { return dy > 0.0f ? (y - T) / dy : y / dy; }

// Whether an exit point (xe, ze) on a culet plane lies outside the hole of
// radius R, so that the beam has crossed the gasket. A margin of 0.001
// square microns keeps an exit point on the circle of the hole unshadowed.
inline float exitExcess(float xe, float ze, float R) { return xe * xe + ze * ze - R * R; }
inline bool crossesGasket(float xe, float ze, float R) { return exitExcess(xe, ze, R) > 0.001f; }

// ISHADOW: the shadow code of point p and its distances to the culets.
CuletExits ishadow(const ExperimentState& e, const ReflectionBeams& b, const Vec3& p);

// CHECK_SHADOW: 1 no corner shadowed, 0 some, -1 all.
int checkShadow(const ExperimentState& e, const ReflectionBeams& b);

enum class GasketBeam { Incident, Diffracted };

// Whether shadow code `code` says this beam crosses the gasket.
bool beamCrosses(int code, GasketBeam beam);

// The direction in which the point is moved along the load axis to find a
// beam's path in the gasket: +1 towards the culet y = T, -1 towards y = 0
// (the culet the beam heads for).
int steppingDirection(const ReflectionBeams& b, GasketBeam beam);

// The layer spans 100 steps; a trial point that has not cleared the hole
// after this many has left it (this only guards against non-finite input).
inline constexpr int kMaxGasketSteps = 1000;

// The path in the gasket of one beam that crosses it from point p: a copy of
// p is moved along the load axis in steps of 1 % of the gasket thickness,
// towards the culet the beam heads for, until the beam clears the hole; the
// path is the axial distance moved over the beam's cosine to the axis.
// Raises a fatal error when the trial point leaves the layer by more than one
// step first (the point lies outside the hole).
float steppedPathInGasket(const ExperimentState& e, const ReflectionBeams& b, const Vec3& p, GasketBeam beam);

// GASKETABS: gasket transmission of point p (0 to 1) and the beams' paths in
// the gasket (steppedPathInGasket); the paths are 0 whenever none is
// measured (unshadowed point, grazing beam, opaque gasket).
GasketPaths gasketAbs(const ExperimentState& e, const ReflectionBeams& b, const Vec3& p);

// ABS_MEDIA: pressure-medium transmission of point p whose beams run a total
// of t microns inside the crystal and the given paths inside the gasket. A
// path in the medium below -0.5 micron is a geometry fault of the point: it
// is noted in `messages` and the point's medium factor is 1.
float absMedia(const ExperimentState& e, const ReflectionBeams& b, const Vec3& p, float t, const GasketPaths& gasket,
               std::vector<TransmissionMessage>& messages);
// ABS_MEDIA from the point's shadow code and culet distances, without its
// exponential: M is 0, 1, or exp(arg).
struct MediumFactor {
  enum class Kind { Zero, One, Exp };
  Kind kind = Kind::One;
  float arg = 0.0f;
};
MediumFactor mediumFactor(const ExperimentState& e, const CuletExits& exits, float t, const GasketPaths& gasket,
                          std::vector<TransmissionMessage>& messages);

}  // namespace korvex
