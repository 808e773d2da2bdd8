// Crystal polyhedron: face listing, corners, edges and box.
#include "model/polyhedron.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>

#include "model/model_support.hpp"
#include "support/test_support.hpp"

namespace korvex::test {
namespace {

constexpr char kFaceHeading[] = "     EQUATIONS OF CRYSTAL FACES IN  BUSING-LEVY PHI-AXIS SYSTEM:";
constexpr char kReportHeading[] = "******************* INPUT DATA ********************";

// The polyhedron's print-file blocks of a reference run: from the face
// heading to the line before the experiment report.
std::optional<std::vector<std::string>> referenceBlocks(const std::string& runName, const std::string& prt) {
  auto lines = referenceLines(runName, prt);
  if (!lines) return std::nullopt;
  auto block = linesBetween(*lines, kFaceHeading, kReportHeading);
  if (!block.empty()) block.pop_back();  // the report's own leading empty line
  return block;
}

// The print file from the face heading on, after checking the two empty
// lines that open it.
std::vector<std::string> printedBlocks(TestRun& t) {
  auto lines = splitLines(t.printText());
  EXPECT_GE(lines.size(), 3u);
  if (lines.size() < 3) return lines;
  EXPECT_EQ(lines[0], "");
  EXPECT_EQ(lines[1], "");
  return {lines.begin() + 2, lines.end()};
}

void expectSameLines(const std::vector<std::string>& got, const std::vector<std::string>& want) {
  for (std::size_t n = 0; n < std::max(got.size(), want.size()); ++n) {
    SCOPED_TRACE("line " + std::to_string(n + 1));
    EXPECT_EQ(n < got.size() ? got[n] : "<missing>", n < want.size() ? want[n] : "<none>");
  }
}

TEST(PolyhedronGolden, HalitCubeByHklFacesMatchesReferenceRun) {
  auto want = referenceBlocks("model_cube_hkl_gridlist3", "nacl.prt");
  if (!want) GTEST_SKIP() << "reference runs not found beside the project";
  TestRun t;
  ExperimentState& e = t.run.exp;
  setUb(e, {{{-0.040976f, 0.166394f, 0.045484f}, {0.125836f, -0.003142f, 0.124861f},
             {0.117987f, 0.061139f, -0.117370f}}});
  e.MODELTYPE = 1;
  e.NFACES = 6;
  setCards(e, {"1 0 0 45.0", "-1 0 0 45.0", "0 1 0 45.0", "0 -1 0 45.0", "0 0 1 45.0", "0 0 -1 45.0"});
  getFaces(t.run);
  expectSameLines(printedBlocks(t), *want);
  EXPECT_EQ(e.NCORNERS, 8);
  EXPECT_EQ(e.NEDGES, 12);
}

TEST(PolyhedronGolden, TwelveCornerCrystalMatchesReferenceRun) {
  auto want = referenceBlocks("dac2_gasket_medium", "dac2_gasket_medium.prt");
  if (!want) GTEST_SKIP() << "reference runs not found beside the project";
  TestRun t;
  ExperimentState& e = t.run.exp;
  setUb(e, {{{0.16146927f, -0.00563822f, 0.00278442f}, {0.00876953f, 0.11172923f, -0.01981219f},
             {-0.00293073f, 0.02368445f, 0.09412506f}}});
  e.MODELTYPE = 3;
  e.NCORNERS = 12;
  setCards(e, {"64 6 0", "32 6 56", "-36 6 60", "-68 6 0", "-32 6 -56", "36 6 -60", "48 34 0", "24 34 42",
               "-27 34 45", "-51 34 0", "-24 34 -42", "27 34 -45"});
  getFaces(t.run);
  expectSameLines(printedBlocks(t), *want);
  EXPECT_EQ(e.NFACES, 8);
  EXPECT_EQ(e.NEDGES, 18);
}

// A cube of edge 100 centred on the origin, by hkl faces with UB = I/10.
void cubeByHkl(ExperimentState& e) {
  setUb(e, {{{0.1f, 0.0f, 0.0f}, {0.0f, 0.1f, 0.0f}, {0.0f, 0.0f, 0.1f}}});
  e.MODELTYPE = 1;
  e.NFACES = 6;
  setCards(e, {"1 0 0 50", "-1 0 0 50", "0 1 0 50", "0 -1 0 50", "0 0 1 50", "0 0 -1 50"});
}

TEST(Polyhedron, CubeHasEightNewCornersTwelveEdgesAndItsBox) {
  TestRun t;
  ExperimentState& e = t.run.exp;
  cubeByHkl(e);
  getFaces(t.run);
  const std::string text = t.printText();
  EXPECT_EQ(e.NCORNERS, 8);
  EXPECT_EQ(e.NEDGES, 12);
  EXPECT_EQ(text.find("OLD"), std::string::npos);
  for (int a = 0; a < 3; ++a) {
    EXPECT_FLOAT_EQ(e.BOXMIN[a], -50.0f);
    EXPECT_FLOAT_EQ(e.BOXMAX[a], 50.0f);
  }
  // Every edge joins two faces that are not opposite.
  for (int n = 0; n < e.NEDGES; ++n) EXPECT_NE((e.IEDGE[n][0] + 1) / 2, (e.IEDGE[n][1] + 1) / 2);
  // Oriented and scaled: +100 per micron inward, 5000 at the origin.
  EXPECT_FLOAT_EQ(e.FACE[0][0], -100.0f);
  EXPECT_FLOAT_EQ(e.FACE[0][3], 5000.0f);
  EXPECT_EQ(inCrystal(e, {0.0f, 0.0f, 0.0f}), 1);
  EXPECT_EQ(inCrystal(e, {50.0f, 10.0f, 0.0f}), 0);
  EXPECT_EQ(inCrystal(e, {50.0f, 50.0f, 50.0f}), 0);
  EXPECT_EQ(inCrystal(e, {50.1f, 0.0f, 0.0f}), -1);
}

TEST(Polyhedron, CornerOnAPlaneThroughTheOriginHasPositiveZero) {
  // A crystal resting on the culet y = 0: its corners there list as 0.000,
  // not -0.000.
  TestRun t;
  ExperimentState& e = t.run.exp;
  e.FACE[0] = {-100.0f, 0.0f, 0.0f, 5000.0f};  // x = 50
  e.FACE[1] = {0.0f, 100.0f, 0.0f, 0.0f};      // y = 0
  e.FACE[2] = {0.0f, 0.0f, 100.0f, 5000.0f};   // z = -50
  e.FACE[3] = {0.0f, 0.0f, -100.0f, -0.0f};    // z = 0
  Vec3 p{};
  ASSERT_TRUE(getCorner(e, 0, 1, 2, p));
  EXPECT_EQ(p, (Vec3{50.0f, 0.0f, -50.0f}));
  EXPECT_FALSE(std::signbit(p[1]));
  ASSERT_TRUE(getCorner(e, 1, 3, 0, p));
  EXPECT_FALSE(std::signbit(p[1]) || std::signbit(p[2]));
}

TEST(Polyhedron, SquarePyramidApexIsFoundOnceNewThenThreeTimesOld) {
  TestRun t;
  ExperimentState& e = t.run.exp;
  e.MODELTYPE = 3;
  e.NCORNERS = 5;
  setCards(e, {"-50 -50 0", "50 -50 0", "50 50 0", "-50 50 0", "0 0 80"});
  getFaces(t.run);
  ASSERT_EQ(e.NFACES, 5);
  EXPECT_EQ(e.NCORNERS, 5);
  EXPECT_EQ(e.NEDGES, 8);
  // The apex lies on the four side faces: one NEW line, three OLD lines,
  // all with the same coordinates.
  int newApex = 0, oldApex = 0;
  for (const auto& line : splitLines(t.printText())) {
    if (line.find("       0.000        0.000       80.000") == std::string::npos) continue;
    if (line.ends_with("NEW")) ++newApex;
    if (line.ends_with("OLD")) ++oldApex;
  }
  EXPECT_EQ(newApex, 1);
  EXPECT_EQ(oldApex, 3);
  EXPECT_FLOAT_EQ(e.BOXMAX[2], 80.0f);
  EXPECT_FLOAT_EQ(e.BOXMIN[2], 0.0f);
}

TEST(Polyhedron, FaceOutsideTheCrystalGivesNoCornerAndNoEdge) {
  TestRun t;
  ExperimentState& e = t.run.exp;
  cubeByHkl(e);
  e.NFACES = 7;
  setCards(e, {"1 0 0 50", "-1 0 0 50", "0 1 0 50", "0 -1 0 50", "0 0 1 50", "0 0 -1 50", "1 1 1 200"});
  getFaces(t.run);
  EXPECT_EQ(e.NCORNERS, 8);
  EXPECT_EQ(e.NEDGES, 12);
  for (int n = 0; n < e.NEDGES; ++n) {
    EXPECT_NE(e.IEDGE[n][0], 7);
    EXPECT_NE(e.IEDGE[n][1], 7);
  }
  for (const auto& line : splitLines(t.printText())) {
    if (line.ends_with("NEW") || line.ends_with("OLD")) EXPECT_NE(line.substr(8, 4), "   7") << line;
  }
}

TEST(Polyhedron, TooFewFacesAndOpenCrystalsAreRefused) {
  auto check = [](int nfaces, const std::string& message, bool listed) {
    SCOPED_TRACE(message);
    TestRun t;
    cubeByHkl(t.run.exp);
    t.run.exp.NFACES = nfaces;
    EXPECT_FATAL(getFaces(t.run), message);
    EXPECT_EQ(t.printText().find("EQUATIONS") != std::string::npos, listed);
  };
  check(3, "ONLY 3 FACES FOUND FOR CRYSTAL: NEED 4 AS MINIMUM", false);
  // Four faces of a square tube along z: no three of them meet in a point.
  check(4, "NO CORNERS FOUND ON CRYSTAL MODEL", true);
}

TEST(Polyhedron, RoundHklDividesBySmallestComponentAboveOneHundredth) {
  auto check = [](std::array<float, 3> h, std::array<float, 3> want) {
    SCOPED_TRACE(std::to_string(h[0]) + " " + std::to_string(h[1]) + " " + std::to_string(h[2]));
    roundHkl(h);
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(h[i], want[i], 1.0e-6f);
  };
  check({2.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f});
  check({0.5f, 1.0f, 1.5f}, {1.0f, 2.0f, 3.0f});
  check({-0.4f, -0.6f, 0.0f}, {-1.0f, -1.5f, 0.0f});
  check({0.005f, 0.3f, -0.6f}, {0.005f / 0.3f, 1.0f, -2.0f});
}

TEST(Polyhedron, EdgesFoundWhateverTheOrderOfACornersFaceList) {
  TestRun t;
  ExperimentState& e = t.run.exp;
  e.NCORNERS = 3;
  CornerFaces cf;
  // Corner 2 lists face 5 last: the shared pair (3, 5) of corners 1 and 2
  // must still be found; corners 1 and 3 share only face 3.
  cf.NCFACE = {4, 3, 3};
  cf.ICFACE[0] = {1, 3, 4, 5};
  cf.ICFACE[1] = {3, 2, 5};
  cf.ICFACE[2] = {6, 3, 7};
  getEdges(t.run, cf);
  ASSERT_EQ(e.NEDGES, 1);
  EXPECT_EQ(e.IEDGE[0][0], 3);
  EXPECT_EQ(e.IEDGE[0][1], 5);

  // Named by the first two shared faces in the first corner's order.
  cf.ICFACE[0] = {5, 4, 3, 1};
  getEdges(t.run, cf);
  ASSERT_EQ(e.NEDGES, 1);
  EXPECT_EQ(e.IEDGE[0][0], 5);
  EXPECT_EQ(e.IEDGE[0][1], 3);
}

TEST(Polyhedron, EdgesListedFaceByFaceOfTheFirstCornersList) {
  struct Case {
    const char* name;
    std::vector<std::vector<int>> lists;
    std::vector<std::array<int, 2>> edges;
  };
  const Case cases[] = {
      // Corner 1 meets corner 3 through its second face and corner 2 only
      // through its third: the edge by the earlier face comes first.
      {"by face, then by corner", {{1, 5, 6, 7}, {2, 6, 7}, {3, 5, 6}}, {{5, 6}, {6, 7}}},
      // Three faces along one line (a face that touches the crystal only
      // at an edge): the two corners give an edge for each face of the
      // first list that has a later shared face.
      {"three shared faces", {{1, 2, 5}, {1, 2, 5}}, {{1, 2}, {2, 5}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestRun t;
    ExperimentState& e = t.run.exp;
    CornerFaces cf;
    e.NCORNERS = static_cast<int>(c.lists.size());
    for (int m = 0; m < e.NCORNERS; ++m) {
      cf.NCFACE[m] = static_cast<int>(c.lists[m].size());
      for (int a = 0; a < cf.NCFACE[m]; ++a) cf.ICFACE[m][a] = c.lists[m][a];
    }
    getEdges(t.run, cf);
    ASSERT_EQ(e.NEDGES, static_cast<int>(c.edges.size()));
    for (int n = 0; n < e.NEDGES; ++n) {
      EXPECT_EQ(e.IEDGE[n][0], c.edges[n][0]) << n;
      EXPECT_EQ(e.IEDGE[n][1], c.edges[n][1]) << n;
    }
  }
}

TEST(Polyhedron, CornerFaceListBeyondItsBoundIsRefused) {
  // A cone of 41 faces through one apex: 41 faces meet at one corner.
  TestRun t;
  ExperimentState& e = t.run.exp;
  e.MODELTYPE = 2;
  const int sides = 41;
  e.NFACES = sides + 1;
  std::vector<std::string> cards;
  for (int n = 0; n < sides; ++n) {
    const float a0 = 6.2831853f * static_cast<float>(n) / sides;
    const float a1 = 6.2831853f * static_cast<float>(n + 1) / sides;
    cards.push_back("0 0 100 " + std::to_string(100.0f * std::cos(a0)) + " " + std::to_string(100.0f * std::sin(a0)) +
                    " 0 " + std::to_string(100.0f * std::cos(a1)) + " " + std::to_string(100.0f * std::sin(a1)) +
                    " 0");
  }
  cards.push_back("0 0 0 100 0 0 0 100 0");
  setCards(e, cards);
  std::string message;
  try {
    getFaces(t.run);
  } catch (const FatalError& fatal) {
    message = fatal.what();
  }
  int apex = 0;
  for (int m = 0; m < e.NCORNERS; ++m) {
    if (std::fabs(e.CORNER[m][2] - 100.0f) < 0.01f) apex = m + 1;
  }
  ASSERT_GT(apex, 0);
  EXPECT_EQ(message, "MORE THAN 40 FACES MEET AT CORNER " + ff::formatInt(apex, 3) +
                         " OF CRYSTAL MODEL: 40 IS THE MAX ALLOWED");
}

}  // namespace
}  // namespace korvex::test
