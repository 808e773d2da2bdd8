#include "geometry/matrix_inversion.hpp"

#include <cmath>

namespace korvex {

void minv38(const Mat3d& a, Mat3d& ainv, double eps, double& det, int& ier) {
  // Work on a copy so that the caller may pass the same matrix for a and ainv.
  const Mat3d m = a;
  ier = 0;
  det = 0.0;
  ainv = {};

  // Cofactors column by column: for column i the other columns are taken in
  // the cyclic order (i+1, i+2) and for row r the other rows in the order
  // (r+1, r+2), which gives every cofactor its sign without a sign rule.
  Mat3d c{};
  for (int i = 0; i < 3; ++i) {
    const int i1 = (i + 1) % 3;
    const int i2 = (i + 2) % 3;
    for (int r = 0; r < 3; ++r) {
      const int r1 = (r + 1) % 3;
      const int r2 = (r + 2) % 3;
      c[r][i] = m[r1][i1] * m[r2][i2] - m[r2][i1] * m[r1][i2];
    }
  }

  // Expansion along the third row.
  double d = m[2][0] * c[2][0];
  d = d + m[2][1] * c[2][1];
  d = d + m[2][2] * c[2][2];

  if (std::fabs(d) >= eps) {
    det = d;
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) ainv[i][j] = c[j][i] / d;
  } else {
    ier = 1;
  }
}

void minv3(const Mat3& a, Mat3& ainv, float eps, float& det, int& ier) {
  Mat3d wide{};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) wide[i][j] = static_cast<double>(a[i][j]);
  Mat3d inv{};
  double d = 0.0;
  minv38(wide, inv, static_cast<double>(eps), d, ier);
  det = static_cast<float>(d);
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) ainv[i][j] = static_cast<float>(inv[i][j]);
}

}  // namespace korvex
