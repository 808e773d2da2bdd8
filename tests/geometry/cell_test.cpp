// Cell volume, rotation onto Busing-Levy axes, reciprocal and direct cells,
// SHELX direction cosines.
#include <gtest/gtest.h>

#include <cmath>

#include "geometry/cell.hpp"
#include "support/test_support.hpp"

namespace korvex {
namespace {

const Mat3 kRows{{{1, 2, 3}, {4, 5, 6}, {7, 8, 9}}};
const Mat3 kCubic{{{0.1f, 0, 0}, {0, 0.1f, 0}, {0, 0, 0.1f}}};

TEST(GetCellVol, CubicHexagonalRadiansAndImpossible) {
  auto check = [](std::array<float, 6> cell, int irad, float expected) {
    SCOPED_TRACE(testing::Message() << cell[0] << " " << cell[5] << " irad " << irad);
    EXPECT_NEAR(getCellVol(cell, irad), expected, 1e-3f * std::max(1.0f, expected));
  };
  check({10, 10, 10, 90, 90, 90}, 0, 1000.0f);
  check({5, 6, 7, 90, 90, 120}, 0, 210.0f * std::sqrt(3.0f) / 2.0f);  // 181.87
  check({5, 6, 7, 1.5707964f, 1.5707964f, 1.5707964f}, 1, 210.0f);
  check({5, 5, 5, 10, 10, 120}, 0, 0.0f);  // angles that close no cell
}

TEST(RotateUb, SignedPermutationMovesRows) {
  test::TestRun t;
  t.run.exp.UB = kRows;
  t.run.exp.BLAXES = {1, 2, 3};
  rotateUb(t.run);
  EXPECT_EQ(t.run.exp.UB, kRows);

  t.run.exp.BLAXES = {2, -1, 3};
  rotateUb(t.run);
  const Mat3 expected{{{-4, -5, -6}, {1, 2, 3}, {7, 8, 9}}};
  EXPECT_EQ(t.run.exp.UB, expected);
  EXPECT_TRUE(t.dialog.warningBoxes.empty());
}

TEST(RotateUb, InvalidCardsWarnAndKeepUb) {
  auto check = [](std::array<int, 3> blaxes, const std::string& shownSum) {
    SCOPED_TRACE(testing::Message() << blaxes[0] << " " << blaxes[1] << " " << blaxes[2]);
    test::TestRun t;
    t.run.exp.UB = kRows;
    t.run.exp.BLAXES = blaxes;
    rotateUb(t.run);
    EXPECT_EQ(t.run.exp.UB, kRows);
    EXPECT_EQ(t.run.exp.BLAXES, (std::array<int, 3>{1, 2, 3}));
    // The box and the print file stop at the five blanks after the sum.
    ASSERT_EQ(t.dialog.warningBoxes.size(), 1u);
    EXPECT_EQ(t.dialog.warningBoxes[0], "ERROR IN EXP FILE:  BLAXES CARD ENTRIES ADD TO " + shownSum + " ");
  };
  check({1, 2, 4}, "7");
  check({4, 4, 4}, "*");
  check({2, 2, 2}, "6");  // adds to 6 without naming every axis
  check({0, 3, 3}, "6");
}

TEST(RecipAndRealCell, CubicUb) {
  test::TestRun t;
  ExperimentState& e = t.run.exp;
  e.UB = kCubic;
  recipCell(t.run);
  realCell(t.run);
  for (int i = 0; i < 3; ++i) {
    EXPECT_FLOAT_EQ(e.RCELL[i], 0.1f);
    EXPECT_FLOAT_EQ(e.RCELL[i + 3], 90.0f);
    EXPECT_FLOAT_EQ(e.CELLUB[i], 10.0f);
    EXPECT_FLOAT_EQ(e.CELLUB[i + 3], 90.0f);
    EXPECT_FLOAT_EQ(e.UBTINV[i][i], 10.0f);
  }
  EXPECT_NEAR(e.CELLUB[6], 1000.0f, 0.01f);
  EXPECT_EQ(t.printText(), "");
}

TEST(RecipAndRealCell, Failures) {
  // (10X,3F10.6,':') of three values.
  auto group = [](const char* a, const char* b, const char* c, const char* end) {
    return std::string(12, ' ') + a + "  " + b + "  " + c + end;
  };
  const char* z = "0.000000";
  {
    test::TestRun t;
    t.run.exp.UB = kRows;  // singular: the message lists the zeroed inverse
    EXPECT_FATAL(recipCell(t.run), "INVALID UB: (UBTRANSPOSE)-1= " + group(z, z, z, ":") + group(z, z, z, ":") +
                                       group(z, z, z, ":"));
  }
  {
    test::TestRun t;
    t.run.exp.UB = {{{0.1f, 0, 0}, {0, 0, 0}, {0, 0, 0.1f}}};  // b* of length zero
    EXPECT_FATAL(recipCell(t.run), "  INVALID RECIP METRIC TENSOR: " + group("0.010000", z, z, ":") +
                                       group(z, z, z, ":") + group(z, z, "0.010000", ":"));
  }
  {
    // 100 A edges: the transpose inverts (det 1E-6), the metric tensor (det 1E-12) does not,
    // and the reciprocal tensor is listed before the message.
    test::TestRun t;
    t.run.exp.UB = {{{0.01f, 0, 0}, {0, 0.01f, 0}, {0, 0, 0.01f}}};
    recipCell(t.run);
    EXPECT_FATAL(realCell(t.run), "   Determinant of Recip Metric tensor =     0.0000");
    const std::string row = std::string(9, ' ');
    EXPECT_EQ(t.printText(), "\nThe Recip metric tensor is:\n\n" +                        //
                                 row + "  0.000100  0.000000  0.000000\n" +  //
                                 row + "  0.000000  0.000100  0.000000\n" +  //
                                 row + "  0.000000  0.000000  0.000100\n");
  }
}

TEST(DcToShelx, ProjectionsOnReciprocalAxes) {
  ExperimentState e;
  ReflectionRecord r;
  r.DCI = {0.0f, 1.0f, 0.0f};
  r.DCD = {0.6f, 0.0f, 0.8f};
  std::array<float, 6> dc{};
  dcToShelx(e, r, dc);
  EXPECT_EQ(dc, (std::array<float, 6>{1, 1, 0, 0, 0, 0}));

  test::TestRun t;
  t.run.exp.UB = {{{0.2f, 0, 0}, {0, 0.1f, 0}, {0, 0, 0.1f}}};
  recipCell(t.run);
  t.run.exp.NUB = 3;
  dcToShelx(t.run.exp, r, dc);
  const std::array<float, 6> expected{0.0f, 0.6f, 1.0f, 0.0f, 0.0f, 0.8f};
  for (int i = 0; i < 6; ++i) EXPECT_FLOAT_EQ(dc[i], expected[i]) << i;
}

}  // namespace
}  // namespace korvex
