// Gauss-Legendre rules of 1, 2, 4, 8, 16 and 32 points on [-1, 1], the
// quadrature behind the crystal's integration grid (Burnham, 1966).
#pragma once

#include <array>

#include "experiment/experiment_state.hpp"  // for kMaxGrid

namespace korvex {

inline constexpr int kGaussRules = 6;  // rule L has 2^(L-1) points

// GAUSSX[L-1][n-1]: the n-th abscissa of rule L, ascending from near -1 to
// near +1; GAUSSW[L-1][n-1] its weight. Rows beyond the rule's order are 0.
using GaussTable = std::array<std::array<float, kMaxGrid>, kGaussRules>;
extern const GaussTable GAUSSX;
extern const GaussTable GAUSSW;

}  // namespace korvex
