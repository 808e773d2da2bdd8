// Integration grids over the polyhedron and over the filled gasket hole.
#include "model/grid.hpp"

#include <cmath>
#include <limits>

#include "model/faces.hpp"
#include "model/gauss_legendre.hpp"
#include "model/grid_listing.hpp"
#include "model/polyhedron.hpp"
#include "run/messages.hpp"
#include "run/run.hpp"

namespace korvex {
namespace {

const ff::EditList kNoCrossSection(
    "('NO CROSS-SECTION OF CRYSTAL FOUND AT X = ',F10.4,': CHECK VALIDITY OF CRYSTAL MODEL')");
const ff::EditList kNoChord(
    "('NO CHORD OF CRYSTAL FOUND AT X = ',F10.4,' Y = ',F10.4,': CHECK VALIDITY OF CRYSTAL MODEL')");

constexpr char kBadLevel[] = "GRID LEVEL ON KORVEX MODEL CARD MUST BE A WHOLE NUMBER FROM 0 TO 5";

// Edges and faces this close to parallel to the grid's planes or lines give
// no limit.
constexpr float kParallel = 1.0e-5f;
// Starting values of the limit searches.
constexpr float kFar = 1.0e6f;

bool listing(const Run& run) { return run.files.grid.isOpen(); }

GridOrder axisOrder(const ExperimentState& e, int axis) { return gridOrder(e.GRID[axis]); }

}  // namespace

GridOrder gridOrder(float level) {
  GridOrder o;
  o.points = static_cast<int>(std::lround(std::pow(2.0f, level)));
  o.column = static_cast<int>(level + 1.0f);
  return o;
}

void checkGridLevels(const ExperimentState& e, int axes) {
  for (int a = 0; a < axes; ++a) {
    const float g = e.GRID[a];
    if (!(g >= 0.0f && g <= 5.0f) || g != std::floor(g)) error(kBadLevel);
  }
}

void mapGaussRule(float lo, float hi, const GridOrder& order, float* points, float* weights) {
  const float m = (hi + lo) / 2.0f;
  const float h = (hi - lo) / 2.0f;
  const auto& gx = GAUSSX[order.column - 1];
  const auto& gw = GAUSSW[order.column - 1];
  for (int n = 0; n < order.points; ++n) {
    points[n] = h * gx[n] + m;
    weights[n] = h * gw[n];
  }
}

float xVolume(const ExperimentState& e) {
  float v = 0.0f;
  for (int i = 0; i < e.NGRID[0]; ++i) {
    float sy = 0.0f;
    for (int j = 0; j < e.NGRID[1]; ++j) {
      float sz = 0.0f;
      for (int k = 0; k < e.NGRID[2]; ++k) sz += e.WZ[i][j][k];
      sy = sy + sz * e.WY[i][j];
    }
    v = v + sy * e.WX[i];
  }
  return v;
}

void gWrite(Run& run) {
  if (!listing(run)) return;
  const ExperimentState& e = run.exp;
  auto& out = run.files.grid;
  writePointsHeading(out, e.TITLE);
  for (int i = 0; i < e.NGRID[0]; ++i) {
    for (int j = 0; j < e.NGRID[1]; ++j) {
      writePointLine(out, e.XG[i], e.YG[i][j], e.ZG[i][j].data(), e.NGRID[2]);
    }
  }
}

namespace {
// The number of points and the rule of each axis, from the grid levels.
struct AxisOrders {
  GridOrder x, y, z;
};
AxisOrders startGrid(ExperimentState& e) {
  checkGridLevels(e, 3);
  const AxisOrders o{axisOrder(e, 0), axisOrder(e, 1), axisOrder(e, 2)};
  e.NGRID = {o.x.points, o.y.points, o.z.points};
  return o;
}
}  // namespace

void setGrid(Run& run) {
  ExperimentState& e = run.exp;
  const auto [ox, oy, oz] = startGrid(e);
  const bool limits = listing(run) && listsGridLimits(e.GRIDLIST);
  auto& out = run.files.grid;

  if (limits) {
    writeLimitsHeading(out, e.TITLE);
    writeXLimits(out, e.BOXMIN[0], e.BOXMAX[0]);
  }
  mapGaussRule(e.BOXMIN[0], e.BOXMAX[0], ox, e.XG.data(), e.WX.data());

  const int nf = e.NFACES;
  e.FDIST.assign(static_cast<std::size_t>(ox.points) * static_cast<std::size_t>(oy.points) *
                     static_cast<std::size_t>(oz.points) * static_cast<std::size_t>(nf),
                 0.0f);

  for (int i = 0; i < ox.points; ++i) {
    const float x = e.XG[i];
    // y extent of the cross-section at x: where the edges cross the plane.
    float ymin = kFar;
    float ymax = -kFar;
    for (int n = 0; n < e.NEDGES; ++n) {
      const auto& f1 = e.FACE[e.IEDGE[n][0] - 1];
      const auto& f2 = e.FACE[e.IEDGE[n][1] - 1];
      const float det = f1[1] * f2[2] - f1[2] * f2[1];
      if (std::fabs(det) < kParallel) continue;
      const float r1 = -(f1[0] * x + f1[3]);
      const float r2 = -(f2[0] * x + f2[3]);
      const float y = (r1 * f2[2] - r2 * f1[2]) / det;
      const float z = (r2 * f1[1] - r1 * f2[1]) / det;
      if (inCrystal(e, {x, y, z}) != -1) {
        ymin = std::fmin(ymin, y);
        ymax = std::fmax(ymax, y);
      }
    }
    if (limits) writeYLimits(out, x, ymin, ymax);
    if (ymin > ymax) error(kNoCrossSection.text({x}));
    mapGaussRule(ymin, ymax, oy, e.YG[i].data(), e.WY[i].data());

    for (int j = 0; j < oy.points; ++j) {
      const float y = e.YG[i][j];
      // z extent of the chord at (x, y): where the line meets the faces.
      float zmin = kFar;
      float zmax = -kFar;
      for (int f = 0; f < nf; ++f) {
        const auto& face = e.FACE[f];
        if (std::fabs(face[2]) < kParallel) continue;
        const float z = -((face[0] * x + face[1] * y) + face[3]) / face[2];
        if (inCrystal(e, {x, y, z}) != -1) {
          zmin = std::fmin(zmin, z);
          zmax = std::fmax(zmax, z);
        }
      }
      if (limits) writeZLimits(out, x, y, zmin, zmax);
      if (zmin > zmax) error(kNoChord.text({x, y}));
      mapGaussRule(zmin, zmax, oz, e.ZG[i][j].data(), e.WZ[i][j].data());

      // Face values along the line, each face's points side by side.
      for (int f = 0; f < nf; ++f) {
        const auto& face = e.FACE[f];
        const float partial = face[0] * x + face[1] * y;
        float* d = &e.FDIST[fdistIndex(e, i, j, 0, f)];
        for (int k = 0; k < oz.points; ++k) {
          d[k] = -((partial + face[2] * e.ZG[i][j][k]) + face[3]);
        }
      }
    }
  }

  e.fdistMax.assign(static_cast<std::size_t>(nf), -std::numeric_limits<float>::infinity());
  e.fdistMin.assign(static_cast<std::size_t>(nf), std::numeric_limits<float>::infinity());
  const std::size_t line = static_cast<std::size_t>(oz.points);
  for (std::size_t at = 0; at < e.FDIST.size(); ++at) {
    const std::size_t f = at / line % static_cast<std::size_t>(nf);
    e.fdistMax[f] = std::fmax(e.fdistMax[f], e.FDIST[at]);
    e.fdistMin[f] = std::fmin(e.fdistMin[f], e.FDIST[at]);
  }

  e.VOLUME = xVolume(e);
  if (listsGridPoints(e.GRIDLIST)) gWrite(run);
}

void setGridFillG(Run& run) {
  ExperimentState& e = run.exp;
  const auto [ox, oy, oz] = startGrid(e);
  const bool limits = listing(run) && listsGridLimits(e.GRIDLIST);
  auto& out = run.files.grid;
  const float r = e.GASKETR;
  const float t = e.GASKETT;

  if (limits) {
    writeLimitsHeading(out, e.TITLE);
    writeXLimits(out, -r, r);
  }
  const auto& gx = GAUSSX[ox.column - 1];
  const auto& gw = GAUSSW[ox.column - 1];
  for (int i = 0; i < ox.points; ++i) {
    e.XG[i] = r * gx[i];
    e.WX[i] = r * gw[i];
  }

  const auto& gzx = GAUSSX[oz.column - 1];
  const auto& gzw = GAUSSW[oz.column - 1];
  for (int i = 0; i < ox.points; ++i) {
    const float x = e.XG[i];
    if (limits) writeYLimits(out, x, 0.0f, t);
    mapGaussRule(0.0f, t, oy, e.YG[i].data(), e.WY[i].data());
    const float zmax = std::sqrt(r * r - x * x);
    for (int j = 0; j < oy.points; ++j) {
      if (limits) writeZLimits(out, x, e.YG[i][j], -zmax, zmax);
      for (int k = 0; k < oz.points; ++k) {
        e.ZG[i][j][k] = zmax * gzx[k];
        e.WZ[i][j][k] = zmax * gzw[k];
      }
    }
  }

  e.VOLUME = xVolume(e);
  if (listsGridPoints(e.GRIDLIST)) gWrite(run);
}

}  // namespace korvex
