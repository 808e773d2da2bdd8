// Transmission of a spherical crystal by Gaussian integration over the
// sphere, tabulated for 2theta = 1, 2, ..., 180 degrees.
#include "transmission/sphere.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "fixedformat/edit_list.hpp"
#include "run/messages.hpp"
#include "run/run.hpp"
#include "transmission/transmission.hpp"

namespace korvex {

namespace {

const ff::EditList kLimitsHeading("(/,/,10X,'GAUSSSIAN GRID LIMITS FOR ',A80)");
const ff::EditList kXLimits("(/,/,10X,'XMIN = ',F10.4,10X,'XMAX = ',F10.4,/)");
const ff::EditList kYLimits("(/,10X,'AT X = ',F10.4,' YMIN = ',F10.4,' YMAX = ',F10.4,/)");
const ff::EditList kZLimits("(10X,'AT X = ',F10.4,' Y = ',F10.4,' ZMIN = ',F10.4,' ZMAX = ',F10.4)");
const ff::EditList kPointsHeading(
    "('1     COORDINATES OF GAUSSIAN GRID POINTS FOR ',A80,/,/,9X,'X',10X,'Y',20X,'Z COORDINATES')");
const ff::EditList kPointLine("(2X,F10.1,',',F10.1,':',8F10.1)");
const ff::EditList kPointContinuation("(24X,8F10.1)");

constexpr int kAngles = 180;

// Gauss-Legendre rule of 2^(column-1) points on [-1, 1], abscissae ascending.
struct GaussRule {
  std::array<float, kMaxGrid> x{};
  std::array<float, kMaxGrid> w{};
};

GaussRule makeRule(int n) {
  GaussRule r;
  for (int i = 0; i < n; ++i) {
    double z = std::cos(3.14159265358979323846 * (i + 0.75) / (n + 0.5));
    double pp = 1.0;
    for (int it = 0; it < 100; ++it) {
      double p1 = 1.0, p2 = 0.0;
      for (int j = 1; j <= n; ++j) {
        const double p3 = p2;
        p2 = p1;
        p1 = ((2.0 * j - 1.0) * z * p2 - (j - 1.0) * p3) / j;
      }
      pp = n * (z * p1 - p2) / (z * z - 1.0);
      const double dz = p1 / pp;
      z -= dz;
      if (std::fabs(dz) < 1e-15) break;
    }
    r.x[n - 1 - i] = static_cast<float>(z);
    r.w[n - 1 - i] = static_cast<float>(2.0 / ((1.0 - z * z) * pp * pp));
  }
  return r;
}

const std::array<GaussRule, 6> kRules{makeRule(1), makeRule(2), makeRule(4), makeRule(8), makeRule(16), makeRule(32)};

const GaussRule& gaussRule(int column) { return kRules[static_cast<std::size_t>(column - 1)]; }

// z values of one grid line as edit-list values, [from, to).
std::vector<ff::Value> zValues(const ExperimentState& e, int i, int j, int from, int to) {
  std::vector<ff::Value> v;
  for (int k = from; k < to; ++k) v.emplace_back(e.ZG[i][j][k]);
  return v;
}

void listPoints(Run& run) {
  const ExperimentState& e = run.exp;
  auto& out = run.files.grid;
  const int n = e.NGRID[0];
  out.write(kPointsHeading, {e.TITLE});
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) {
      std::vector<ff::Value> line{e.XG[i], e.YG[i][j]};
      const std::vector<ff::Value> first = zValues(e, i, j, 0, std::min(n, 8));
      line.insert(line.end(), first.begin(), first.end());
      out.records(kPointLine.records(line));
      if (n > 8) out.records(kPointContinuation.records(zValues(e, i, j, 8, n)));
    }
  }
}

}  // namespace

void setTrnsSphere(Run& run) {
  ExperimentState& e = run.exp;
  const float level = e.GRID[0];
  if (!(level >= 0.0f && level <= 5.0f) || level != std::floor(level)) {
    error("GRID LEVEL ON KORVEX MODEL CARD MUST BE A WHOLE NUMBER FROM 0 TO 5");
  }
  const int n = static_cast<int>(std::lround(std::exp2(level)));
  e.NGRID = {n, n, n};
  // The raised level names the n-point rule of the Gauss tables.
  e.GRID[0] = level + 1.0f;
  const GaussRule& rule = gaussRule(static_cast<int>(e.GRID[0]));

  const float R = e.RADIUS;
  if (!(R > 0.0f)) error("SPHERE RADIUS ON KORVEX MODEL CARD MUST BE POSITIVE");
  const bool listLimits = run.files.grid.isOpen() && (e.GRIDLIST == 1 || e.GRIDLIST == 3);
  const bool listGrid = run.files.grid.isOpen() && e.GRIDLIST > 1;
  e.BOXMIN[0] = -R;
  e.BOXMAX[0] = R;
  if (listLimits) {
    run.files.grid.write(kLimitsHeading, {e.TITLE});
    run.files.grid.write(kXLimits, {-R, R});
  }

  // Grid centred on the sphere's centre: each axis spans the chord through
  // the point above, with the chord's half-length as the Gauss scale.
  for (int i = 0; i < n; ++i) {
    const float x = R * rule.x[i];
    e.XG[i] = x;
    e.WX[i] = R * rule.w[i];
    const float h = std::sqrt(R * R - x * x);
    if (listLimits) run.files.grid.write(kYLimits, {x, -h, h});
    for (int j = 0; j < n; ++j) {
      const float y = h * rule.x[j];
      e.YG[i][j] = y;
      e.WY[i][j] = h * rule.w[j];
      const float g = std::sqrt(R * R - x * x - y * y);
      if (listLimits) run.files.grid.write(kZLimits, {x, y, -g, g});
      for (int k = 0; k < n; ++k) {
        e.ZG[i][j][k] = g * rule.x[k];
        e.WZ[i][j][k] = g * rule.w[k];
      }
    }
  }

  float volume = 0.0f;
  for (int i = 0; i < n; ++i) {
    float sy = 0.0f;
    for (int j = 0; j < n; ++j) {
      float sz = 0.0f;
      for (int k = 0; k < n; ++k) sz = sz + e.WZ[i][j][k];
      sy = sy + sz * e.WY[i][j];
    }
    volume = volume + sy * e.WX[i];
  }
  e.VOLUME = volume;
  if (listGrid) listPoints(run);

  // Entry k: the reversed incident beam along -Z, the diffracted beam along
  // (0, sin a, cos a), so the beams enclose a = k degrees.
  for (int a = 1; a <= kAngles; ++a) {
    const float angle = static_cast<float>(a) * 0.017453292f;
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

void korvexSphere(Run& run) {
  const ExperimentState& e = run.exp;
  TransmissionState& tr = run.trans;
  const float tth = std::fabs(run.refl.ANG[0]);
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
