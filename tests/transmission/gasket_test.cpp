// Gasket shadowing, the gasket's stepped path and the pressure medium.
#include <gtest/gtest.h>

#include <cmath>

#include "support/test_support.hpp"
#include "transmission/gasket.hpp"
#include "transmission/transmission_support.hpp"

namespace korvex {
namespace {

struct GasketRun : test::TestRun {
  GasketRun(float thickness, float radius) {
    run.exp.DACTYPE = 1;
    run.exp.GASKGIVEN = 1;
    run.exp.GASKETT = thickness;
    run.exp.GASKETR = radius;
    axial();
  }
  void axial() {
    beams.DCI = {0.0f, -1.0f, 0.0f};
    beams.DCD = {0.0f, 1.0f, 0.0f};
  }
  CuletExits shadow(const Vec3& p) const { return ishadow(run.exp, beams, p); }
  int code(const Vec3& p) const { return shadow(p).code; }
  GasketPaths gasket(const Vec3& p) const { return gasketAbs(run.exp, beams, p); }
  float medium(const Vec3& p, float t, const GasketPaths& paths = {}) {
    return absMedia(run.exp, beams, p, t, paths, messages);
  }
  ReflectionBeams beams;
  std::vector<TransmissionMessage> messages;
};

TEST(TransmissionGasket, ShadowCodes) {
  GasketRun g(100.0f, 150.0f);

  // Beams along the load axis: the way to the culets is y and T - y.
  for (float y : {0.0f, 30.0f, 100.0f}) {
    SCOPED_TRACE(y);
    const CuletExits s = g.shadow({20.0f, y, -40.0f});
    EXPECT_EQ(s.code, kShadowNone);
    EXPECT_FLOAT_EQ(s.PLANEI, y);
    EXPECT_FLOAT_EQ(s.PLANED, 100.0f - y);
  }
  // A point outside the hole is shadowed for both axial beams.
  EXPECT_EQ(g.code({160.0f, 50.0f, 0.0f}), kShadowBoth);

  // Tilted beams from a point at the hole's edge: the one heading outwards
  // crosses the gasket.
  g.beams.DCI = test::unit(1, -1, 0);  // towards +x, to the incident-beam culet
  g.beams.DCD = test::unit(-1, 1, 0);
  EXPECT_EQ(g.code({140.0f, 50.0f, 0.0f}), kShadowIncident);
  EXPECT_EQ(g.code({-140.0f, 50.0f, 0.0f}), kShadowDiffracted);
  g.beams.DCD = test::unit(0, 1, 1);
  EXPECT_EQ(g.code({140.0f, 50.0f, 140.0f}), kShadowBoth);
  // Pointing back up the axis the reversed incident beam leaves through the
  // far culet.
  g.beams.DCI = {0.0f, 1.0f, 0.0f};
  EXPECT_EQ(g.code({0.0f, 30.0f, 0.0f}), kShadowNone);
  EXPECT_FLOAT_EQ(g.shadow({0.0f, 30.0f, 0.0f}).PLANEI, 70.0f);

  // Beams within about 10 degrees of the culets: |DCI(2)| or |DCD(2)| below 0.174.
  g.axial();
  g.beams.DCI = test::unit(std::sqrt(1 - 0.17 * 0.17), -0.17, 0);
  EXPECT_EQ(g.code({0.0f, 50.0f, 0.0f}), kShadowGrazing);
  g.axial();
  g.beams.DCD = test::unit(0, 0.17, std::sqrt(1 - 0.17 * 0.17));
  EXPECT_EQ(g.code({0.0f, 50.0f, 0.0f}), kShadowGrazing);
  g.beams.DCD = test::unit(0, 0.18, std::sqrt(1 - 0.18 * 0.18));
  EXPECT_NE(g.code({0.0f, 50.0f, 0.0f}), kShadowGrazing);
}

TEST(TransmissionGasket, ExitPointOnTheHoleCircle) {
  // From (0, 8, 0) along (0.6, -0.8, 0) the beam meets y = 0 at x = 6.
  GasketRun g(20.0f, 6.0f);
  g.beams.DCI = {0.6f, -0.8f, 0.0f};
  EXPECT_EQ(g.code({0.0f, 8.0f, 0.0f}), kShadowNone);
  EXPECT_NEAR(g.shadow({0.0f, 8.0f, 0.0f}).PLANEI, 10.0f, 1e-5f);
  g.run.exp.GASKETR = 5.99f;
  EXPECT_EQ(g.code({0.0f, 8.0f, 0.0f}), kShadowIncident);
}

TEST(TransmissionGasket, CheckShadowOverTheCorners) {
  GasketRun g(100.0f, 80.0f);
  auto& e = g.run.exp;
  test::buildBox(e, 60.0, 60.0, 60.0, 2, {0.0f, 50.0f, 0.0f});
  EXPECT_EQ(checkShadow(g.run.exp, g.beams), 1);  // axial beams: every corner inside the hole

  g.beams.DCI = test::unit(1, -0.5, 0);  // 63 deg off the axis towards +x
  EXPECT_EQ(checkShadow(g.run.exp, g.beams), 0);

  e.GASKETR = 20.0f;  // the box is wider than the hole
  g.axial();
  EXPECT_EQ(checkShadow(g.run.exp, g.beams), -1);
}

TEST(TransmissionGasket, SteppedPathInAnAbsorbingGasket) {
  // T = 100: the trial point moves in steps of 1 micron, so the path grows
  // in steps of 1/|DCI(2)| = 2 microns for a beam 60 degrees off the axis.
  // From (x, 50, 0) the beam (sin 60, -cos 60, 0) clears the hole (R = 100)
  // once the point is at or below y = (100 - x) / tan 60.
  GasketRun g(100.0f, 100.0f);
  g.run.exp.GASKETMU = 0.002f;
  g.beams.DCI = {std::sqrt(0.75f), -0.5f, 0.0f};
  auto check = [&](float x, float expectedPath) {
    SCOPED_TRACE(x);
    const GasketPaths p = g.gasket({x, 50.0f, 0.0f});
    EXPECT_FLOAT_EQ(p.GPATHI, expectedPath);
    EXPECT_EQ(p.GPATHD, 0.0f);
    EXPECT_FLOAT_EQ(p.G, std::exp(-0.002f * expectedPath));
  };
  for (float x : {90.0f, 92.0f, 95.0f, 99.0f, 60.0f}) {
    const double clear = (100.0 - x) / std::tan(60.0 * M_PI / 180.0);
    const double steps = 50.0 - std::floor(clear);  // down to the first whole y at or below `clear`
    check(x, static_cast<float>(2.0 * steps));
  }
  // Not shadowed: no path, no absorption.
  check(0.0f, 0.0f);

  // The diffracted beam the same way, heading for the far culet.
  g.axial();
  g.beams.DCD = {std::sqrt(0.75f), 0.5f, 0.0f};
  const GasketPaths p = g.gasket({90.0f, 50.0f, 0.0f});
  EXPECT_FLOAT_EQ(p.GPATHD, 90.0f);
  EXPECT_EQ(p.GPATHI, 0.0f);
  EXPECT_FLOAT_EQ(p.G, std::exp(-0.002f * 90.0f));
}

TEST(TransmissionGasket, PointOutsideTheHoleStopsTheRun) {
  GasketRun g(100.0f, 100.0f);
  g.run.exp.GASKETMU = 0.002f;
  g.beams.DCI = {std::sqrt(0.75f), -0.5f, 0.0f};
  EXPECT_FATAL(g.gasket({150.0f, 50.0f, 0.0f}),
               "FAULT IN GASKETABS, I-BEAM X =   150.0000   50.0000    0.0000 XTEST(2) =    -1.0000 INCR = -1");
  // The incident beam leaves inwards and clears the hole; the diffracted
  // beam never does.
  g.beams.DCI = {-std::sqrt(0.75f), -0.5f, 0.0f};
  g.beams.DCD = {std::sqrt(0.75f), 0.5f, 0.0f};
  EXPECT_EQ(g.code({150.0f, 50.0f, 0.0f}), kShadowDiffracted);
  EXPECT_FATAL(g.gasket({150.0f, 50.0f, 0.0f}),
               " ***FAULT IN GASKETABS, D-BEAM, X =   150.0000   50.0000    0.0000 XTEST(2) =   101.0000 INCR =  1");
}

TEST(TransmissionGasket, OpaqueGasket) {
  GasketRun g(100.0f, 100.0f);
  g.run.exp.GASKOPAQUE = 1;
  g.run.exp.MEDIAABS = 1;
  g.run.exp.MUMEDIA = 0.001f;
  g.beams.DCI = {std::sqrt(0.75f), -0.5f, 0.0f};

  // Shadowed: nothing gets through, and no gasket path is measured.
  const GasketPaths shadowed = g.gasket({90.0f, 50.0f, 0.0f});
  EXPECT_EQ(shadowed.G, 0.0f);
  EXPECT_EQ(shadowed.GPATHI, 0.0f);
  EXPECT_EQ(shadowed.GPATHD, 0.0f);
  EXPECT_EQ(g.medium({90.0f, 50.0f, 0.0f}, 10.0f, shadowed), 0.0f);

  // Unshadowed: clear gasket, the ordinary medium factor. The way to the
  // culets is 50/0.5 + 50 = 150 microns, 10 of them in the crystal.
  EXPECT_EQ(g.gasket({0.0f, 50.0f, 0.0f}).G, 1.0f);
  EXPECT_FLOAT_EQ(g.medium({0.0f, 50.0f, 0.0f}, 10.0f), std::exp(-0.001f * 140.0f));

  // A grazing beam: no transmission through gasket or medium.
  g.beams.DCI = test::unit(std::sqrt(1 - 0.17 * 0.17), -0.17, 0);
  EXPECT_EQ(g.gasket({0.0f, 50.0f, 0.0f}).G, 0.0f);
  EXPECT_EQ(g.medium({0.0f, 50.0f, 0.0f}, 10.0f), 0.0f);
}

TEST(TransmissionGasket, MediumPath) {
  GasketRun g(100.0f, 100.0f);
  g.run.exp.MEDIAABS = 1;
  g.run.exp.MUMEDIA = 0.001f;
  g.run.exp.GASKETMU = 0.002f;

  // Axial beams: the way to both culets is the gasket thickness.
  EXPECT_FLOAT_EQ(g.medium({0.0f, 40.0f, 0.0f}, 30.0f), std::exp(-0.001f * 70.0f));
  // A path a little below zero is used as it is.
  EXPECT_FLOAT_EQ(g.medium({0.0f, 40.0f, 0.0f}, 100.4f), std::exp(0.001f * 0.4f));
  EXPECT_TRUE(g.messages.empty());

  // In the absorbing gasket the medium path is less the gasket's share.
  g.beams.DCI = {std::sqrt(0.75f), -0.5f, 0.0f};
  const GasketPaths paths = g.gasket({90.0f, 50.0f, 0.0f});  // GPATHI = 90 of the incident beam's 100
  EXPECT_FLOAT_EQ(g.medium({90.0f, 50.0f, 0.0f}, 5.0f, paths), std::exp(-0.001f * (100.0f + 50.0f - 90.0f - 5.0f)));

  // A path below -0.5 micron is a geometry fault of the point: noted, and
  // the medium is taken as transparent there.
  g.axial();
  EXPECT_EQ(g.medium({0.0f, 40.0f, 0.0f}, 110.0f), 1.0f);
  ASSERT_EQ(g.messages.size(), 1u);
  EXPECT_EQ(g.messages[0].kind, TransmissionMessage::Kind::MediumPath);
  EXPECT_FLOAT_EQ(g.messages[0].value, -10.0f);
}

}  // namespace
}  // namespace korvex
