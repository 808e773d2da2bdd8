// The exact mode inside the program: built with the model, chosen by the
// METHOD card, and the Gaussian grid converging to it as the level rises.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "exact/exact_transmission.hpp"
#include "fixedformat/edit_list.hpp"
#include "model/grid.hpp"
#include "model/polyhedron.hpp"
#include "support/test_support.hpp"
#include "transmission/crystal.hpp"

namespace korvex {
namespace {

// The crystal of 14 faces of the benchmark: {100} at 60, 45 and 35 microns,
// cut by {111} at 70 (UB = I/10, so hkl run along the axes), built through
// the program's own polyhedron and grid at the given level.
struct FourteenFaces : test::TestRun {
  explicit FourteenFaces(float level, float mu) {
    auto& e = run.exp;
    e.UB = {{{0.1f, 0.0f, 0.0f}, {0.0f, 0.1f, 0.0f}, {0.0f, 0.0f, 0.1f}}};
    e.NUB = 3;
    e.UBTINV = {{{10.0f, 0.0f, 0.0f}, {0.0f, 10.0f, 0.0f}, {0.0f, 0.0f, 10.0f}}};
    const char* cards[] = {"1 0 0 60",   "-1 0 0 60",  "0 1 0 45",   "0 -1 0 45",  "0 0 1 35",
                           "0 0 -1 35",  "1 1 1 70",   "1 1 -1 70",  "1 -1 1 70",  "1 -1 -1 70",
                           "-1 1 1 70",  "-1 1 -1 70", "-1 -1 1 70", "-1 -1 -1 70"};
    for (const char* c : cards) e.MODELCARDS[static_cast<std::size_t>(e.NFACES++)] = ff::padded(c, 80);
    e.MODELTYPE = 1;
    e.GRID = {level, level, level};
    e.ABSCO = mu;
    e.CRYSABS = 1;
    getFaces(run);
    setGrid(run);
    e.METHOD = 1;
    buildExactModel(e);
  }
};

TEST(ExactMode, GaussianGridConvergesToTheExactTransmission) {
  // mu times the mean width (93 microns) = 2. The grid's error against the
  // exact crystal transmission and mean path falls with every level; at
  // level 3 it is well above the grid's single precision.
  std::mt19937 rng(31);
  std::normal_distribution<float> g(0.0f, 1.0f);
  std::vector<ReflectionBeams> beams;
  for (int i = 0; i < 40; ++i) {
    Vec3 u{g(rng), g(rng), g(rng)}, v{g(rng), g(rng), g(rng)};
    const float nu = std::sqrt(u[0] * u[0] + u[1] * u[1] + u[2] * u[2]);
    const float nv = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    for (int k = 0; k < 3; ++k) {
      u[k] /= nu;
      v[k] /= nv;
    }
    beams.push_back({u, v, 0.0f});
  }
  double previous = 1.0;
  for (float level : {3.0f, 4.0f, 5.0f}) {
    SCOPED_TRACE(level);
    FourteenFaces c(level, 2.0f / 93.33f);
    const ExperimentState& e = c.run.exp;
    // The grid's volume closes on the polyhedron's.
    EXPECT_NEAR(e.VOLUME / e.exact.volume, 1.0, level < 5 ? 1e-2 : 1e-4);
    double worst = 0.0, worstPath = 0.0;
    for (const ReflectionBeams& b : beams) {
      ReflectionTransmission grid;
      korvex(e, b, grid);
      TransmissionState exact{};
      exactTransmission(e, b, exact);
      worst = std::max(worst, std::fabs(grid.factors.TXTAL / exact.TXTAL - 1.0));
      worstPath = std::max(worstPath, std::fabs((grid.factors.SUMTP / grid.factors.TXTAL) /
                                                (exact.SUMTP / exact.TXTAL) - 1.0));
      EXPECT_EQ(exact.TRANS, exact.TXTAL);  // in air there is nothing else
    }
    EXPECT_LT(worst, previous / 4);
    EXPECT_LT(worstPath, 0.05);
    if (level == 3.0f) EXPECT_GT(worst, 5e-3);
    if (level == 5.0f) EXPECT_LT(worst, 1e-3);
    previous = worst;
  }
}

}  // namespace
}  // namespace korvex
