// Gasket shadowing and the gasket and pressure-medium transmission.
#include "transmission/gasket.hpp"

#include <algorithm>
#include <cmath>

#include "fixedformat/edit_list.hpp"
#include "run/messages.hpp"
#include "run/run.hpp"
#include "transmission/transmission.hpp"

namespace korvex {

namespace {

const ff::EditList kMediumPathWarning(
    "(' ******WARNING: NEXT REFLECTION HAS PATH',' IN PRESSURE MEDIUM CALCULATED AS ',F6.1,' MICRONS')");
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
float pathInGasket(Run& run, const Vec3& p, float dirY, int incr, int clearA, int clearB,
                   const ff::EditList& fault) {
  const float T = run.exp.GASKETT;
  const float delta = 0.01f * T;
  Vec3 xtest = p;
  for (int step = 0;; ++step) {
    const int code = ishadow(run, xtest);
    if (code == clearA || code == clearB) break;
    xtest[1] = xtest[1] + static_cast<float>(incr) * delta;
    if (xtest[1] <= -delta || xtest[1] >= T + delta || step >= kMaxSteps) {
      error(fault.text({p[0], p[1], p[2], xtest[1], incr}));
    }
  }
  return std::fabs(xtest[1] - p[1]) / std::fabs(dirY);
}

}  // namespace

int ishadow(Run& run, const Vec3& p) {
  const Vec3& dci = run.refl.DCI;
  const Vec3& dcd = run.refl.DCD;
  if (std::fabs(dci[1]) < 0.174f || std::fabs(dcd[1]) < 0.174f) return kShadowGrazing;

  const float T = run.exp.GASKETT;
  const float R = run.exp.GASKETR;
  const float x = p[0], y = p[1], z = p[2];

  // The reversed incident beam heads for y = 0 when it points down the axis.
  const float s1 = dci[1] < 0.0f ? y / dci[1] : (y - T) / dci[1];
  const float xi = x - s1 * dci[0];
  const float zi = z - s1 * dci[2];
  run.trans.PLANEI = std::fabs(s1);

  const float s2 = dcd[1] > 0.0f ? (y - T) / dcd[1] : y / dcd[1];
  const float xd = x - s2 * dcd[0];
  const float zd = z - s2 * dcd[2];
  run.trans.PLANED = std::fabs(s2);

  // A margin of 0.001 square microns keeps an exit point on the circle of
  // the hole unshadowed.
  int code = kShadowNone;
  if (xi * xi + zi * zi - R * R > 0.001f) code -= 1;
  if (xd * xd + zd * zd - R * R > 0.001f) code -= 2;
  return code;
}

int checkShadow(Run& run) {
  const int n = std::min(run.exp.NCORNERS, kMaxCorners);
  int shadowed = 0;
  for (int k = 0; k < n; ++k) {
    if (ishadow(run, run.exp.CORNER[k]) < 0) ++shadowed;
  }
  int illum = 0;
  if (shadowed == 0) illum = 1;
  if (shadowed == n) illum = -1;
  return illum;
}

float gasketAbs(Run& run, const Vec3& p) {
  auto& t = run.trans;
  t.GPATHI = 0.0f;
  t.GPATHD = 0.0f;
  const int code = ishadow(run, p);
  if (code == kShadowNone) return 1.0f;
  if (code == kShadowGrazing) return 0.0f;
  if (run.exp.GASKOPAQUE == 1) return 0.0f;

  const Vec3& dci = run.refl.DCI;
  const Vec3& dcd = run.refl.DCD;
  if (code == kShadowIncident || code == kShadowBoth) {
    const int incr = dci[1] >= 0.0f ? 1 : -1;
    t.GPATHI = pathInGasket(run, p, dci[1], incr, kShadowNone, kShadowDiffracted, kFaultIncident);
  }
  if (code == kShadowDiffracted || code == kShadowBoth) {
    const int incr = dcd[1] > 0.0f ? 1 : -1;
    t.GPATHD = pathInGasket(run, p, dcd[1], incr, kShadowNone, kShadowIncident, kFaultDiffracted);
  }
  return std::exp(-run.exp.GASKETMU * (t.GPATHI + t.GPATHD));
}

float absMedia(Run& run, const Vec3& p, float tCrystal) {
  const int code = ishadow(run, p);
  if (code == kShadowGrazing) return 0.0f;
  if (run.exp.GASKOPAQUE == 1 && code != kShadowNone) return 0.0f;

  const auto& t = run.trans;
  // The beams' way to the culet planes, less the parts in the gasket and in
  // the crystal.
  const float pm = t.PLANEI + t.PLANED - t.GPATHI - t.GPATHD - tCrystal;
  if (pm < -0.5f) {
    // A geometry fault of this point: noted ahead of the reflection's own
    // listing line, and the point is taken as unabsorbed by the medium.
    if (run.files.print.isOpen()) run.files.print.write(kMediumPathWarning, {pm});
    return 1.0f;
  }
  return std::exp(-run.exp.MUMEDIA * pm);
}

}  // namespace korvex
