// Faces from the model cards: plane formulas, scaling, orientation,
// rejection, repeats and the refusals of unusable cards.
#include "model/faces.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "model/model_support.hpp"
#include "support/test_support.hpp"

namespace korvex::test {
namespace {

TEST(Faces, HklCubeGivesUnitNormalsAndMinusDistance) {
  ExperimentState e;
  setUb(e, {{{0.1f, 0.0f, 0.0f}, {0.0f, 0.1f, 0.0f}, {0.0f, 0.0f, 0.1f}}});
  e.NFACES = 6;
  e.CENTRE = {1.0f, 2.0f, 3.0f};
  setCards(e, {"1 0 0 50", "-1 0 0 50", "0 1 0 50", "0 -1 0 50", "0 0 1 50", "0 0 -1 50"});
  readHkl(e);
  const float want[6][4] = {{1, 0, 0, -50}, {-1, 0, 0, -50}, {0, 1, 0, -50},
                            {0, -1, 0, -50}, {0, 0, 1, -50}, {0, 0, -1, -50}};
  for (int f = 0; f < 6; ++f)
    for (int c = 0; c < 4; ++c) EXPECT_FLOAT_EQ(e.FACE[f][c], want[f][c]) << f << "," << c;
  EXPECT_EQ(e.CENTRE, (Vec3{0.0f, 0.0f, 0.0f}));
}

TEST(Faces, UnusableCardsAreRefusedWithTheCardNamed) {
  auto check = [](int modelType, const std::string& badCard, const std::string& message) {
    SCOPED_TRACE(badCard);
    ExperimentState e;
    setUb(e, {{{0.1f, 0.0f, 0.0f}, {0.0f, 0.1f, 0.0f}, {0.0f, 0.0f, 0.1f}}});
    const std::string good = modelType == 1 ? "1 0 0 50" : modelType == 2 ? "0 0 0 1 0 0 0 1 0" : "0 0 0";
    setCards(e, {good, badCard});
    e.NFACES = 2;
    e.NCORNERS = 2;
    if (modelType == 1) EXPECT_FATAL(readHkl(e), message);
    if (modelType == 2) EXPECT_FATAL(readXyzFace(e), message);
    if (modelType == 3) EXPECT_FATAL(readXyzCorner(e), message);
  };
  // The card's 80 columns end the message; its trailing blanks are not
  // told apart from the message's padding.
  check(1, "1 0 X 50", "ERROR READING CARD  2 OF FACE CARDS:    1 0 X 50");
  check(1, "1 0 0", "ERROR READING CARD  2 OF FACE CARDS:    1 0 0");
  check(1, "0 0 0 50", "FACE CARD   2 HAS H = K = L = 0: IT GIVES NO FACE PLANE");
  check(2, "0 0 0 1 0 0 2 0 Y", "ERROR READING CARD  2 OF FACE CARDS:    0 0 0 1 0 0 2 0 Y");
  check(2, "0 0 0 1 1 1 2 2 2", "THE THREE POINTS OF FACE CARD   2 LIE ON ONE LINE: THEY GIVE NO FACE PLANE");
  check(3, "10 20", "ERROR READING CARD   2 OF CORNER CARDS:    10 20");
  check(3, "10 A 20", "ERROR READING CARD   2 OF CORNER CARDS:    10 A 20");
}

TEST(Faces, ModelsTheFaceTableCannotTakeAreRefused) {
  ExperimentState e;
  e.NUB = 2;
  e.NFACES = 4;
  EXPECT_FATAL(readHkl(e), "UB MATRIX NOT PRESENT: NEEDED TO INTEPRET HKL CARDS");
  setUb(e, {{{0.1f, 0.0f, 0.0f}, {0.0f, 0.1f, 0.0f}, {0.0f, 0.0f, 0.1f}}});
  e.NFACES = kMaxFaces + 1;
  EXPECT_FATAL(readHkl(e), "MORE THAN 100 FACE CARDS IN CRYSTAL MODEL: 100 IS THE MAX ALLOWED");
  EXPECT_FATAL(readXyzFace(e), "MORE THAN 100 FACE CARDS IN CRYSTAL MODEL: 100 IS THE MAX ALLOWED");
}

TEST(Faces, ThreePointPlaneScaledByItsLargestCoefficient) {
  auto check = [](Vec3 p1, Vec3 p2, Vec3 p3, Plane want) {
    SCOPED_TRACE(std::to_string(p1[2]));
    ExperimentState e;
    e.NFACES = 1;
    auto num = [](const Vec3& p) {
      std::string s;
      for (float v : p) s += std::to_string(static_cast<int>(v)) + " ";
      return s;
    };
    setCards(e, {num(p1) + num(p2) + num(p3)});
    readXyzFace(e);
    for (int c = 0; c < 4; ++c) EXPECT_FLOAT_EQ(e.FACE[0][c], want[c]) << c;
  };
  // A plane far from the origin: D = 1 and small A, B, C.
  check({0, 0, 1000}, {1, 0, 1000}, {0, 1, 1000}, {0.0f, 0.0f, -0.001f, 1.0f});
  // Through the origin: the largest normal component becomes +1, whatever
  // the order of the points.
  check({0, 0, 0}, {0, 2, 0}, {0, 0, 1}, {1.0f, 0.0f, 0.0f, 0.0f});
  check({0, 0, 0}, {0, 0, 1}, {0, 2, 0}, {1.0f, 0.0f, 0.0f, 0.0f});
  // A tie between A and B goes to A.
  check({0, 0, 0}, {1, -1, 0}, {0, 0, 1}, {1.0f, 1.0f, 0.0f, 0.0f});
}

TEST(Faces, ThreePointBoxAndCentreComeFromAllPoints) {
  ExperimentState e;
  e.NFACES = 2;
  setCards(e, {"0 0 0  10 0 0  0 20 0", "0 0 -5  0 30 7  -4 0 1"});
  readXyzFace(e);
  EXPECT_EQ(e.BOXMIN, (Vec3{-4.0f, 0.0f, -5.0f}));
  EXPECT_EQ(e.BOXMAX, (Vec3{10.0f, 30.0f, 7.0f}));
  EXPECT_EQ(e.CENTRE, (Vec3{3.0f, 15.0f, 1.0f}));
}

TEST(Faces, EightCornersOfABoxGiveItsSixFaces) {
  ExperimentState e;
  e.NCORNERS = 8;
  setCards(e, {"0 0 0", "40 0 0", "40 30 0", "0 30 0", "0 0 20", "40 0 20", "40 30 20", "0 30 20"});
  readXyzCorner(e);
  ASSERT_EQ(e.NFACES, 6);
  EXPECT_EQ(e.CENTRE, (Vec3{20.0f, 15.0f, 10.0f}));
  // The first plane kept is the bottom z = 0 (corners 1, 2, 3), scaled by
  // its largest coefficient C and oriented towards the centre; every face
  // holds four corners and has all eight on its inner side.
  EXPECT_EQ(e.FACE[0], (Plane{0.0f, 0.0f, 1.0f, 0.0f}));
  for (int f = 0; f < e.NFACES; ++f) {
    int onFace = 0, inside = 0;
    for (int m = 0; m < 8; ++m) {
      const float v = planeValue(e.FACE[f], e.CORNER[m]);
      onFace += std::fabs(v) < 1.0e-4f;
      inside += v > 1.0e-4f;
    }
    EXPECT_EQ(onFace, 4) << f;
    EXPECT_EQ(inside, 4) << f;
  }
}

TEST(Faces, DegenerateCornerTriplesNameTheFirstTriple) {
  auto check = [](const std::vector<std::string>& cards, const std::string& message) {
    SCOPED_TRACE(message);
    ExperimentState e;
    e.NCORNERS = static_cast<int>(cards.size());
    setCards(e, cards);
    EXPECT_FATAL(readXyzCorner(e), message);
  };
  // Corners 2 and 4 identical: the first triple holding both is 1 2 4.
  check({"0 0 0", "40 0 0", "0 30 0", "40 0 0", "0 0 20"}, " DUPLICATE CORNERS NOS      1     2     4");
  // A corner in the middle of an edge.
  check({"0 0 0", "0 30 0", "40 0 0", "20 0 0", "0 0 20"}, " DUPLICATE CORNERS NOS      1     3     4");
}

TEST(Faces, CornerModelWithMoreThanAHundredFacesIsRefused) {
  // Sixty corners spread over a sphere: about 116 triangular faces.
  ExperimentState e;
  const int n = 60;
  std::vector<std::string> cards;
  for (int m = 0; m < n; ++m) {
    const double z = 1.0 - (2.0 * m + 1.0) / n;
    const double r = std::sqrt(1.0 - z * z);
    const double a = 2.399963229728653 * m;
    cards.push_back(std::to_string(100.0 * r * std::cos(a)) + " " + std::to_string(100.0 * r * std::sin(a)) + " " +
                    std::to_string(100.0 * z));
  }
  e.NCORNERS = n;
  setCards(e, cards);
  EXPECT_FATAL(readXyzCorner(e), "MORE THAN 100 FACES FOUND FROM CORNERS OF CRYSTAL MODEL: 100 IS THE MAX ALLOWED");
  EXPECT_EQ(e.NFACES, kMaxFaces);
}

}  // namespace
}  // namespace korvex::test
