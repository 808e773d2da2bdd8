// Exact crystal transmission: divided differences, closed forms of boxes and
// slabs, the mean path as mu -> 0, volumes, and a brute-force reference on
// random crystals.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <random>

#include "exact/crystal_moments.hpp"
#include "exact/crystal_pieces.hpp"
#include "exact/divided_difference.hpp"
#include "exact/exact_support.hpp"
#include "exact/flat_polygon_lanes.hpp"
#include "exact/quick_exp.hpp"
#include "exact/sphere_exact.hpp"
#include "transmission/transmission_support.hpp"

namespace korvex::exact {
namespace {

using test::unitVector;

// (1 - exp(-m)) / m: the mean of exp(-mu x) over a path of optical length m.
double slab(double m) { return -std::expm1(-m) / m; }

TEST(ExactDividedDifference, MatchesClosedFormsAcrossTheSeriesThreshold) {
  auto check = [](std::vector<double> nodes, double expected, double rel) {
    SCOPED_TRACE(testing::Message() << nodes[0] << " .. " << nodes.back());
    EXPECT_NEAR(expDividedDifference(nodes), expected, rel * std::fabs(expected));
  };
  // Coincident nodes: exp(a) / n!.
  check({-3.0, -3.0, -3.0, -3.0}, std::exp(-3.0) / 6.0, 1e-15);
  check({2.0, 2.0, 2.0, 2.0, 2.0}, std::exp(2.0) / 24.0, 1e-15);
  // Two nodes: (e^b - e^a) / (b - a), written with expm1 so it is exact.
  for (double h : {1e-12, 1e-6, 0.3, 0.999, 1.001, 4.0, 40.0})
    check({-1.0, -1.0 + h}, std::exp(-1.0) * std::expm1(h) / h, 2e-15);
  // Well separated nodes: the Lagrange form sum e^a_i / prod (a_i - a_j).
  const auto lagrange = [](std::vector<double> a) {
    double s = 0.0;
    for (std::size_t i = 0; i < a.size(); ++i) {
      double p = 1.0;
      for (std::size_t j = 0; j < a.size(); ++j)
        if (j != i) p *= a[i] - a[j];
      s += std::exp(a[i]) / p;
    }
    return s;
  };
  check({0.0, -3.0, -7.5, -12.0}, lagrange({0.0, -3.0, -7.5, -12.0}), 1e-13);
  check({-40.0, -2.0, -5.0, -20.0, -11.0}, lagrange({-40.0, -2.0, -5.0, -20.0, -11.0}), 1e-12);
  // A cluster of three close nodes beside a distant one, and its limit.
  const double e3 = expDividedDifference(std::vector<double>{-9.0, -1.0, -1.0, -1.0});
  // exp[-9, -1, -1, -1] = (e^-1/2 - exp[-9, -1, -1]) / 8, exp[-9,-1,-1] = (e^-1 - exp[-9,-1]) / 8.
  const double e91 = (std::exp(-1.0) - std::exp(-9.0)) / 8.0;
  check({-9.0, -1.0, -1.0 + 1e-9, -1.0 - 1e-9}, (std::exp(-1.0) / 2.0 - (std::exp(-1.0) - e91) / 8.0) / 8.0, 1e-13);
  EXPECT_NEAR(e3, (std::exp(-1.0) / 2.0 - (std::exp(-1.0) - e91) / 8.0) / 8.0, 1e-15);
  // Continuity where the series gives way to the table (spread 2).
  const double below = expDividedDifference(std::vector<double>{0.0, 0.1, 1.3, 1.9999999});
  const double above = expDividedDifference(std::vector<double>{0.0, 0.1, 1.3, 2.0000001});
  EXPECT_NEAR(below, above, 1e-7 * below);
}

TEST(ExactDividedDifference, InlineExponentialWithinTwoUnitsInTheLastPlace) {
  // Across the range the integrals use, against the library's exp, with
  // the ends: 0 below -708, infinity above 709, NaN kept.
  std::mt19937 rng(5);
  std::uniform_real_distribution<double> x(-708.0, 709.0), small(-1.0, 1.0);
  for (int i = 0; i < 200000; ++i) {
    const double a = i % 2 ? x(rng) : small(rng);
    const double expected = std::exp(a);
    ASSERT_NEAR(quickExp(a), expected, 2.0 * (std::nextafter(expected, 1e308) - expected)) << a;
  }
  EXPECT_EQ(quickExp(0.0), 1.0);
  EXPECT_EQ(quickExp(-709.0), 0.0);
  EXPECT_TRUE(std::isinf(quickExp(710.0)));
  EXPECT_TRUE(std::isnan(quickExp(std::nan(""))));
}

// The eight-lane clips and moments against one corner at a time, bit for
// bit: convex polygons of 3 to 8 corners, lines through and near corners,
// paths whose neighbouring corners differ by about the series threshold of
// the exponential's mean, and exponents down past underflow.
TEST(ExactPolygon, EightLanesGiveTheSameBitsAsOneCornerAtATime) {
  if (!eight_lanes::available()) GTEST_SKIP() << "the processor has no AVX-512";
  std::mt19937_64 rng(17);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  const auto same = [](double a, double b) { return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b); };
  int cuts = 0, series = 0;
  for (int trial = 0; trial < 20000; ++trial) {
    SCOPED_TRACE(trial);
    FlatPolygon p{}, a{}, b{};
    p.count = 3 + trial % 6;
    std::array<double, 8> angle;
    for (int k = 0; k < p.count; ++k) angle[k] = 6.283185307179586 * unit(rng);
    std::sort(angle.begin(), angle.begin() + p.count);
    const double scale = std::pow(10.0, 4.0 * unit(rng) - 1.0);
    double mu = std::pow(10.0, 5.0 * unit(rng) - 4.0) / scale * (trial % 50 == 0 ? 1e3 : 1.0);
    // A third of the paths rise across the polygon by 0.3 to 3 optical
    // lengths, so that short or level edges take the series.
    const bool rising = trial % 3 == 0;
    const double turnPath = 6.283185307179586 * unit(rng), rise = (0.3 + 2.7 * unit(rng)) / (2.0 * scale);
    if (rising) mu = 1.0;
    for (int k = 0; k < p.count; ++k) {
      p.x[k] = scale * (1.0 + std::cos(angle[k]));
      p.y[k] = scale * (2.0 + std::sin(angle[k]));
      p.value[k] = rising ? rise * (std::cos(turnPath) * p.x[k] + std::sin(turnPath) * p.y[k]) + 1e-3 * unit(rng)
                          : scale * unit(rng);
    }
    for (int k = 0; k < p.count; ++k)
      if (rising && std::fabs(p.value[k] - p.value[(k + 1) % p.count]) < 0.05) {
        ++series;
        break;
      }
    const double turn = 6.283185307179586 * unit(rng);
    const int through = trial % p.count;
    FlatLine line{std::cos(turn), std::sin(turn), 0.0};
    line.c = -(line.a * p.x[through] + line.b * p.y[through]) + (trial % 4 == 0 ? 0.0 : scale * (unit(rng) - 0.5));
    const double eps = 1e-10 * scale;
    const auto samePolygon = [&](const FlatPolygon& one, const FlatPolygon& other) {
      ASSERT_EQ(one.count, other.count);
      for (int k = 0; k < one.count; ++k)
        ASSERT_TRUE(same(one.x[k], other.x[k]) && same(one.y[k], other.y[k]) && same(one.value[k], other.value[k]))
            << k;
    };
    const Cut one = one_by_one::clipFlat(p, line, eps, a);
    ASSERT_EQ(clipFlatByAll(p, &line, 1, eps, b), one);
    if (one == Cut::Cut) {
      ++cuts;
      samePolygon(a, b);
    }
    // Up to four lines in turn, the corners kept in registers between them
    // (and past eight corners, in memory).
    std::array<FlatLine, 4> lines{line};
    const int lineCount = 1 + trial % 4;
    for (int k = 1; k < lineCount; ++k) {
      const double t = 6.283185307179586 * unit(rng);
      lines[k] = {std::cos(t), std::sin(t), 0.0};
      lines[k].c = -(lines[k].a * p.x[0] + lines[k].b * p.y[0]) + scale * (unit(rng) - 0.2);
    }
    FlatPolygon chain[2] = {p, p};
    const FlatPolygon* current = &p;
    Cut oneByOne = Cut::Unchanged;
    for (int k = 0; k < lineCount && oneByOne != Cut::Empty; ++k) {
      FlatPolygon& target = current == &chain[0] ? chain[1] : chain[0];
      const Cut c = one_by_one::clipFlat(*current, lines[k], eps, target);
      if (c == Cut::Empty) oneByOne = Cut::Empty;
      if (c == Cut::Cut) {
        current = &target;
        oneByOne = Cut::Cut;
      }
    }
    ASSERT_EQ(clipFlatByAll(p, lines.data(), lineCount, eps, b), oneByOne);
    if (oneByOne == Cut::Cut) samePolygon(*current, b);
    const FlatLinear added = rising ? FlatLinear{0.0, 0.0, unit(rng)} : FlatLinear{0.3 * unit(rng), -0.2 * unit(rng), scale * unit(rng)};
    const double gx = rising ? rise * std::cos(turnPath) : unit(rng) - 0.5, gy = rising ? rise * std::sin(turnPath) : unit(rng) - 0.5;
    const BoundedMoments m1 = flatPathMoments(p, added, gx, gy, mu, false);
    const BoundedMoments m8 = flatPathMoments(p, added, gx, gy, mu, true);
    ASSERT_TRUE(same(m1.value.transmitted, m8.value.transmitted) && same(m1.value.pathWeighted, m8.value.pathWeighted) &&
                same(m1.bound.transmitted, m8.bound.transmitted) && same(m1.bound.pathWeighted, m8.bound.pathWeighted))
        << m1.value.transmitted << " " << m8.value.transmitted;
  }
  EXPECT_GT(cuts, 5000);
  EXPECT_GT(series, 1000);
}

struct BoxCase {
  V3 u, v;
  double expected;          // TXTAL
  double expectedMeanPath;  // -SUMTP / TXTAL
};

TEST(ExactCrystal, BoxWithBeamsAlongItsAxes) {
  // Box 100 x 60 x 40 microns off the origin, mu = 0.01 per micron.
  const auto crystal = test::crystalOf(test::boxPlanes(100, 60, 40, {7, -3, 11}));
  ASSERT_NEAR(crystal.volume, 240000.0, 1e-9);
  const double mu = 0.01, a = 100, b = 60;
  PieceCutter cutter;
  // Mean of t exp(-mu t) / mean exp(-mu t) for t uniform on [0, L]:
  // 1/mu - L e^{-mu L} / (1 - e^{-mu L}).
  const auto slabMean = [&](double L) { return 1.0 / mu - L * std::exp(-mu * L) / -std::expm1(-mu * L); };
  const BoxCase cases[] = {
      // 2theta = 0: every point has the path through the box, exp(-mu a).
      {{-1, 0, 0}, {1, 0, 0}, std::exp(-mu * a), a},
      // 2theta = 180 along a face normal: t = 2x, (1 - exp(-2 mu a)) / (2 mu a).
      {{1, 0, 0}, {1, 0, 0}, slab(2 * mu * a), 2 * slabMean(2 * a) / 2},
      // Beams at right angles: independent slabs.
      {{-1, 0, 0}, {0, 1, 0}, slab(mu * a) * slab(mu * b), slabMean(a) + slabMean(b)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.u.x << c.u.y << c.u.z << " / " << c.v.x << c.v.y << c.v.z);
    const PathMoments m = crystalPathMoments(crystal, c.u, c.v, mu, cutter);
    EXPECT_NEAR(m.transmitted / crystal.volume, c.expected, 1e-13);
    EXPECT_NEAR(m.pathWeighted / m.transmitted, c.expectedMeanPath, 1e-10);
  }
}

TEST(ExactCrystal, TiltedSlabWithSidesAlongTheBeams) {
  // A slab whose side faces run along both beams: from a point
  // o + s e1 + b u + c v the reversed incident beam leaves through the face
  // b = Lb and the diffracted beam through c = Lc, so the transmission is
  // slab(mu Lb) slab(mu Lc) whatever the tilt, and the volume is the triple
  // product of the edges.
  const V3 u = unitVector(0.3, -0.8, 0.2), v = unitVector(-0.5, 0.4, 0.7);
  const V3 e1{150, 20, -30};
  const double Lb = 35, Lc = 80;
  const auto crystal = test::crystalOf(test::parallelepipedPlanes({-20, 5, 9}, e1, Lb * u, Lc * v));
  EXPECT_NEAR(crystal.volume, std::fabs(tripleProduct({}, e1, Lb * u, Lc * v)), 1e-9 * crystal.volume);
  PieceCutter cutter;
  for (double mu : {0.0, 1e-13, 0.003, 0.02, 0.1}) {
    SCOPED_TRACE(mu);
    const PathMoments m = crystalPathMoments(crystal, u, v, mu, cutter);
    const double t = mu == 0 ? 1.0 : slab(mu * Lb) * slab(mu * Lc);
    EXPECT_NEAR(m.transmitted / crystal.volume, t, 1e-13);
    if (mu < 1e-10) {
      // mu -> 0: the path-weighted integral is the volume times the mean path.
      EXPECT_NEAR(m.pathWeighted / crystal.volume, (Lb + Lc) / 2, 1e-9);
    }
  }
}

TEST(ExactCrystal, PiecesFillTheCrystal) {
  // The pieces of fixed exit faces tile the crystal for any beams.
  std::mt19937 rng(17);
  PieceCutter cutter;
  for (int trial = 0; trial < 20; ++trial) {
    const auto crystal = test::crystalOf(test::randomCrystalPlanes(rng, 6 + trial % 10));
    const V3 u = test::randomDirection(rng), v = test::randomDirection(rng);
    double volume = 0.0;
    int pieces = 0;
    cutter.forEachPiece(crystal, u, v, [&](const Piece& p) {
      volume += polyhedronVolume(p.body);
      ++pieces;
      // Both exits are faces the beams leave through: paths are non-negative.
      for (const V3& corner : p.body.vertices) {
        EXPECT_GT(p.incident.path(corner), -1e-6);
        EXPECT_GT(p.diffracted.path(corner), -1e-6);
      }
    });
    EXPECT_NEAR(volume, crystal.volume, 1e-11 * crystal.volume) << "trial " << trial << ", " << pieces << " pieces";
  }
}

TEST(ExactCrystal, SurfacesOfTheRegionsAgreeWithThePieces) {
  // The crystal's integrals from the regions' surfaces against the same from
  // solid pieces, over random crystals and beams (some along faces) with
  // mu x size from 0.001 to 20, and over the beams where a region's path does not change along
  // the diffracted beam: 2-theta = 0, and faces parallel to the scattering
  // vector. Those regions, regions of small mu x size, and every region at
  // mu = 0 go piece by piece.
  std::mt19937 rng(99);
  std::uniform_real_distribution<double> logMu(std::log(1e-5), std::log(0.2));
  PieceCutter cutter;
  const auto agree = [&](const ExactCrystal& crystal, V3 u, V3 v, double mu) {
    int byPieces = 0;
    const PathMoments surface = crystalPathMoments(crystal, u, v, mu, cutter, &byPieces);
    const PathMoments pieces = piecewisePathMoments(crystal, u, v, mu, cutter);
    EXPECT_NEAR(surface.transmitted, pieces.transmitted, 1e-10 * pieces.transmitted) << "mu " << mu;
    EXPECT_NEAR(surface.pathWeighted, pieces.pathWeighted, 1e-10 * pieces.pathWeighted) << "mu " << mu;
    return byPieces;
  };
  int absorbing = 0, absorbingByPieces = 0;
  for (int trial = 0; trial < 400; ++trial) {
    const auto planes = test::randomCrystalPlanes(rng, 5 + trial % 16);
    const auto crystal = test::crystalOf(planes);
    V3 u = test::randomDirection(rng), v = test::randomDirection(rng);
    if (trial % 4 == 0) {
      // Beams along faces: shadows of no width.
      const auto along = [](V3 w, V3 n) { return (1.0 / norm(w - dot(w, n) * n)) * (w - dot(w, n) * n); };
      u = along(u, planes[0].n);
      v = along(v, planes[1].n);
    }
    const double mu = std::exp(logMu(rng));
    const int byPieces = agree(crystal, u, v, mu);
    // From mu = 2 per mm (mu x size about 0.1 and up) the surfaces serve.
    if (mu >= 2e-3) {
      ++absorbing;
      absorbingByPieces += byPieces > 0;
    }
  }
  EXPECT_LE(absorbingByPieces, absorbing / 20);

  const auto box = test::crystalOf(test::boxPlanes(100.0, 60.0, 40.0));
  const V3 u = unitVector(0.3, -0.5, 0.8);
  EXPECT_EQ(agree(box, u, -1.0 * u, 0.01), 3);  // 2-theta = 0: each exit face's region
  // u + v perpendicular to the x faces: the region of the one u leaves by.
  EXPECT_EQ(agree(box, unitVector(0.6, 0.48, 0.64), unitVector(-0.6, 0.48, 0.64), 0.02), 1);
  EXPECT_EQ(agree(box, unitVector(0.6, 0.48, 0.64), unitVector(-0.5, 0.5, 0.7), 0.0), -1);
  // A prism on a 50-gon: its end faces have more corners than a surface
  // polygon holds, so the whole crystal goes piece by piece.
  std::vector<Plane> prism{{{0, 0, 1}, 30.0}, {{0, 0, -1}, 30.0}};
  for (int k = 0; k < 50; ++k) {
    const double a = 2.0 * 3.141592653589793 * k / 50;
    prism.push_back({{-std::cos(a), -std::sin(a), 0.0}, 40.0});
  }
  EXPECT_EQ(agree(test::crystalOf(prism), unitVector(0.3, 0.2, 0.9), unitVector(-0.4, 0.8, 0.1), 0.01), -1);
}

TEST(ExactSphere, PublishedAbsorptionFactorsAndSeries) {
  // A* = 1 / transmission of a sphere, as tabulated for mu R = 1 and 5 at
  // theta = 0 and 90 degrees.
  struct Case {
    double muR, twoTheta, aStar, digits;
  };
  for (const Case c : {Case{1, 0, 4.1238, 1e-4}, Case{1, 180, 3.0083, 1e-4}, Case{5, 0, 167.13, 1e-2},
                       Case{5, 180, 13.400, 1e-3}}) {
    SCOPED_TRACE(testing::Message() << "mu R " << c.muR << ", 2theta " << c.twoTheta);
    EXPECT_NEAR(1.0 / sphereMoments(50.0, c.muR / 50.0, c.twoTheta).transmitted, c.aStar, c.digits);
  }
  // At 2theta = 0 both paths make the chord through the point; with mu = 0
  // the mean path is the volume-weighted mean chord, 3R/2.
  EXPECT_NEAR(sphereMoments(50.0, 0.0, 0.0).pathWeighted, 75.0, 1e-8);
  // The series in 2theta gives the direct integral at any angle.
  const SphereSeries series = sphereSeries(40.0, 0.08, 1e-9);
  for (double twoTheta : {3.7, 61.0, 129.9, 178.2}) {
    SCOPED_TRACE(twoTheta);
    const SphereMoments direct = sphereMoments(40.0, 0.08, twoTheta), fromSeries = series.at(twoTheta);
    EXPECT_NEAR(fromSeries.transmitted, direct.transmitted, 1e-9 * direct.transmitted);
    EXPECT_NEAR(fromSeries.pathWeighted, direct.pathWeighted, 1e-9 * direct.pathWeighted);
  }
}

// ---- Brute-force reference ------------------------------------------------
//
// The crystal is cut by every plane on which two faces give a beam the same
// path, so on each cell of that arrangement the exit faces are fixed and the
// integrand is smooth; each cell is integrated by a 10 x 10 x 10 Gauss rule
// on the tetrahedra of a fan (collapsed onto the cube), with the paths found
// point by point as the nearest face ahead along each beam.

double pathToSurface(const std::vector<Plane>& planes, V3 p, V3 w) {
  double t = 1e300;
  for (const Plane& f : planes) {
    const double c = -dot(f.n, w);
    if (c > 1e-12) t = std::min(t, f.at(p) / c);
  }
  return t;
}

PathMoments bruteForce(const std::vector<Plane>& planes, V3 u, V3 v, double mu) {
  std::vector<ConvexPolyhedron> cells{test::crystalOf(planes, 500.0).body};
  PlaneCutter cutter;
  for (V3 w : {u, v}) {
    for (std::size_t f = 0; f < planes.size(); ++f) {
      for (std::size_t g = f + 1; g < planes.size(); ++g) {
        const double cf = -dot(planes[f].n, w), cg = -dot(planes[g].n, w);
        if (cf <= 1e-12 || cg <= 1e-12) continue;
        V3 n = (1.0 / cf) * planes[f].n - (1.0 / cg) * planes[g].n;
        double d = planes[f].d / cf - planes[g].d / cg;
        const double len = norm(n);
        if (len < 1e-12) continue;
        const Plane cut{(1.0 / len) * n, d / len};
        const Plane other{-1.0 * cut.n, -cut.d};
        std::vector<ConvexPolyhedron> next;
        for (const auto& cell : cells) {
          for (const Plane& side : {cut, other}) {
            ConvexPolyhedron part;
            const Cut c = cutter.cut(cell, side, 1e-9, part);
            if (c != Cut::Empty) next.push_back(c == Cut::Cut ? part : cell);
          }
        }
        cells.swap(next);
      }
    }
  }
  // 10-point Gauss-Legendre rule on [0, 1].
  const auto rule = korvex::test::legendreRule(10);
  std::array<double, 10> gx{}, gw{};
  for (int i = 0; i < 10; ++i) {
    gx[i] = (1.0 + rule.x[i]) / 2;
    gw[i] = rule.w[i] / 2;
  }
  PathMoments sum;
  for (const auto& cell : cells) {
    forEachTetrahedron(cell, [&](V3 a, V3 b, V3 c, V3 d, double volume) {
      for (int i = 0; i < 10; ++i)
        for (int j = 0; j < 10; ++j)
          for (int k = 0; k < 10; ++k) {
            // Collapsed coordinates: weight 6 V (1 - s)^2 (1 - r) ds dr dq.
            const double s = gx[i], r = gx[j], q = gx[k];
            const double l1 = s, l2 = (1 - s) * r, l3 = (1 - s) * (1 - r) * q;
            const V3 p = a + l1 * (b - a) + l2 * (c - a) + l3 * (d - a);
            const double w = 6 * volume * gw[i] * gw[j] * gw[k] * (1 - s) * (1 - s) * (1 - r);
            const double t = pathToSurface(planes, p, u) + pathToSurface(planes, p, v);
            const double e = std::exp(-mu * t) * w;
            sum.transmitted += e;
            sum.pathWeighted += t * e;
          }
    });
  }
  return sum;
}

TEST(ExactCrystal, AgreesWithBruteForceOnRandomCrystalsAndBeams) {
  std::mt19937 rng(2026);
  std::uniform_real_distribution<double> muOf(0.002, 0.05);
  PieceCutter cutter;
  for (int trial = 0; trial < 6; ++trial) {
    const auto planes = test::randomCrystalPlanes(rng, 7 + trial);
    const V3 u = test::randomDirection(rng), v = test::randomDirection(rng);
    const double mu = muOf(rng);
    const auto crystal = test::crystalOf(planes, 500.0);
    const PathMoments exact = crystalPathMoments(crystal, u, v, mu, cutter);
    const PathMoments reference = bruteForce(planes, u, v, mu);
    SCOPED_TRACE(testing::Message() << "trial " << trial << ", mu " << mu);
    EXPECT_NEAR(exact.transmitted, reference.transmitted, 1e-9 * reference.transmitted);
    EXPECT_NEAR(exact.pathWeighted, reference.pathWeighted, 1e-9 * reference.pathWeighted);
  }
}

}  // namespace
}  // namespace korvex::exact
