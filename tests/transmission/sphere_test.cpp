// Spherical crystal: the tabulated transmission against an independent
// integration, the limits of the table, and the grid it leaves behind.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "support/test_support.hpp"
#include "transmission/sphere.hpp"

namespace korvex {
namespace {

// Transmission and mean path of a sphere of radius 1 with mu R = mur at
// scattering angle tth (degrees), by a midpoint rule in spherical
// coordinates in double precision. The beams are laid along axes other than
// those of the code under test (the sphere has no preferred direction).
struct SphereIntegral {
  double transmission, meanPathTimesT;
};
SphereIntegral sphereIntegral(double mur, double tth) {
  const double a = tth * M_PI / 180.0;
  const double u1[3] = {0.0, 0.0, 1.0};                  // reversed incident beam
  const double u2[3] = {std::sin(a), 0.0, -std::cos(a)};  // diffracted beam
  auto toSurface = [](const double p[3], const double u[3]) {
    const double pu = p[0] * u[0] + p[1] * u[1] + p[2] * u[2];
    const double pp = p[0] * p[0] + p[1] * p[1] + p[2] * p[2];
    return -pu + std::sqrt(std::max(0.0, pu * pu - pp + 1.0));
  };
  const int nr = 100, nu = 100, nphi = 100;
  double sum = 0.0, sumt = 0.0, vol = 0.0;
  for (int ir = 0; ir < nr; ++ir) {
    const double r = (ir + 0.5) / nr;
    for (int iu = 0; iu < nu; ++iu) {
      const double c = -1.0 + 2.0 * (iu + 0.5) / nu;
      const double s = std::sqrt(1.0 - c * c);
      for (int ip = 0; ip < nphi; ++ip) {
        const double phi = 2.0 * M_PI * (ip + 0.5) / nphi;
        const double p[3] = {r * s * std::cos(phi), r * s * std::sin(phi), r * c};
        const double t = toSurface(p, u1) + toSurface(p, u2);
        const double w = r * r;
        const double e = std::exp(-mur * t) * w;
        sum += e;
        sumt += t * e;
        vol += w;
      }
    }
  }
  return {sum / vol, sumt / vol};
}

struct SphereRun : test::TestRun {
  void build(float radius, float absco, float level) {
    run.exp.MODELTYPE = 4;
    run.exp.RADIUS = radius;
    run.exp.ABSCO = absco;
    run.exp.CRYSABS = 1;
    run.exp.GRID = {level, 3.0f, 3.0f};
    setTrnsSphere(run);
  }
  float at(float tth) {
    ReflectionTransmission out;
    korvexSphere(run.exp, {{}, {}, tth}, out);
    tr = out.factors;
    return tr.TXTAL;
  }
  TransmissionState tr;
};

TEST(TransmissionSphere, TableAgreesWithIndependentIntegration) {
  // Reference: the double-precision integral above (100^3 midpoint cells,
  // good to about 1e-4). Tolerance 0.5 % of the transmission at level 5.
  const float radius = 50.0f;
  for (double mur : {0.5, 1.0, 2.0}) {
    SphereRun s;
    s.build(radius, static_cast<float>(mur / radius), 5.0f);
    for (int tth : {10, 90, 170}) {
      SCOPED_TRACE(testing::Message() << "muR " << mur << " 2theta " << tth);
      const SphereIntegral ref = sphereIntegral(mur, tth);
      EXPECT_NEAR(s.run.exp.TSPH[tth - 1], ref.transmission, 0.005 * ref.transmission);
      // SUMTP is minus the mean of path times transmission, in microns.
      EXPECT_NEAR(-s.run.exp.TSPH2[tth - 1], ref.meanPathTimesT * radius, 0.005 * ref.meanPathTimesT * radius);
    }
    // Back reflection transmits more than forward scattering.
    EXPECT_LT(s.run.exp.TSPH[9], s.run.exp.TSPH[169]);
  }
}

TEST(TransmissionSphere, NoAbsorptionGivesUnitTransmissionAndMeanPath) {
  // With mu = 0 every entry is 1, and SUMTP is minus the mean total path: the
  // mean distance from a point of a sphere to its surface along any fixed
  // direction is 3R/4, so both beams together run 3R/2.
  SphereRun s;
  s.build(40.0f, 0.0f, 4.0f);
  for (int k : {1, 45, 90, 135, 180}) {
    SCOPED_TRACE(k);
    EXPECT_NEAR(s.run.exp.TSPH[k - 1], 1.0f, 2e-6f);
    EXPECT_NEAR(s.run.exp.TSPH2[k - 1], -60.0f, 0.3f);
  }
}

TEST(TransmissionSphere, GridOfTheSphere) {
  SphereRun s;
  s.build(30.0f, 0.01f, 3.0f);
  const auto& e = s.run.exp;
  EXPECT_EQ(e.NGRID[0], 8);
  EXPECT_FLOAT_EQ(e.GRID[0], 4.0f);  // the level is raised to name the 8-point rule
  EXPECT_EQ(e.BOXMIN[0], -30.0f);
  EXPECT_EQ(e.BOXMAX[0], 30.0f);
  const double exact = 4.0 / 3.0 * M_PI * 30.0 * 30.0 * 30.0;
  EXPECT_NEAR(e.VOLUME, exact, 0.02 * exact);

  SphereRun fine;
  fine.build(30.0f, 0.01f, 5.0f);
  EXPECT_NEAR(fine.run.exp.VOLUME, exact, 1e-3 * exact);
}

TEST(TransmissionSphere, InterpolationAndTableEnds) {
  SphereRun s;
  s.build(60.0f, 0.02f, 2.0f);
  const auto& T = s.run.exp.TSPH;
  const auto& T2 = s.run.exp.TSPH2;
  auto check = [&](float tth, float expected, float expected2) {
    SCOPED_TRACE(tth);
    EXPECT_FLOAT_EQ(s.at(tth), expected);
    EXPECT_FLOAT_EQ(s.tr.SUMTP, expected2);
    EXPECT_EQ(s.tr.TRANS, s.tr.TXTAL);
    EXPECT_EQ(s.tr.TGAS, 1.0f);
  };
  check(37.25f, T[36] + 0.25f * (T[37] - T[36]), T2[36] + 0.25f * (T2[37] - T2[36]));
  check(-37.25f, T[36] + 0.25f * (T[37] - T[36]), T2[36] + 0.25f * (T2[37] - T2[36]));
  check(1.0f, T[0], T2[0]);
  check(0.4f, T[0], T2[0]);    // below the table: its first entry
  check(0.0f, T[0], T2[0]);
  check(180.0f, T[179], T2[179]);  // the last entry, never a read beyond it
  check(179.5f, T[178] + 0.5f * (T[179] - T[178]), T2[178] + 0.5f * (T2[179] - T2[178]));
  check(std::nanf(""), T[0], T2[0]);
}

TEST(TransmissionSphere, AgreesWithAnIndependentImplementation) {
  // Radius 60 microns, mu 150 cm-1, level 4: the volume and the first
  // reflection's transmission (2theta 15.04) of a reference run.
  SphereRun s;
  s.build(60.0f, 150.0f / 10000.0f, 4.0f);
  EXPECT_EQ(std::lround(s.run.exp.VOLUME), 904885);
  EXPECT_NEAR(s.at(15.04f), 0.278494f, 6e-7f);
}

TEST(TransmissionSphere, RefusesABadModel) {
  SphereRun s;
  EXPECT_FATAL(s.build(60.0f, 0.01f, 6.0f), "GRID LEVEL ON KORVEX MODEL CARD MUST BE A WHOLE NUMBER FROM 0 TO 5");
  EXPECT_FATAL(s.build(60.0f, 0.01f, 2.5f), "GRID LEVEL ON KORVEX MODEL CARD MUST BE A WHOLE NUMBER FROM 0 TO 5");
  EXPECT_FATAL(s.build(0.0f, 0.01f, 2.0f), "SPHERE RADIUS ON KORVEX MODEL CARD MUST BE POSITIVE");
}

TEST(TransmissionSphere, GridListing) {
  std::ostringstream grid;  // outlives the run, whose writer flushes into it
  SphereRun s;
  s.run.files.grid.attach(&grid);
  s.run.exp.TITLE = ff::padded(" sphere", 80);
  s.run.exp.GRIDLIST = 3;
  s.build(10.0f, 0.01f, 4.0f);  // 16 points: one continuation line per (x, y)
  s.run.files.grid.flush();
  std::istringstream in(grid.str());
  std::vector<std::string> lines;
  for (std::string l; std::getline(in, l);) lines.push_back(l);

  ASSERT_GT(lines.size(), 8u);
  EXPECT_EQ(lines[2], std::string(9, ' ') + "GAUSSSIAN GRID LIMITS FOR " + ff::padded(" sphere", 80));
  EXPECT_EQ(lines[5], "         XMIN =   -10.0000          XMAX =    10.0000");
  EXPECT_EQ(lines[8].substr(0, 23), "         AT X =    -9.8");
  // The y extent at every x comes first, then the z extent at every (x, y).
  std::size_t lastY = 0, firstZ = lines.size(), ys = 0, zs = 0;
  for (std::size_t n = 0; n < lines.size(); ++n) {
    if (lines[n].find(" YMIN = ") != std::string::npos) lastY = n, ++ys;
    if (lines[n].find(" ZMIN = ") != std::string::npos) firstZ = std::min(firstZ, n), ++zs;
  }
  EXPECT_EQ(ys, 16u);
  EXPECT_EQ(zs, 16u * 16u);
  EXPECT_LT(lastY, firstZ);

  // The points heading starts a new page.
  std::size_t heading = 0;
  while (heading < lines.size() && lines[heading].find("COORDINATES OF GAUSSIAN") == std::string::npos) ++heading;
  ASSERT_LT(heading, lines.size());
  EXPECT_EQ(lines[heading], "\f     COORDINATES OF GAUSSIAN GRID POINTS FOR " + ff::padded(" sphere", 80));
  EXPECT_EQ(lines[heading + 2], "        X          Y                    Z COORDINATES");
  const std::size_t points = lines.size() - heading - 3;
  EXPECT_EQ(points, 2u * 16u * 16u);
  EXPECT_EQ(lines[heading + 3].size(), 23u + 80u);
  EXPECT_EQ(lines[heading + 3].substr(22, 2), ": ");
  EXPECT_EQ(lines[heading + 4].substr(0, 24), std::string(24, ' '));
  EXPECT_EQ(lines[heading + 4].size(), 23u + 80u);
}

}  // namespace
}  // namespace korvex
