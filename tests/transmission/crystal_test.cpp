// Gaussian integration over a polyhedral crystal and over a crystal that
// fills the gasket hole, checked against analytic transmissions.
#include <gtest/gtest.h>

#include <cmath>

#include "support/test_support.hpp"
#include "transmission/crystal.hpp"
#include "transmission/transmission_support.hpp"

namespace korvex {
namespace {

struct CubeRun : test::TestRun {
  explicit CubeRun(double edge = 100.0, int n = 8, Vec3 centre = {0, 0, 0}) {
    test::buildBox(run.exp, edge, edge, edge, n, centre);
    run.exp.MODELTYPE = 1;
    run.exp.CRYSABS = 1;
  }
  void beams(Vec3 dci, Vec3 dcd) {
    ReflectionTransmission out;
    korvex(run.exp, {dci, dcd, 0.0f}, out);
    tr = out.factors;
    messages = out.messages;
  }
  TransmissionState tr;
  std::vector<TransmissionMessage> messages;
};

// (1 - exp(-m)) / m, the mean of exp(-mu x) over a path of optical length m.
double slab(double m) { return (1.0 - std::exp(-m)) / m; }

TEST(TransmissionCrystal, CubeWithBeamsAlongItsAxes) {
  // Cube of edge a = 100 microns, mu a = 1. Each path is the sum of the
  // distances to two faces, so the transmission factorises into slabs:
  //   beams at right angles: slab(1)^2; antiparallel: exp(-1);
  //   back reflection along one axis: slab(2).
  // Reference: these closed forms; the 8-point rule integrates them to ~1e-7.
  CubeRun c;
  c.run.exp.ABSCO = 0.01f;
  auto check = [&](Vec3 dci, Vec3 dcd, double expected, double expectedSumtp) {
    SCOPED_TRACE(testing::Message() << dci[0] << dci[1] << dci[2] << " / " << dcd[0] << dcd[1] << dcd[2]);
    c.beams(dci, dcd);
    EXPECT_NEAR(c.tr.TXTAL, expected, 2e-6);
    EXPECT_NEAR(c.tr.TRANS, expected, 2e-6);
    EXPECT_NEAR(c.tr.SUMTP, expectedSumtp, 2e-4);
  };
  const double s1 = slab(1.0);
  // Mean of t exp(-mu t) for t = u + v, u and v uniform on [0, a] independently:
  // 2 a s1 m1 with m1 = mean of (x/a) exp(-x/a) on [0,1] = 1 - 2/e.
  const double m1 = 1.0 - 2.0 / std::exp(1.0);
  check({0, -1, 0}, {1, 0, 0}, s1 * s1, -2.0 * 100.0 * s1 * m1);
  check({0, -1, 0}, {-1, 0, 0}, s1 * s1, -2.0 * 100.0 * s1 * m1);  // mirrored
  check({0, 0, 1}, {0, 1, 0}, s1 * s1, -2.0 * 100.0 * s1 * m1);
  check({0, -1, 0}, {0, 1, 0}, std::exp(-1.0), -100.0 * std::exp(-1.0));
  // Back reflection: t = 2u, mean of 2u exp(-2u/a) = a * (1 - 3 e^-2) / 2.
  check({0, -1, 0}, {0, -1, 0}, slab(2.0), -100.0 * (1.0 - 3.0 * std::exp(-2.0)) / 2.0);
}

TEST(TransmissionCrystal, TiltedBeamsAgreeWithDirectPathsOnTheSameGrid) {
  // Paths to the surface of the box found by the slab method in double
  // precision, summed over the same points and weights.
  CubeRun c(80.0, 8, {5.0f, 60.0f, -3.0f});
  auto& e = c.run.exp;
  e.ABSCO = 0.012f;
  const Vec3 dci = test::unit(0.3, -0.8, 0.5), dcd = test::unit(-0.6, 0.2, 0.7);
  c.beams(dci, dcd);
  auto toSurface = [&](double x, double y, double z, const Vec3& u) {
    const double p[3] = {x - 5.0, y - 60.0, z + 3.0};
    double best = 1e30;
    for (int a = 0; a < 3; ++a) {
      if (u[a] == 0.0f) continue;
      const double face = u[a] > 0 ? 40.0 : -40.0;
      best = std::min(best, (face - p[a]) / u[a]);
    }
    return best;
  };
  double sum = 0.0, sumt = 0.0;
  for (int i = 0; i < 8; ++i)
    for (int j = 0; j < 8; ++j)
      for (int k = 0; k < 8; ++k) {
        const double x = e.XG[i], y = e.YG[i][j], z = e.ZG[i][j][k];
        const double t = toSurface(x, y, z, dci) + toSurface(x, y, z, dcd);
        const double w = static_cast<double>(e.WX[i]) * e.WY[i][j] * e.WZ[i][j][k];
        sum += w * std::exp(-e.ABSCO * t);
        sumt += t * w * std::exp(-e.ABSCO * t);
      }
  EXPECT_NEAR(c.tr.TXTAL, sum / e.VOLUME, 1e-5 * sum / e.VOLUME);
  EXPECT_NEAR(c.tr.SUMTP, -sumt / e.VOLUME, 1e-4 * sumt / e.VOLUME);
}

TEST(TransmissionCrystal, NoAbsorption) {
  // mu = 0: every transmission is 1 and SUMTP is minus the mean total path,
  // here a/2 + a/2 for beams at right angles through a cube of edge 100.
  CubeRun c;
  c.run.exp.ABSCO = 0.0f;
  c.beams({0, -1, 0}, {1, 0, 0});
  EXPECT_NEAR(c.tr.TXTAL, 1.0f, 2e-6f);
  EXPECT_NEAR(c.tr.TRANS, 1.0f, 2e-6f);
  EXPECT_NEAR(c.tr.SUMTP, -100.0f, 2e-4f);

  // The crystal not corrected for at all: fixed values, all weights count.
  c.run.exp.CRYSABS = 0;
  c.run.exp.ABSCO = 0.0f;
  c.beams({0, -1, 0}, {1, 0, 0});
  EXPECT_EQ(c.tr.TXTAL, 1.0f);
  EXPECT_EQ(c.tr.SUMTP, 1.0f);
  EXPECT_NEAR(c.tr.TRANS, 1.0f, 2e-6f);
}

TEST(TransmissionCrystal, GasketAndMediumFactorsByCell) {
  // In air the gasket and medium sums are left alone (nothing was summed).
  CubeRun air;
  air.run.exp.ABSCO = 0.01f;
  air.beams({0, -1, 0}, {0, 1, 0});
  EXPECT_EQ(air.tr.TGAS, 0.0f);
  EXPECT_EQ(air.tr.TMED, 0.0f);

  // In a cell with a gasket that shadows no corner: TGAS exactly 1, and
  // the medium factor from the way between the culets outside the crystal:
  // with axial beams 140 - 60 = 80 microns everywhere.
  CubeRun c(60.0, 4, {0.0f, 70.0f, 0.0f});
  auto& e = c.run.exp;
  e.ABSCO = 0.01f;
  e.DACTYPE = 1;
  e.GASKGIVEN = 1;
  e.GASKETT = 140.0f;
  e.GASKETR = 200.0f;
  e.GASKETMU = 0.05f;
  e.MEDIAABS = 1;
  e.MUMEDIA = 0.002f;
  c.beams({0, -1, 0}, {0, 1, 0});
  EXPECT_EQ(c.tr.TGAS, 1.0f);
  EXPECT_NEAR(c.tr.TMED, std::exp(-0.002 * 80.0), 1e-6);
  EXPECT_NEAR(c.tr.TRANS, std::exp(-0.6) * std::exp(-0.002 * 80.0), 1e-6);
  EXPECT_TRUE(c.messages.empty());

  // No medium card: TMED is 1 in a cell.
  e.MEDIAABS = 0;
  c.beams({0, -1, 0}, {0, 1, 0});
  EXPECT_EQ(c.tr.TMED, 1.0f);
}

TEST(TransmissionCrystal, OpaqueGasketIlluminatedFraction) {
  // Box 60 x 60 x 60 centred at y = 50 in a 100-micron gasket with a hole of
  // radius 80. The reversed incident beam at 45 degrees towards +x leaves
  // the crystal's point (x, y, z) through the culet y = 0 at (x + y, z): the
  // point is lit where (x + y)^2 + z^2 <= 80^2. Reference: that volume
  // fraction by a fine midpoint rule; tolerance 1 % at level 5 (the lit
  // region's edge cuts through the grid).
  CubeRun c(60.0, 32, {0.0f, 50.0f, 0.0f});
  auto& e = c.run.exp;
  e.ABSCO = 0.0f;
  e.DACTYPE = 1;
  e.GASKGIVEN = 1;
  e.GASKETT = 100.0f;
  e.GASKETR = 80.0f;
  e.GASKOPAQUE = 1;
  c.beams(test::unit(1, -1, 0), {0, 1, 0});
  double lit = 0.0;
  const int m = 400;
  for (int i = 0; i < m; ++i)
    for (int k = 0; k < m; ++k) {
      const double x = -30.0 + 60.0 * (i + 0.5) / m, z = -30.0 + 60.0 * (k + 0.5) / m;
      for (int j = 0; j < m; ++j) {
        const double y = 20.0 + 60.0 * (j + 0.5) / m;
        if ((x + y) * (x + y) + z * z <= 6400.0) lit += 1.0;
      }
    }
  lit /= static_cast<double>(m) * m * m;
  ASSERT_GT(lit, 0.5);
  ASSERT_LT(lit, 0.95);
  EXPECT_NEAR(c.tr.TGAS, lit, 0.01 * lit);
  EXPECT_NEAR(c.tr.TRANS, c.tr.TGAS, 1e-5);  // nothing else absorbs
}

TEST(TransmissionCrystal, RefusesAGridThatWasNotBuilt) {
  test::TestRun t;
  t.run.exp.MODELTYPE = 1;
  ReflectionTransmission out;
  EXPECT_FATAL(korvex(t.run.exp, {}, out), "INTEGRATION GRID NOT BUILT FOR THE CRYSTAL MODEL");
  EXPECT_FATAL(korvexFillg(t.run.exp, {}, out), "INTEGRATION GRID NOT BUILT FOR THE CRYSTAL MODEL");
}

struct FilledGasketRun : test::TestRun {
  FilledGasketRun() {
    test::buildCylinder(run.exp, 50.0, 30.0, 8);
    run.exp.MODELTYPE = 5;
    run.exp.CRYSABS = 1;
    run.exp.ABSCO = 0.02f;
    run.exp.DACTYPE = 1;
    run.exp.GASKGIVEN = 1;
    run.exp.GASKETMU = 0.01f;
  }
  void beams(Vec3 dci, Vec3 dcd) {
    ReflectionTransmission out;
    korvexFillg(run.exp, {dci, dcd, 0.0f}, out);
    tr = out.factors;
  }
  TransmissionState tr;
};

TEST(TransmissionFilledGasket, AxialBeamsCrossTheWholeLayer) {
  FilledGasketRun f;
  f.beams({0, -1, 0}, {0, 1, 0});
  // Every point's two beams together cross the layer once: t = 30 microns.
  EXPECT_NEAR(f.tr.TXTAL, std::exp(-0.6), 1e-6);
  EXPECT_NEAR(f.tr.SUMTP, -30.0 * std::exp(-0.6), 1e-4);
  EXPECT_NEAR(f.tr.TGAS, 1.0, 1e-6);
  EXPECT_NEAR(f.tr.TRANS, std::exp(-0.6), 1e-6);
  EXPECT_EQ(f.tr.TMED, 1.0f);

  f.run.exp.CRYSABS = 0;
  f.beams({0, -1, 0}, {0, 1, 0});
  EXPECT_EQ(f.tr.TXTAL, 1.0f);
  EXPECT_EQ(f.tr.SUMTP, 1.0f);
  EXPECT_NEAR(f.tr.TRANS, 1.0, 1e-6);
}

TEST(TransmissionFilledGasket, GrazingBeamsGetNothing) {
  FilledGasketRun f;
  f.beams(test::unit(1, -0.1, 0), {0, 1, 0});
  EXPECT_EQ(f.tr.TRANS, 0.0f);
  EXPECT_EQ(f.tr.TGAS, 0.0f);
  EXPECT_EQ(f.tr.TMED, 1.0f);
}

TEST(TransmissionFilledGasket, OpaqueGasketKeepsTheCrystalOnlyPath) {
  // Tilted incident beam: the points near -x, the first visited, are
  // shadowed. Their crystal path is the whole way to the culets,
  // y/|DCI(2)| + (T - y)/|DCD(2)|.
  FilledGasketRun f;
  auto& e = f.run.exp;
  e.GASKOPAQUE = 1;
  const Vec3 dci = test::unit(-1, -1, 0);
  f.beams(dci, {0, 1, 0});
  double sum = 0.0, lit = 0.0;
  for (int i = 0; i < 8; ++i)
    for (int j = 0; j < 8; ++j)
      for (int k = 0; k < 8; ++k) {
        const double x = e.XG[i], y = e.YG[i][j], z = e.ZG[i][j][k];
        const double w = static_cast<double>(e.WX[i]) * e.WY[i][j] * e.WZ[i][j][k];
        const double t = y / -dci[1] + (30.0 - y);
        sum += w * std::exp(-e.ABSCO * t);
        if ((x - y) * (x - y) + z * z <= 2500.0) lit += w;
      }
  EXPECT_NEAR(f.tr.TXTAL, sum / e.VOLUME, 1e-5);
  EXPECT_NEAR(f.tr.TGAS, lit / e.VOLUME, 1e-5);
  EXPECT_LT(f.tr.TGAS, 1.0f);
  EXPECT_LT(f.tr.TRANS, f.tr.TXTAL);
}

TEST(TransmissionFilledGasket, GasketOfTheCrystalsOwnMaterial) {
  // When the gasket absorbs like the crystal, a beam is attenuated by its
  // whole way to the culet whichever part of it runs in the gasket: TRANS is
  // the transmission over the full paths y/|DCI(2)| + (T - y)/|DCD(2)|,
  // however the stepping splits them.
  FilledGasketRun f;
  auto& e = f.run.exp;
  e.GASKETMU = e.ABSCO;
  const Vec3 dci = test::unit(-1, -1, 0.3);
  const Vec3 dcd = test::unit(0.5, 1, 0);
  f.beams(dci, dcd);
  double sum = 0.0;
  for (int i = 0; i < 8; ++i)
    for (int j = 0; j < 8; ++j)
      for (int k = 0; k < 8; ++k) {
        const double y = e.YG[i][j];
        const double w = static_cast<double>(e.WX[i]) * e.WY[i][j] * e.WZ[i][j][k];
        sum += w * std::exp(-e.ABSCO * (y / -dci[1] + (30.0 - y) / dcd[1]));
      }
  EXPECT_NEAR(f.tr.TRANS, sum / e.VOLUME, 2e-5);
  EXPECT_LT(f.tr.TGAS, 1.0f);                     // part of the crystal is shadowed
  EXPECT_GT(f.tr.TXTAL, f.tr.TRANS);       // the gasket's share is not crystal
}

}  // namespace
}  // namespace korvex
