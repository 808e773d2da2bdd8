// The model build: dispatch by model kind, the fit between the anvils and
// into the gasket hole, and the experiment report before every refusal.
#include "model/model_build.hpp"

#include <gtest/gtest.h>

#include <string>

#include "model/model_support.hpp"
#include "support/test_support.hpp"

namespace korvex::test {
namespace {

constexpr char kReport[] = " INPUT DATA ";

void boxByHkl(ExperimentState& e, const std::vector<std::string>& cards) {
  setUb(e, {{{0.1f, 0.0f, 0.0f}, {0.0f, 0.1f, 0.0f}, {0.0f, 0.0f, 0.1f}}});
  e.MODELTYPE = 1;
  e.NFACES = static_cast<int>(cards.size());
  e.GRID = {2.0f, 2.0f, 2.0f};
  setCards(e, cards);
}

void boxByCorners(ExperimentState& e, float half, float y0, float y1) {
  e.MODELTYPE = 3;
  e.NCORNERS = 8;
  e.GRID = {2.0f, 2.0f, 2.0f};
  std::vector<std::string> cards;
  for (int n = 0; n < 8; ++n) {
    cards.push_back(std::to_string(n & 1 ? half : -half) + " " + std::to_string(n & 2 ? y1 : y0) + " " +
                    std::to_string(n & 4 ? half : -half));
  }
  setCards(e, cards);
}

void inGasket(ExperimentState& e, float radius, float thickness) {
  e.GASKGIVEN = 1;
  e.GASKETR = radius;
  e.GASKETT = thickness;
}

TEST(ModelBuild, NoModelBuildsNothingAndWritesTheReport) {
  TestRun t;
  t.run.exp.MODELTYPE = 0;
  buildModel(t.run);
  EXPECT_EQ(t.run.state.MODELBUILT, 1);
  EXPECT_EQ(t.run.exp.NGRID, (std::array<int, 3>{0, 0, 0}));
  EXPECT_NE(t.printText().find(kReport), std::string::npos);
}

TEST(ModelBuild, PolyhedronBetweenTheAnvilsAndInsideTheHoleIsBuilt) {
  {
    // Without a gasket the anvil faces are not checked.
    TestRun t;
    boxByCorners(t.run.exp, 10.0f, -20.0f, 30.0f);
    buildModel(t.run);
    EXPECT_EQ(t.run.state.MODELBUILT, 1);
  }
  // Corners exactly on the anvil faces y = 0 and y = 30 pass.
  TestRun t;
  boxByCorners(t.run.exp, 20.0f, 0.0f, 30.0f);
  inGasket(t.run.exp, 100.0f, 30.0f);
  buildModel(t.run);
  EXPECT_EQ(t.run.state.MODELBUILT, 1);
  EXPECT_NEAR(t.run.exp.VOLUME, 40.0f * 40.0f * 30.0f, 1.0f);
  // The fit was tried with both beams along the cell axis.
  EXPECT_EQ(t.run.refl.DCI, (Vec3{0.0f, 1.0f, 0.0f}));
  EXPECT_EQ(t.run.refl.DCD, (Vec3{0.0f, 1.0f, 0.0f}));
}

TEST(ModelBuild, FirstCornerOutsideTheAnvilFacesIsReportedWhicheverSide) {
  auto check = [](const std::vector<std::string>& cards, const std::string& message) {
    SCOPED_TRACE(message);
    TestRun t;
    boxByHkl(t.run.exp, cards);
    inGasket(t.run.exp, 1000.0f, 30.0f);
    EXPECT_FATAL(buildModel(t.run), message);
    EXPECT_EQ(t.run.state.MODELBUILT, 0);
    // The report follows the polyhedron's blocks, before the message.
    const std::string print = t.printText();
    EXPECT_LT(print.find("EDGES OF THE CRYSTAL"), print.find(kReport));
  };
  // The box from y = -0.5 to y = 40: its first corner comes from faces
  // 1, 3 and 5, so the order of the y faces decides which test fails.
  check({"1 0 0 50", "-1 0 0 50", "0 1 0 40", "0 -1 0 0.5", "0 0 1 50", "0 0 -1 50"},
        "ERROR IN CRYSTAL MODEL, CORNER   1 HAS Y-COORDINATE > GASKET T, LIES IN D-BEAM ANVIL!");
  check({"1 0 0 50", "-1 0 0 50", "0 -1 0 0.5", "0 1 0 40", "0 0 1 50", "0 0 -1 50"},
        "ERROR IN CRYSTAL MODEL, CORNER   1 HAS NEGATIVE Y-COORDINATE, LIES IN I-BEAM ANVIL!");
}

TEST(ModelBuild, CrystalWiderThanTheGasketHoleIsRefused) {
  TestRun t;
  boxByCorners(t.run.exp, 50.0f, 0.0f, 30.0f);
  inGasket(t.run.exp, 60.0f, 30.0f);  // the box's corners lie 70.7 from the axis
  EXPECT_FATAL(buildModel(t.run), "CRYSTAL MODEL DOES NOT FIT INTO GASKET HOLE");
  EXPECT_NE(t.printText().find(kReport), std::string::npos);
  EXPECT_EQ(t.run.state.MODELBUILT, 0);
}

TEST(ModelBuild, BadGridLevelIsRefusedBeforeTheCrystalIsListed) {
  TestRun t;
  boxByCorners(t.run.exp, 10.0f, 0.0f, 30.0f);
  t.run.exp.GRID = {3.0f, 2.5f, 3.0f};
  EXPECT_FATAL(buildModel(t.run), "GRID LEVEL ON KORVEX MODEL CARD MUST BE A WHOLE NUMBER FROM 0 TO 5");
  EXPECT_EQ(t.printText().find("EQUATIONS"), std::string::npos);
}

}  // namespace
}  // namespace korvex::test
