// 3 x 3 inversion by cofactors with a caller-supplied determinant threshold.
#pragma once

#include <array>

#include "experiment/experiment_state.hpp"

namespace korvex {

using Mat3d = std::array<std::array<double, 3>, 3>;  // [row][column]

// MINV38: ier = 0 and ainv = a^-1 when |det a| >= eps; otherwise ier = 1,
// det = 0 and ainv all zero.
void minv38(const Mat3d& a, Mat3d& ainv, double eps, double& det, int& ier);
// MINV3: the same for single precision, through MINV38; a and ainv may be
// the same matrix.
void minv3(const Mat3& a, Mat3& ainv, float eps, float& det, int& ier);

}  // namespace korvex
