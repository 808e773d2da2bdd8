// Gasket shadowing and the gasket and pressure-medium transmission.
#include "transmission/gasket.hpp"

#include <algorithm>
#include <cmath>

#include "fixedformat/edit_list.hpp"
#include "run/messages.hpp"

namespace korvex {

namespace {

const ff::EditList kFaultIncident(
    "('FAULT IN GASKETABS, I-BEAM ','X = ',3F10.4,' XTEST(2) = ',F10.4,' INCR = ',I2)");
const ff::EditList kFaultDiffracted(
    "(' ***FAULT IN GASKETABS, D-BEAM, ','X = ',3F10.4,' XTEST(2) = ',F10.4,' INCR = ',I2)");

// The layer spans 100 steps; a trial point that has not cleared the hole
// after this many has left it (this only guards against non-finite input).
constexpr int kMaxSteps = 1000;

// Moves a copy of p along the load axis, in steps of 1 % of the gasket
// thickness towards the culet the beam is heading for, until the beam
// `clears` code tells it no longer crosses the gasket. Returns the beam's
// path in the gasket: the axial distance moved over the beam's cosine to
// the axis.
float pathInGasket(const ExperimentState& e, const ReflectionBeams& b, const Vec3& p, float dirY, int incr,
                   int clearA, int clearB, const ff::EditList& fault) {
  const float T = e.GASKETT;
  const float delta = 0.01f * T;
  Vec3 xtest = p;
  for (int step = 0;; ++step) {
    const int code = ishadow(e, b, xtest).code;
    if (code == clearA || code == clearB) break;
    xtest[1] = xtest[1] + static_cast<float>(incr) * delta;
    if (xtest[1] <= -delta || xtest[1] >= T + delta || step >= kMaxSteps) {
      error(fault.text({p[0], p[1], p[2], xtest[1], incr}));
    }
  }
  return std::fabs(xtest[1] - p[1]) / std::fabs(dirY);
}

}  // namespace

CuletExits ishadow(const ExperimentState& e, const ReflectionBeams& b, const Vec3& p) {
  const Vec3& dci = b.DCI;
  const Vec3& dcd = b.DCD;
  CuletExits out;
  if (std::fabs(dci[1]) < 0.174f || std::fabs(dcd[1]) < 0.174f) {
    out.code = kShadowGrazing;
    return out;
  }

  const float T = e.GASKETT;
  const float R = e.GASKETR;
  const float x = p[0], y = p[1], z = p[2];

  // The reversed incident beam heads for y = 0 when it points down the axis.
  const float s1 = dci[1] < 0.0f ? y / dci[1] : (y - T) / dci[1];
  const float xi = x - s1 * dci[0];
  const float zi = z - s1 * dci[2];
  out.PLANEI = std::fabs(s1);

  const float s2 = dcd[1] > 0.0f ? (y - T) / dcd[1] : y / dcd[1];
  const float xd = x - s2 * dcd[0];
  const float zd = z - s2 * dcd[2];
  out.PLANED = std::fabs(s2);

  // A margin of 0.001 square microns keeps an exit point on the circle of
  // the hole unshadowed.
  if (xi * xi + zi * zi - R * R > 0.001f) out.code -= 1;
  if (xd * xd + zd * zd - R * R > 0.001f) out.code -= 2;
  return out;
}

int checkShadow(const ExperimentState& e, const ReflectionBeams& b) {
  const int n = std::min(e.NCORNERS, kMaxCorners);
  int shadowed = 0;
  for (int k = 0; k < n; ++k) {
    if (ishadow(e, b, e.CORNER[k]).code < 0) ++shadowed;
  }
  int illum = 0;
  if (shadowed == 0) illum = 1;
  if (shadowed == n) illum = -1;
  return illum;
}

GasketPaths gasketAbs(const ExperimentState& e, const ReflectionBeams& b, const Vec3& p) {
  GasketPaths out;
  const int code = ishadow(e, b, p).code;
  if (code == kShadowNone) return out;
  out.G = 0.0f;
  if (code == kShadowGrazing) return out;
  if (e.GASKOPAQUE == 1) return out;

  if (code == kShadowIncident || code == kShadowBoth) {
    const int incr = b.DCI[1] >= 0.0f ? 1 : -1;
    out.GPATHI = pathInGasket(e, b, p, b.DCI[1], incr, kShadowNone, kShadowDiffracted, kFaultIncident);
  }
  if (code == kShadowDiffracted || code == kShadowBoth) {
    const int incr = b.DCD[1] > 0.0f ? 1 : -1;
    out.GPATHD = pathInGasket(e, b, p, b.DCD[1], incr, kShadowNone, kShadowIncident, kFaultDiffracted);
  }
  out.G = std::exp(-e.GASKETMU * (out.GPATHI + out.GPATHD));
  return out;
}

float absMediaAt(const ExperimentState& e, const CuletExits& exits, float t, const GasketPaths& gasket,
                 std::vector<TransmissionMessage>& messages) {
  if (exits.code == kShadowGrazing) return 0.0f;
  if (e.GASKOPAQUE == 1 && exits.code != kShadowNone) return 0.0f;

  // The beams' way to the culet planes, less the parts in the gasket and in
  // the crystal.
  const float pm = exits.PLANEI + exits.PLANED - gasket.GPATHI - gasket.GPATHD - t;
  if (pm < -0.5f) {
    // A geometry fault of this point: noted ahead of the reflection's own
    // listing line, and the point is taken as unabsorbed by the medium.
    messages.push_back({TransmissionMessage::Kind::MediumPath, pm, {}});
    return 1.0f;
  }
  return std::exp(-e.MUMEDIA * pm);
}

float absMedia(const ExperimentState& e, const ReflectionBeams& b, const Vec3& p, float t, const GasketPaths& gasket,
               std::vector<TransmissionMessage>& messages) {
  return absMediaAt(e, ishadow(e, b, p), t, gasket, messages);
}

}  // namespace korvex
