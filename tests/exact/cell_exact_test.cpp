// Exact gasket and medium: the cubature against ray casting by Monte Carlo,
// and its closed forms where no shadow reaches.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "exact/cell_cubature.hpp"
#include "exact/filled_hole.hpp"
#include "exact/exact_support.hpp"
#include "transmission/transmission_support.hpp"

namespace korvex::exact {
namespace {

using test::unitVector;

// A box 80 x 30 x 70 microns in a gasket 45 microns thick with a hole of
// radius 64; corners lie up to 60 microns off the axis.
struct Cell {
  std::vector<Plane> planes = test::boxPlanes(80, 30, 70, {5, 20, -4});
  ExactCrystal crystal = test::crystalOf(planes);
  CellAbsorption absorption;
  Cell() {
    absorption.shape = {45.0, 64.0};
    absorption.gasket = true;
    absorption.muCrystal = 0.004;
  }
};

// Independent of the exact paths: the way to the culet, and where the beam
// leaves the hole's cylinder found by bisection (from inside the hole the
// distance from the axis rises at most once through R).
struct Ray {
  double culet = 0, inHole = 0;
};
Ray castRay(V3 p, V3 w, double T, double R) {
  Ray r;
  r.culet = (w.y < 0 ? -p.y : T - p.y) / w.y;
  const auto outside = [&](double s) { return std::hypot(p.x + s * w.x, p.z + s * w.z) > R; };
  if (!outside(r.culet)) {
    r.inHole = r.culet;
    return r;
  }
  double lo = 0, hi = r.culet;
  for (int i = 0; i < 45; ++i) (outside(0.5 * (lo + hi)) ? hi : lo) = 0.5 * (lo + hi);
  r.inHole = lo;
  return r;
}

double boxPath(const std::vector<Plane>& planes, V3 p, V3 w) {
  double t = 1e300;
  for (const Plane& f : planes)
    if (-dot(f.n, w) > 1e-12) t = std::min(t, f.at(p) / -dot(f.n, w));
  return t;
}

struct Sampled {
  double trans = 0, gasket = 0, medium = 0;           // means
  double transErr = 0, gasketErr = 0, mediumErr = 0;  // standard errors
};

Sampled monteCarlo(const Cell& c, V3 u, V3 v, int n) {
  std::mt19937 rng(99);
  std::uniform_real_distribution<double> x(-35, 45), y(5, 35), z(-39, 31);
  const auto& a = c.absorption;
  double s[3] = {}, s2[3] = {};
  for (int i = 0; i < n; ++i) {
    const V3 p{x(rng), y(rng), z(rng)};
    const Ray ru = castRay(p, u, a.shape.thickness, a.shape.radius);
    const Ray rv = castRay(p, v, a.shape.thickness, a.shape.radius);
    const double gu = ru.culet - ru.inHole, gv = rv.culet - rv.inHole;
    const double tu = boxPath(c.planes, p, u), tv = boxPath(c.planes, p, v);
    double G = std::exp(-a.muGasket * (gu + gv)), M = std::exp(-a.muMedium * (ru.inHole - tu + rv.inHole - tv));
    if (a.opaque && (gu > 0 || gv > 0)) G = M = 0;
    if (!a.medium) M = 1;
    const double f[3] = {std::exp(-a.muCrystal * (tu + tv)) * G * M, G, M};
    for (int k = 0; k < 3; ++k) {
      s[k] += f[k];
      s2[k] += f[k] * f[k];
    }
  }
  Sampled r;
  double* mean[3] = {&r.trans, &r.gasket, &r.medium};
  double* err[3] = {&r.transErr, &r.gasketErr, &r.mediumErr};
  for (int k = 0; k < 3; ++k) {
    *mean[k] = s[k] / n;
    *err[k] = std::sqrt(std::max(0.0, s2[k] / n - *mean[k] * *mean[k]) / n);
  }
  return r;
}

struct GasketCase {
  const char* name;
  V3 u, v;
  bool opaque;
  double muGasket, muMedium;
};

TEST(ExactCell, GasketAndMediumAgreeWithRayCasting) {
  const GasketCase cases[] = {
      {"opaque, both beams shadow", unitVector(0.8, -0.6, 0.2), unitVector(-0.3, 0.6, 0.7), true, 0, 0},
      {"opaque, diffracted beam only", unitVector(0, -1, 0), unitVector(0.7, 0.6, 0.1), true, 0, 0.0015},
      {"absorbing with medium", unitVector(0.8, -0.6, 0.2), unitVector(-0.3, 0.6, 0.7), false, 0.3, 0.0015},
      {"absorbing, beams on one side", unitVector(-0.7, 0.6, 0.3), unitVector(0.2, 0.75, -0.6), false, 0.3, 0.002},
  };
  PieceCutter cutter;
  for (const auto& k : cases) {
    SCOPED_TRACE(k.name);
    Cell c;
    c.absorption.opaque = k.opaque;
    c.absorption.muGasket = k.muGasket;
    c.absorption.medium = k.muMedium > 0;
    c.absorption.muMedium = k.muMedium;
    const CrystalInCell r = crystalInCell(c.crystal, k.u, k.v, c.absorption, 1e-6, cutter);
    const double V = c.crystal.volume;
    const Sampled mc = monteCarlo(c, k.u, k.v, 100000);
    // Partly shadowed, so the check is not trivial.
    EXPECT_GT(r.cell.gasket / V, 0.05);
    EXPECT_LT(r.cell.gasket / V, 0.9);
    EXPECT_NEAR(r.cell.gasket / V, mc.gasket, 4 * mc.gasketErr);
    if (c.absorption.medium) EXPECT_NEAR(r.cell.medium / V, mc.medium, 4 * mc.mediumErr);
    EXPECT_NEAR(r.cell.transmitted / V, mc.trans, 4 * mc.transErr);
    // A tolerance a hundred times finer moves nothing beyond the first.
    const CrystalInCell fine = crystalInCell(c.crystal, k.u, k.v, c.absorption, 1e-8, cutter);
    EXPECT_NEAR(r.cell.gasket, fine.cell.gasket, 1e-6 * V);
    EXPECT_NEAR(r.cell.medium, fine.cell.medium, 1e-6 * V);
    EXPECT_NEAR(r.cell.transmitted, fine.cell.transmitted, 1e-6 * r.crystal.transmitted);
  }
}

TEST(ExactCell, LinesAlongTheAxisInClosedFormAgreeWithPointByPoint) {
  // A tilted crystal in a hole it overfills, so that along lines parallel
  // to the axis a shadowed beam's exit from the crystal passes the hole's
  // wall: the closed forms between the shadow's edges and those points
  // against the same paths summed point by point (80^3 Gauss points).
  const V3 o{-30, 8, -25}, e1{60, 10, 5}, e2{-8, 40, 6}, e3{6, -6, 50};
  const std::vector<Plane> planes = test::parallelepipedPlanes(o, e1, e2, e3);
  const ExactCrystal crystal = test::crystalOf(planes);
  CellAbsorption a;
  a.shape = {60.0, 38.0};
  a.gasket = true;
  a.muCrystal = 0.004;
  a.muGasket = 0.03;
  a.medium = true;
  a.muMedium = 0.0022;
  const V3 u = unitVector(0.8, -0.6, 0.2), v = unitVector(-0.3, 0.6, 0.7);
  const BeamInCell beams[2] = {BeamInCell(u, a.shape), BeamInCell(v, a.shape)};
  const auto rule = korvex::test::legendreRule(80);
  double sum[3] = {};
  for (int i = 0; i < 80; ++i)
    for (int j = 0; j < 80; ++j)
      for (int k = 0; k < 80; ++k) {
        const V3 p = o + (0.5 + 0.5 * rule.x[i]) * e1 + (0.5 + 0.5 * rule.x[j]) * e2 + (0.5 + 0.5 * rule.x[k]) * e3;
        const double w = rule.w[i] * rule.w[j] * rule.w[k] / 8 * crystal.volume;
        double t = 0, gasket = 0, medium = 0;
        for (const BeamInCell& b : beams) {
          const double tc = boxPath(planes, p, b.direction()), S = b.toCulet(p), wall = b.holeExit(p);
          t += tc;
          if (!b.shadowed(p)) {
            medium += S - tc;
          } else {
            gasket += std::max(0.0, S - wall);
            medium += std::max(0.0, std::min(S, wall) - tc);
          }
        }
        const double G = std::exp(-a.muGasket * gasket), M = std::exp(-a.muMedium * medium);
        sum[0] += w * std::exp(-a.muCrystal * t) * G * M;
        sum[1] += w * G;
        sum[2] += w * M;
      }
  PieceCutter cutter;
  const CrystalInCell r = crystalInCell(crystal, u, v, a, 1e-7, cutter);
  EXPECT_NEAR(r.cell.transmitted, sum[0], 1e-6 * sum[0]);
  EXPECT_NEAR(r.cell.gasket, sum[1], 1e-6 * sum[1]);
  EXPECT_NEAR(r.cell.medium, sum[2], 1e-6 * sum[2]);
}

TEST(ExactCell, UnshadowedCrystalHasClosedForms) {
  // Beams steep enough that no point is shadowed: the gasket passes
  // everything and the medium path is the way to the culets less the way in
  // the crystal, which for a box with vertical beams is T - 30 in all.
  Cell c;
  c.absorption.medium = true;
  c.absorption.muMedium = 0.002;
  c.absorption.muGasket = 0.03;
  PieceCutter cutter;
  const CrystalInCell r = crystalInCell(c.crystal, {0, -1, 0}, {0, 1, 0}, c.absorption, 1e-6, cutter);
  const double V = c.crystal.volume;
  EXPECT_NEAR(r.cell.gasket / V, 1.0, 1e-13);
  EXPECT_NEAR(r.cell.medium / V, std::exp(-0.002 * 15.0), 1e-13);
  EXPECT_NEAR(r.cell.transmitted / V, std::exp(-0.004 * 30.0 - 0.002 * 15.0), 1e-13);
}

TEST(ExactCell, FilledHoleAgreesWithRayCasting) {
  // The crystal is the hole itself (R = 50, T = 40): each beam's path in it
  // is its way to the culet inside the hole.
  CellAbsorption a;
  a.shape = {40.0, 50.0};
  a.gasket = true;
  a.muCrystal = 0.01;
  const V3 u = unitVector(0.6, -0.7, 0.2), v = unitVector(-0.4, 0.6, 0.6);
  for (bool opaque : {true, false}) {
    SCOPED_TRACE(opaque ? "opaque" : "absorbing");
    a.opaque = opaque;
    a.muGasket = opaque ? 0.0 : 0.05;
    const FilledHoleIntegrals r = filledHoleIntegrals(a, u, v, 1e-6, false);
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> x(-50, 50), y(0, 40);
    double s[3] = {}, s2[3] = {};
    int n = 0;
    while (n < 100000) {
      const V3 p{x(rng), y(rng), x(rng)};
      if (std::hypot(p.x, p.z) > 50) continue;
      ++n;
      const Ray ru = castRay(p, u, 40, 50), rv = castRay(p, v, 40, 50);
      const double g = ru.culet - ru.inHole + rv.culet - rv.inHole;
      const double G = opaque ? (g > 0 ? 0.0 : 1.0) : std::exp(-a.muGasket * g);
      const double f[3] = {std::exp(-a.muCrystal * (ru.inHole + rv.inHole)), G, 0.0};
      for (int k = 0; k < 2; ++k) {
        s[k] += f[k];
        s2[k] += f[k] * f[k];
      }
    }
    const auto check = [&](double exact, int k) {
      const double mean = s[k] / n, err = std::sqrt((s2[k] / n - mean * mean) / n);
      EXPECT_NEAR(exact / r.volume, mean, 4 * err);
    };
    check(r.crystal.transmitted, 0);
    check(r.gasket, 1);
    EXPECT_LT(r.gasket / r.volume, 0.95);
  }
  // Beams along the axis: every point's path is T, nothing is shadowed.
  const FilledHoleIntegrals axial = filledHoleIntegrals(a, {0, -1, 0}, {0, 1, 0}, 1e-6, false);
  EXPECT_NEAR(axial.crystal.transmitted / axial.volume, std::exp(-0.01 * 40), 1e-12);
  EXPECT_NEAR(axial.gasket / axial.volume, 1.0, 1e-12);
}

}  // namespace
}  // namespace korvex::exact
