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

}  // namespace

int steppingDirection(const ReflectionBeams& b, GasketBeam beam) {
  if (beam == GasketBeam::Incident) return b.DCI[1] >= 0.0f ? 1 : -1;
  return b.DCD[1] > 0.0f ? 1 : -1;
}

bool beamCrosses(int code, GasketBeam beam) {
  if (beam == GasketBeam::Incident) return code == kShadowIncident || code == kShadowBoth;
  return code == kShadowDiffracted || code == kShadowBoth;
}

float steppedPathInGasket(const ExperimentState& e, const ReflectionBeams& b, const Vec3& p, GasketBeam beam) {
  const bool incident = beam == GasketBeam::Incident;
  const float dirY = incident ? b.DCI[1] : b.DCD[1];
  const int incr = steppingDirection(b, beam);
  const float T = e.GASKETT;
  const float delta = 0.01f * T;
  Vec3 xtest = p;
  for (int step = 0;; ++step) {
    if (!beamCrosses(ishadow(e, b, xtest).code, beam)) break;
    xtest[1] = xtest[1] + static_cast<float>(incr) * delta;
    if (xtest[1] <= -delta || xtest[1] >= T + delta || step >= kMaxGasketSteps) {
      error((incident ? kFaultIncident : kFaultDiffracted).text({p[0], p[1], p[2], xtest[1], incr}));
    }
  }
  return std::fabs(xtest[1] - p[1]) / std::fabs(dirY);
}

bool grazing(const ReflectionBeams& b) { return std::fabs(b.DCI[1]) < 0.174f || std::fabs(b.DCD[1]) < 0.174f; }

CuletExits ishadow(const ExperimentState& e, const ReflectionBeams& b, const Vec3& p) {
  const Vec3& dci = b.DCI;
  const Vec3& dcd = b.DCD;
  CuletExits out;
  if (grazing(b)) {
    out.code = kShadowGrazing;
    return out;
  }

  const float T = e.GASKETT;
  const float R = e.GASKETR;
  const float x = p[0], y = p[1], z = p[2];

  const float s1 = incidentToCulet(y, dci[1], T);
  out.PLANEI = std::fabs(s1);
  const float s2 = diffractedToCulet(y, dcd[1], T);
  out.PLANED = std::fabs(s2);
  if (crossesGasket(x - s1 * dci[0], z - s1 * dci[2], R)) out.code -= 1;
  if (crossesGasket(x - s2 * dcd[0], z - s2 * dcd[2], R)) out.code -= 2;
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

  if (beamCrosses(code, GasketBeam::Incident)) out.GPATHI = steppedPathInGasket(e, b, p, GasketBeam::Incident);
  if (beamCrosses(code, GasketBeam::Diffracted)) out.GPATHD = steppedPathInGasket(e, b, p, GasketBeam::Diffracted);
  out.G = std::exp(-e.GASKETMU * (out.GPATHI + out.GPATHD));
  return out;
}

MediumFactor mediumFactor(const ExperimentState& e, const CuletExits& exits, float t, const GasketPaths& gasket,
                          std::vector<TransmissionMessage>& messages) {
  using Kind = MediumFactor::Kind;
  if (exits.code == kShadowGrazing) return {Kind::Zero, 0.0f};
  if (e.GASKOPAQUE == 1 && exits.code != kShadowNone) return {Kind::Zero, 0.0f};

  // The beams' way to the culet planes, less the parts in the gasket and in
  // the crystal.
  const float pm = exits.PLANEI + exits.PLANED - gasket.GPATHI - gasket.GPATHD - t;
  if (pm < -0.5f) {
    // A geometry fault of this point: noted ahead of the reflection's own
    // listing line, and the point is taken as unabsorbed by the medium.
    messages.push_back({TransmissionMessage::Kind::MediumPath, pm, {}});
    return {Kind::One, 0.0f};
  }
  return {Kind::Exp, -e.MUMEDIA * pm};
}

float absMedia(const ExperimentState& e, const ReflectionBeams& b, const Vec3& p, float t, const GasketPaths& gasket,
               std::vector<TransmissionMessage>& messages) {
  const MediumFactor m = mediumFactor(e, ishadow(e, b, p), t, gasket, messages);
  switch (m.kind) {
    case MediumFactor::Kind::Zero: return 0.0f;
    case MediumFactor::Kind::One: return 1.0f;
    case MediumFactor::Kind::Exp: break;
  }
  return std::exp(m.arg);
}

}  // namespace korvex
