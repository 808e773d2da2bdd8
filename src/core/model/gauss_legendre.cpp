// Gauss-Legendre abscissae and weights, computed once in double precision at
// compile time and rounded to single precision.
//
// The abscissae are the roots of the Legendre polynomial P_n, found by Newton
// iteration from the asymptotic estimate cos(pi (i - 1/4) / (n + 1/2));
// the weights are w_i = 2 / ((1 - x_i^2) P_n'(x_i)^2) (Abramowitz & Stegun,
// 25.4.29). Each root is found once and used with both signs, so every rule
// is exactly symmetric.
#include "model/gauss_legendre.hpp"

namespace korvex {
namespace {

constexpr double kPi = 3.14159265358979323846;

// Cosine for the starting estimates only (Newton refines them); a Taylor
// series on [0, pi] is ample.
constexpr double startCos(double a) {
  while (a > kPi) a -= 2.0 * kPi;
  if (a < 0.0) a = -a;
  double term = 1.0;
  double sum = 1.0;
  for (int k = 1; k < 30; ++k) {
    term *= -a * a / ((2.0 * k - 1.0) * (2.0 * k));
    sum += term;
  }
  return sum;
}

struct LegendreValue {
  double p;   // P_n(x)
  double dp;  // P_n'(x)
};

constexpr LegendreValue legendre(int n, double x) {
  double p0 = 1.0;
  double p1 = x;
  for (int j = 2; j <= n; ++j) {
    const double p2 = ((2.0 * j - 1.0) * x * p1 - (j - 1.0) * p0) / j;
    p0 = p1;
    p1 = p2;
  }
  if (n == 0) return {1.0, 0.0};
  return {p1, n * (x * p1 - p0) / (x * x - 1.0)};
}

struct Tables {
  GaussTable x{};
  GaussTable w{};
};

constexpr Tables computeTables() {
  Tables t{};
  for (int rule = 0; rule < kGaussRules; ++rule) {
    const int n = 1 << rule;
    for (int i = 1; i <= (n + 1) / 2; ++i) {
      double x = startCos(kPi * (i - 0.25) / (n + 0.5));
      for (int iter = 0; iter < 100; ++iter) {
        const LegendreValue v = legendre(n, x);
        const double dx = v.p / v.dp;
        x -= dx;
        if (dx < 1.0e-16 && dx > -1.0e-16) break;
      }
      const LegendreValue v = legendre(n, x);
      const double w = 2.0 / ((1.0 - x * x) * v.dp * v.dp);
      // Root i counts down from near +1; row i-1 holds its mirror image.
      t.x[rule][i - 1] = static_cast<float>(-x);
      t.x[rule][n - i] = static_cast<float>(x);
      t.w[rule][i - 1] = static_cast<float>(w);
      t.w[rule][n - i] = static_cast<float>(w);
    }
  }
  return t;
}

constexpr Tables kTables = computeTables();

}  // namespace

const GaussTable GAUSSX = kTables.x;
const GaussTable GAUSSW = kTables.w;

}  // namespace korvex
