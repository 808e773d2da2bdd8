// Gauss-Legendre tables: the published rules, and exactness on polynomials.
#include "model/gauss_legendre.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace korvex {
namespace {

// Positive abscissae and their weights, ascending, from Abramowitz & Stegun,
// Table 25.4 (to 15 or more figures).
struct Published {
  int column;
  std::vector<double> x, w;
};

const Published kPublished[] = {
    {1, {0.0}, {2.0}},
    {2, {0.577350269189626}, {1.0}},
    {3, {0.339981043584856, 0.861136311594053}, {0.652145154862546, 0.347854845137454}},
    {4,
     {0.183434642495650, 0.525532409916329, 0.796666477413627, 0.960289856497536},
     {0.362683783378362, 0.313706645877887, 0.222381034453374, 0.101228536290376}},
    {5,
     {0.095012509837637, 0.281603550779259, 0.458016777657227, 0.617876244402644, 0.755404408355003,
      0.865631202387832, 0.944575023073233, 0.989400934991650},
     {0.189450610455068, 0.182603415044924, 0.169156519395003, 0.149595988816577, 0.124628971255534,
      0.095158511682493, 0.062253523938648, 0.027152459411754}},
};

TEST(GaussLegendre, TablesHoldThePublishedRulesToSinglePrecision) {
  for (const Published& p : kPublished) {
    SCOPED_TRACE("column " + std::to_string(p.column));
    const int n = 1 << (p.column - 1);
    const int half = static_cast<int>(p.x.size());
    for (int r = 0; r < half; ++r) {
      // Positive abscissa r of the publication is row n - half + r.
      const int row = n - half + r;
      EXPECT_EQ(GAUSSX[p.column - 1][row], static_cast<float>(p.x[r])) << row;
      EXPECT_EQ(GAUSSW[p.column - 1][row], static_cast<float>(p.w[r])) << row;
      EXPECT_EQ(GAUSSX[p.column - 1][n - 1 - row], -GAUSSX[p.column - 1][row]);
      EXPECT_EQ(GAUSSW[p.column - 1][n - 1 - row], GAUSSW[p.column - 1][row]);
    }
  }
  // The 32-point rule at both ends of its positive half.
  EXPECT_EQ(GAUSSX[5][16], static_cast<float>(0.048307665687738));
  EXPECT_EQ(GAUSSW[5][16], static_cast<float>(0.096540088514728));
  EXPECT_EQ(GAUSSX[5][31], static_cast<float>(0.997263861849482));
  EXPECT_EQ(GAUSSW[5][31], static_cast<float>(0.007018610009470));
}

TEST(GaussLegendre, RowsAscendAndRowsBeyondTheOrderAreZero) {
  for (int c = 0; c < kGaussRules; ++c) {
    SCOPED_TRACE("column " + std::to_string(c + 1));
    const int n = 1 << c;
    for (int r = 1; r < n; ++r) EXPECT_LT(GAUSSX[c][r - 1], GAUSSX[c][r]);
    for (int r = n; r < kMaxGrid; ++r) {
      EXPECT_EQ(GAUSSX[c][r], 0.0f);
      EXPECT_EQ(GAUSSW[c][r], 0.0f);
    }
  }
}

// An n-point rule integrates every polynomial of degree up to 2n - 1
// exactly: x^p over [-1, 1] is 2/(p + 1) for even p and 0 for odd p.
TEST(GaussLegendre, RulesIntegratePolynomialsUpToDegreeTwoNMinusOneExactly) {
  for (int c = 0; c < kGaussRules; ++c) {
    const int n = 1 << c;
    for (int p = 0; p <= 2 * n - 1; ++p) {
      SCOPED_TRACE("rule " + std::to_string(n) + ", power " + std::to_string(p));
      double sum = 0.0;
      for (int r = 0; r < n; ++r) sum += GAUSSW[c][r] * std::pow(static_cast<double>(GAUSSX[c][r]), p);
      const double exact = p % 2 == 0 ? 2.0 / (p + 1) : 0.0;
      EXPECT_NEAR(sum, exact, 2.0e-6);
    }
    // One degree more is beyond the rule (the 1-point rule misses x^2); for
    // the long rules that error is below single precision.
    if (n > 8) continue;
    double sum = 0.0;
    for (int r = 0; r < n; ++r) sum += GAUSSW[c][r] * std::pow(static_cast<double>(GAUSSX[c][r]), 2 * n);
    EXPECT_GT(std::fabs(sum - 2.0 / (2 * n + 1)), 1.0e-5) << "rule " << n;
  }
}

}  // namespace
}  // namespace korvex
