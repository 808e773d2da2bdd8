// Integration grids: limits, weights, volume, face values and the grid
// listing file.
#include "model/grid.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "fixedformat/edit_list.hpp"
#include "model/faces.hpp"
#include "model/model_support.hpp"
#include "model/polyhedron.hpp"
#include "support/test_support.hpp"

namespace korvex::test {
namespace {

// A test run whose grid listing file is captured too.
struct GridRun : TestRun {
  GridRun() { run.files.grid.attach(&grid); }
  // The listing's writer ends its last line into the stream while both live.
  ~GridRun() { run.files.grid.close(); }
  std::vector<std::string> gridLines() {
    run.files.grid.flush();
    std::string s = grid.str();
    return splitLines(s);
  }
  std::ostringstream grid;
};

void cubeByHkl(ExperimentState& e, float halfEdge) {
  setUb(e, {{{0.1f, 0.0f, 0.0f}, {0.0f, 0.1f, 0.0f}, {0.0f, 0.0f, 0.1f}}});
  e.MODELTYPE = 1;
  e.NFACES = 6;
  const std::string d = " " + std::to_string(halfEdge);
  setCards(e, {"1 0 0" + d, "-1 0 0" + d, "0 1 0" + d, "0 -1 0" + d, "0 0 1" + d, "0 0 -1" + d});
}

TEST(GridGolden, HaliteCubeListingMatchesReferenceRun) {
  auto want = referenceLines("model_cube_hkl_gridlist3", "KORVEX_GRID.LST");
  if (!want) GTEST_SKIP() << "reference runs not found beside the project";
  GridRun t;
  ExperimentState& e = t.run.exp;
  setUb(e, {{{-0.040976f, 0.166394f, 0.045484f}, {0.125836f, -0.003142f, 0.124861f},
             {0.117987f, 0.061139f, -0.117370f}}});
  e.MODELTYPE = 1;
  e.NFACES = 6;
  setCards(e, {"1 0 0 45.0", "-1 0 0 45.0", "0 1 0 45.0", "0 -1 0 45.0", "0 0 1 45.0", "0 0 -1 45.0"});
  e.GRID = {3.0f, 3.0f, 3.0f};
  e.GRIDLIST = 3;
  e.TITLE = ff::padded(" Halite NaCl cube {100}, 8x8x8 grid, grid listing of limits and points", 80);
  getFaces(t.run);
  setGrid(t.run);
  const auto got = t.gridLines();
  ASSERT_EQ(got.size(), want->size());
  for (std::size_t n = 0; n < got.size(); ++n) EXPECT_EQ(got[n], (*want)[n]) << "line " << n + 1;
  // The reference report shows this volume for the cube of edge 90.
  EXPECT_EQ(std::lround(e.VOLUME), 721170);
}

TEST(Grid, CubeOfEdgeHundredAtEightCubedHasItsVolumeAndFlatLimits) {
  GridRun t;
  ExperimentState& e = t.run.exp;
  cubeByHkl(e, 50.0f);
  e.GRID = {3.0f, 3.0f, 3.0f};
  e.GRIDLIST = 1;
  getFaces(t.run);
  setGrid(t.run);
  EXPECT_EQ(e.NGRID, (std::array<int, 3>{8, 8, 8}));
  EXPECT_NEAR(e.VOLUME, 1.0e6f, 10.0f);
  int yLines = 0, zLines = 0;
  for (const auto& line : t.gridLines()) {
    if (line.find("YMIN") != std::string::npos) {
      ++yLines;
      EXPECT_NE(line.find(" YMIN =   -50.0000 YMAX =    50.0000"), std::string::npos) << line;
    }
    if (line.find("ZMIN") != std::string::npos) {
      ++zLines;
      EXPECT_NE(line.find(" ZMIN =   -50.0000 ZMAX =    50.0000"), std::string::npos) << line;
    }
  }
  EXPECT_EQ(yLines, 8);
  EXPECT_EQ(zLines, 64);
  // Grid points inside the crystal: no face value is positive.
  ASSERT_EQ(e.FDIST.size(), 8u * 8u * 8u * 6u);
  for (float d : e.FDIST) EXPECT_LE(d, 0.0f);
}

TEST(Grid, OrdersAndLevelZeroOnAnAxis) {
  GridRun t;
  ExperimentState& e = t.run.exp;
  cubeByHkl(e, 50.0f);
  e.GRID = {0.0f, 1.0f, 2.0f};
  getFaces(t.run);
  setGrid(t.run);
  EXPECT_EQ(e.NGRID, (std::array<int, 3>{1, 2, 4}));
  // One point at the middle, weighted by the whole length.
  EXPECT_FLOAT_EQ(e.XG[0], 0.0f);
  EXPECT_FLOAT_EQ(e.WX[0], 100.0f);
  EXPECT_FLOAT_EQ(e.WY[0][0], 50.0f);
  EXPECT_NEAR(e.YG[0][1], 50.0f / std::sqrt(3.0f), 1.0e-4f);
  EXPECT_NEAR(e.VOLUME, 1.0e6f, 1.0f);
}

TEST(Grid, LevelsOutsideTheTablesAreRefused) {
  auto check = [](float level) {
    SCOPED_TRACE(level);
    ExperimentState e;
    e.GRID = {3.0f, 3.0f, level};
    EXPECT_FATAL(checkGridLevels(e, 3), "GRID LEVEL ON KORVEX MODEL CARD MUST BE A WHOLE NUMBER FROM 0 TO 5");
  };
  check(-1.0f);
  check(6.0f);
  check(2.5f);
  check(std::nanf(""));
  ExperimentState e;
  e.GRID = {0.0f, 5.0f, 7.5f};
  checkGridLevels(e, 2);  // the sphere uses only the first
}

// Corners of a tilted parallelepiped o + s a + t b + u c and of a
// tetrahedron, with their volumes from the triple product.
struct Solid {
  const char* name;
  std::vector<Vec3> corners;
  double volume;
};

double tripleProduct(const Vec3& a, const Vec3& b, const Vec3& c) {
  return static_cast<double>(a[0]) * (static_cast<double>(b[1]) * c[2] - static_cast<double>(b[2]) * c[1]) -
         static_cast<double>(a[1]) * (static_cast<double>(b[0]) * c[2] - static_cast<double>(b[2]) * c[0]) +
         static_cast<double>(a[2]) * (static_cast<double>(b[0]) * c[1] - static_cast<double>(b[1]) * c[0]);
}

Solid parallelepiped() {
  const Vec3 o{-30, -20, -10}, a{60, 10, 5}, b{-8, 50, 12}, c{6, -9, 40};
  Solid s{"parallelepiped", {}, std::fabs(tripleProduct(a, b, c))};
  for (int n = 0; n < 8; ++n) {
    Vec3 p = o;
    for (int i = 0; i < 3; ++i) {
      if (n & 1) p[i] += a[i];
      if (n & 2) p[i] += b[i];
      if (n & 4) p[i] += c[i];
    }
    s.corners.push_back(p);
  }
  return s;
}

Solid tetrahedron() {
  const Vec3 p0{0, 0, 0}, p1{70, 10, -5}, p2{10, 60, 8}, p3{-5, 12, 50};
  const Vec3 a{p1[0] - p0[0], p1[1] - p0[1], p1[2] - p0[2]};
  const Vec3 b{p2[0] - p0[0], p2[1] - p0[1], p2[2] - p0[2]};
  const Vec3 c{p3[0] - p0[0], p3[1] - p0[1], p3[2] - p0[2]};
  return {"tetrahedron", {p0, p1, p2, p3}, std::fabs(tripleProduct(a, b, c)) / 6.0};
}

void cornerModel(ExperimentState& e, const Solid& s) {
  e.MODELTYPE = 3;
  e.NCORNERS = static_cast<int>(s.corners.size());
  std::vector<std::string> cards;
  for (const Vec3& p : s.corners) {
    cards.push_back(std::to_string(p[0]) + " " + std::to_string(p[1]) + " " + std::to_string(p[2]));
  }
  setCards(e, cards);
}

float volumeAtLevel(const Solid& s, float level) {
  TestRun t;
  ExperimentState& e = t.run.exp;
  cornerModel(e, s);
  e.GRID = {level, level, level};
  getFaces(t.run);
  setGrid(t.run);
  return e.VOLUME;
}

TEST(Grid, TiltedPolyhedraConvergeToTheirVolume) {
  for (const Solid& s : {parallelepiped(), tetrahedron()}) {
    SCOPED_TRACE(s.name);
    // The cross-sections have kinks at the corners, so the error falls
    // steadily with the level rather than vanishing.
    double previous = 2.0;
    for (float level : {1.0f, 2.0f, 3.0f, 4.0f, 5.0f}) {
      const double error = std::fabs(volumeAtLevel(s, level) - s.volume) / s.volume;
      EXPECT_LT(error, previous / 2.0) << "level " << level;
      previous = error;
    }
    EXPECT_LT(previous, 5.0e-4);
  }
}

TEST(Grid, FaceValuesLieAlongEachZLineForEveryFace) {
  TestRun t;
  ExperimentState& e = t.run.exp;
  const Solid s = parallelepiped();
  cornerModel(e, s);
  e.GRID = {1.0f, 2.0f, 3.0f};
  getFaces(t.run);
  setGrid(t.run);
  ASSERT_EQ(e.FDIST.size(), 2u * 4u * 8u * 6u);
  std::size_t next = 0;
  for (int i = 0; i < 2; ++i)
    for (int j = 0; j < 4; ++j)
      for (int f = 0; f < 6; ++f)
        for (int k = 0; k < 8; ++k, ++next) {
          ASSERT_EQ(fdistIndex(e, i, j, k, f), next);
          const Vec3 p{e.XG[i], e.YG[i][j], e.ZG[i][j][k]};
          EXPECT_EQ(e.FDIST[next], -planeValue(e.FACE[f], p));
          EXPECT_LE(e.FDIST[next], 0.0f);
        }
}

TEST(GridFilledGasket, ListingOfTheHoleRadiusFiftyThicknessThirty) {
  GridRun t;
  ExperimentState& e = t.run.exp;
  e.GASKETR = 50.0f;
  e.GASKETT = 30.0f;
  e.GRID = {1.0f, 1.0f, 1.0f};
  e.GRIDLIST = 3;
  e.TITLE = ff::padded(" hole", 80);
  setGridFillG(t.run);
  const std::string title = " hole" + std::string(75, ' ');
  const std::vector<std::string> want = {
      "",
      "",
      "         GAUSSSIAN GRID LIMITS FOR " + title,
      "",
      "",
      "         XMIN =   -50.0000          XMAX =    50.0000",
      "",
      "",
      "         AT X =   -28.8675 YMIN =     0.0000 YMAX =    30.0000",
      "",
      "         AT X =   -28.8675 Y =     6.3397 ZMIN =   -40.8248 ZMAX =    40.8248",
      "         AT X =   -28.8675 Y =    23.6603 ZMIN =   -40.8248 ZMAX =    40.8248",
      "",
      "         AT X =    28.8675 YMIN =     0.0000 YMAX =    30.0000",
      "",
      "         AT X =    28.8675 Y =     6.3397 ZMIN =   -40.8248 ZMAX =    40.8248",
      "         AT X =    28.8675 Y =    23.6603 ZMIN =   -40.8248 ZMAX =    40.8248",
      "",
      "",
      "   COORDINATES OF GAUSSIAN GRID POINTS FOR " + title,
      "",
      "        X          Y                    Z COORDINATES",
      "      -28.9,       6.3:     -23.6      23.6",
      "      -28.9,      23.7:     -23.6      23.6",
      "       28.9,       6.3:     -23.6      23.6",
      "       28.9,      23.7:     -23.6      23.6",
  };
  const auto got = t.gridLines();
  ASSERT_EQ(got.size(), want.size());
  for (std::size_t n = 0; n < got.size(); ++n) EXPECT_EQ(got[n], want[n]) << "line " << n + 1;
  EXPECT_TRUE(e.FDIST.empty());
}

TEST(GridFilledGasket, VolumeApproachesTheCylinderAsLevelsRise) {
  const double exact = 3.14159265358979 * 50.0 * 50.0 * 30.0;
  double previous = 1.0;
  for (float level : {1.0f, 2.0f, 3.0f, 4.0f, 5.0f}) {
    SCOPED_TRACE(level);
    TestRun t;
    ExperimentState& e = t.run.exp;
    e.GASKETR = 50.0f;
    e.GASKETT = 30.0f;
    e.GRID = {level, 0.0f, level};
    setGridFillG(t.run);
    const double error = std::fabs(e.VOLUME - exact) / exact;
    EXPECT_LT(error, previous);
    previous = error;
  }
  EXPECT_LT(previous, 1.0e-4);
}

TEST(GridListing, LongZLinesContinueEightValuesToALine) {
  auto check = [](float level, std::size_t continuations) {
    SCOPED_TRACE(level);
    GridRun t;
    ExperimentState& e = t.run.exp;
    e.GASKETR = 50.0f;
    e.GASKETT = 30.0f;
    e.GRID = {0.0f, 0.0f, level};
    e.GRIDLIST = 2;
    setGridFillG(t.run);
    const auto lines = t.gridLines();
    // Heading (five lines), then the one z-line of the grid.
    ASSERT_EQ(lines.size(), 5u + 1u + continuations);
    const int nz = e.NGRID[2];
    EXPECT_EQ(lines[5].substr(0, 23), "        0.0,      15.0:");
    for (std::size_t c = 0; c <= continuations; ++c) {
      const std::string& line = lines[5 + c];
      EXPECT_EQ(line.size(), 103u) << line;
      if (c > 0) EXPECT_EQ(line.substr(0, 23), std::string(23, ' '));
      for (int v = 0; v < 8; ++v) {
        const int k = static_cast<int>(c) * 8 + v;
        ASSERT_LT(k, nz);
        EXPECT_EQ(line.substr(23 + 10 * v, 10), ff::formatReal(e.ZG[0][0][k], 10, 1)) << "k " << k;
      }
    }
  };
  check(4.0f, 1);
  check(5.0f, 3);
}

}  // namespace
}  // namespace korvex::test
