// Transmission of a spherical crystal by Gaussian integration over the
// sphere, tabulated for 2theta = 1, 2, ..., 180 degrees.
#include "transmission/sphere.hpp"

#include <algorithm>
#include <cmath>

#include "fixedformat/edit_list.hpp"
#include "geometry/angles.hpp"
#include "model/gauss_legendre.hpp"
#include "model/grid.hpp"
#include "model/grid_listing.hpp"
#include "run/messages.hpp"
#include "run/run.hpp"

namespace korvex {

namespace {

// The sphere's point listing starts on a new page.
const ff::EditList kPointsHeading(
    "('1     COORDINATES OF GAUSSIAN GRID POINTS FOR ',A80,/,/,9X,'X',10X,'Y',20X,'Z COORDINATES')");

constexpr int kAngles = 180;

void listPoints(Run& run) {
  const ExperimentState& e = run.exp;
  auto& out = run.files.grid;
  const int n = e.NGRID[0];
  out.write(kPointsHeading, {ff::padded(e.TITLE, 80)});
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) writePointLine(out, e.XG[i], e.YG[i][j], e.ZG[i][j].data(), n);
  }
}

}  // namespace

void setTrnsSphere(Run& run) {
  ExperimentState& e = run.exp;
  checkGridLevels(e, 1);
  const int n = gridOrder(e.GRID[0]).points;
  e.NGRID = {n, n, n};
  // The raised level names the n-point rule of the Gauss tables.
  e.GRID[0] = e.GRID[0] + 1.0f;
  const auto& gx = GAUSSX[static_cast<std::size_t>(e.GRID[0]) - 1];
  const auto& gw = GAUSSW[static_cast<std::size_t>(e.GRID[0]) - 1];

  const float R = e.RADIUS;
  if (!(R > 0.0f)) error("SPHERE RADIUS ON KORVEX MODEL CARD MUST BE POSITIVE");
  const bool listLimits = run.files.grid.isOpen() && listsGridLimits(e.GRIDLIST);
  const bool listGrid = run.files.grid.isOpen() && listsGridPoints(e.GRIDLIST);
  e.BOXMIN[0] = -R;
  e.BOXMAX[0] = R;

  // Grid centred on the sphere's centre: each axis spans the chord through
  // the point above, with the chord's half-length as the Gauss scale.
  for (int i = 0; i < n; ++i) {
    const float x = R * gx[i];
    e.XG[i] = x;
    e.WX[i] = R * gw[i];
    const float h = std::sqrt(R * R - x * x);
    for (int j = 0; j < n; ++j) {
      const float y = h * gx[j];
      e.YG[i][j] = y;
      e.WY[i][j] = h * gw[j];
      const float g = std::sqrt(R * R - x * x - y * y);
      for (int k = 0; k < n; ++k) {
        e.ZG[i][j][k] = g * gx[k];
        e.WZ[i][j][k] = g * gw[k];
      }
    }
  }

  e.VOLUME = xVolume(e);

  // The limits are listed once the grid stands: the x extent, then the y
  // extent at every x, then the z extent at every (x, y).
  if (listLimits) {
    auto& out = run.files.grid;
    writeLimitsHeading(out, e.TITLE);
    writeXLimits(out, -R, R);
    for (int i = 0; i < n; ++i) {
      const float x = e.XG[i];
      const float h = std::sqrt(R * R - x * x);
      writeYLimits(out, x, -h, h);
    }
    for (int i = 0; i < n; ++i) {
      const float x = e.XG[i];
      for (int j = 0; j < n; ++j) {
        const float y = e.YG[i][j];
        const float g = std::sqrt(R * R - x * x - y * y);
        writeZLimits(out, x, y, -g, g);
      }
    }
  }
  if (listGrid) listPoints(run);

  // Entry k: the reversed incident beam along -Z, the diffracted beam along
  // (0, sin a, cos a), so the beams enclose a = k degrees.
  for (int a = 1; a <= kAngles; ++a) {
    const float angle = static_cast<float>(a) * kRadiansPerDegree;
    const float ca = std::cos(angle);
    const float sa = std::sin(angle);
    float s1 = 0.0f;
    float s2 = 0.0f;
    for (int i = 0; i < n; ++i) {
      const float x = e.XG[i];
      for (int j = 0; j < n; ++j) {
        const float y = e.YG[i][j];
        const float wxy = e.WX[i] * e.WY[i][j];
        const float chord = std::sqrt(R * R - x * x - y * y);
        for (int k = 0; k < n; ++k) {
          const float z = e.ZG[i][j][k];
          const float w = wxy * e.WZ[i][j][k];
          const float t1 = z + chord;
          const float u = ca * y - sa * z;
          // Rounding may take the radicand a hair below zero for points next
          // to the surface; the chord there is zero.
          const float t2 = std::sqrt(std::max(0.0f, R * R - x * x - u * u)) - (ca * z + sa * y);
          const float t = t1 + t2;
          const float ew = std::exp(-e.ABSCO * t) * w;
          s1 = s1 + ew;
          s2 = s2 - t * ew;
        }
      }
    }
    e.TSPH[a - 1] = s1 / e.VOLUME;
    e.TSPH2[a - 1] = s2 / e.VOLUME;
  }
}

void korvexSphere(const ExperimentState& e, const ReflectionBeams& b, ReflectionTransmission& out) {
  TransmissionState& tr = out.factors;
  const float tth = std::fabs(b.twoTheta);
  // Below 1 degree the first entry is taken, from 180 degrees on the last.
  if (!(tth >= 1.0f)) {
    tr.TXTAL = e.TSPH[0];
    tr.SUMTP = e.TSPH2[0];
  } else if (tth >= static_cast<float>(kAngles)) {
    tr.TXTAL = e.TSPH[kAngles - 1];
    tr.SUMTP = e.TSPH2[kAngles - 1];
  } else {
    const int I = static_cast<int>(tth);
    const float f = tth - static_cast<float>(I);
    tr.TXTAL = e.TSPH[I - 1] + f * (e.TSPH[I] - e.TSPH[I - 1]);
    tr.SUMTP = e.TSPH2[I - 1] + f * (e.TSPH2[I] - e.TSPH2[I - 1]);
  }
  tr.TGAS = 1.0f;
  tr.TRANS = tr.TXTAL;
}

}  // namespace korvex
