// 3 x 3 inversion by cofactors: thresholds, singular matrices, in-place use.
#include <gtest/gtest.h>

#include "geometry/matrix_inversion.hpp"

namespace korvex {
namespace {

TEST(MatrixInversion, InverseTimesMatrixIsIdentity) {
  // Not symmetric, so a transposed or mis-signed cofactor shows.
  const Mat3d a{{{2.0, -1.0, 0.5}, {0.3, 4.0, -2.0}, {1.0, 0.0, 3.0}}};
  Mat3d inv{};
  double det = 0.0;
  int ier = -1;
  minv38(a, inv, 1.0e-7, det, ier);
  ASSERT_EQ(ier, 0);
  // det by the rule of Sarrus.
  EXPECT_NEAR(det, 2.0 * 12.0 + 1.0 * (0.9 + 2.0) + 0.5 * (0.0 - 4.0), 1e-12);
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) {
      double s = 0.0;
      for (int k = 0; k < 3; ++k) s += a[i][k] * inv[k][j];
      EXPECT_NEAR(s, i == j ? 1.0 : 0.0, 1e-12) << i << "," << j;
    }
}

TEST(MatrixInversion, IdentityAndSingular) {
  const Mat3 identity{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
  Mat3 inv{};
  float det = 0.0f;
  int ier = -1;
  minv3(identity, inv, 1.0e-7f, det, ier);
  EXPECT_EQ(ier, 0);
  EXPECT_EQ(det, 1.0f);
  EXPECT_EQ(inv, identity);

  const Mat3 twoEqualRows{{{1, 2, 3}, {1, 2, 3}, {0, 1, 5}}};
  inv[0][0] = 7.0f;
  minv3(twoEqualRows, inv, 1.0e-7f, det, ier);
  EXPECT_EQ(ier, 1);
  EXPECT_EQ(det, 0.0f);
  EXPECT_EQ(inv, Mat3{});
}

TEST(MatrixInversion, ThresholdIsInclusive) {
  const Mat3 small{{{1.0e-3f, 0, 0}, {0, 1.0e-3f, 0}, {0, 0, 1.0e-3f}}};
  auto check = [&](float eps, int expectedIer) {
    SCOPED_TRACE(eps);
    Mat3 inv{};
    float det = -1.0f;
    int ier = -1;
    minv3(small, inv, eps, det, ier);
    EXPECT_EQ(ier, expectedIer);
    if (expectedIer == 0) {
      EXPECT_FLOAT_EQ(det, 1.0e-9f);
      EXPECT_FLOAT_EQ(inv[1][1], 1000.0f);
    } else {
      EXPECT_EQ(det, 0.0f);
      EXPECT_EQ(inv, Mat3{});
    }
  };
  check(1.0e-9f, 0);
  check(1.0e-7f, 1);
}

TEST(MatrixInversion, InPlaceGivesTheSameResult) {
  Mat3 a{{{0.1f, 0.02f, -0.03f}, {0.0f, 0.12f, 0.01f}, {0.05f, -0.01f, 0.09f}}};
  Mat3 separate{};
  float det1 = 0.0f, det2 = 0.0f;
  int ier1 = -1, ier2 = -1;
  minv3(a, separate, 1.0e-7f, det1, ier1);
  minv3(a, a, 1.0e-7f, det2, ier2);
  EXPECT_EQ(ier1, 0);
  EXPECT_EQ(ier2, 0);
  EXPECT_EQ(det1, det2);
  EXPECT_EQ(a, separate);
}

}  // namespace
}  // namespace korvex
