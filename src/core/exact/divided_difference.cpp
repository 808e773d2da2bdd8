// Divided differences of exp: a table over sorted nodes, with series where
// nodes crowd together.
#include "exact/divided_difference.hpp"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace korvex::exact {

namespace {

constexpr int kMaxNodes = 5;
// Sub-tables whose nodes spread over at most this are summed as a series:
// about the centre every node lies within 0.5, so 17 terms reach 1e-17.
// Above it the difference quotient loses at most a few bits per order.
constexpr double kSeriesSpread = 1.0;

// A value with its derivative with respect to one parameter (mu), so that
// the same table gives the integral and its mu-derivative.
struct Dual {
  double v = 0.0;
  double d = 0.0;
};
Dual operator+(Dual a, Dual b) { return {a.v + b.v, a.d + b.d}; }
Dual operator-(Dual a, Dual b) { return {a.v - b.v, a.d - b.d}; }
Dual operator*(Dual a, Dual b) { return {a.v * b.v, a.d * b.v + a.v * b.d}; }
Dual operator/(Dual a, Dual b) { return {a.v / b.v, (a.d * b.v - a.v * b.d) / (b.v * b.v)}; }
Dual operator*(double s, Dual a) { return {s * a.v, s * a.d}; }
Dual expOf(Dual a) {
  const double e = std::exp(a.v);
  return {e, a.d * e};
}
double expOf(double a) { return std::exp(a); }
double valueOf(double a) { return a; }
double valueOf(Dual a) { return a.v; }

// exp[x_lo .. x_hi] by its series about the centre of the (sorted) nodes.
template <class T>
T seriesDifference(const std::array<T, kMaxNodes>& x, int lo, int hi) {
  const int n = hi - lo;
  const T c = 0.5 * (x[lo] + x[hi]);
  std::array<T, kMaxNodes> z{};
  std::array<T, kMaxNodes> h{};  // h[j] = h_k(z_0 .. z_j) for the current k
  double r = 0.0;
  for (int j = 0; j <= n; ++j) {
    z[j] = x[lo + j] - c;
    h[j] = T{1.0};
    r = std::max(r, std::fabs(valueOf(z[j])));
  }
  double invFactorial = 1.0;  // 1 / (n + k)!
  for (int i = 2; i <= n; ++i) invFactorial /= i;
  T sum = invFactorial * h[n];
  // Terms k and beyond are bounded by r^k / (n! k!), their mu-derivatives by
  // r^(k-1) / (n! (k-1)!) times the nodes' derivatives; stop when the latter
  // bound for the next term is negligible.
  double bound = 1.0;
  for (int k = 1; k < 40; ++k) {
    h[0] = z[0] * h[0];
    for (int j = 1; j <= n; ++j) h[j] = h[j - 1] + z[j] * h[j];
    invFactorial /= (n + k);
    sum = sum + invFactorial * h[n];
    bound *= r / k;
    if (bound < 1e-17) break;
  }
  return expOf(c) * sum;
}

template <class T>
T dividedDifference(const T* nodes, int m) {
  if (m < 1 || m > kMaxNodes) throw std::invalid_argument("divided difference of 1 to 5 nodes");
  std::array<T, kMaxNodes> x{};
  std::copy(nodes, nodes + m, x.begin());
  std::sort(x.begin(), x.begin() + m, [](const T& a, const T& b) { return valueOf(a) < valueOf(b); });
  const auto spread = [&](int lo, int hi) { return valueOf(x[hi]) - valueOf(x[lo]); };
  if (spread(0, m - 1) <= kSeriesSpread) return seriesDifference(x, 0, m - 1);

  // Newton's table, one order at a time: row[lo] = exp[x_lo .. x_lo+order].
  std::array<T, kMaxNodes> row{};
  for (int i = 0; i < m; ++i) row[i] = expOf(x[i]);
  for (int order = 1; order < m; ++order) {
    for (int lo = 0; lo + order < m; ++lo) {
      const int hi = lo + order;
      row[lo] = spread(lo, hi) <= kSeriesSpread ? seriesDifference(x, lo, hi)
                                                : (row[lo + 1] - row[lo]) / (x[hi] - x[lo]);
    }
  }
  return row[0];
}

// Moments of exp(-mu t) over a simplex: the nodes -mu t_i carry their
// derivative -t_i, so the table's derivative is minus the path-weighted
// integral.
template <std::size_t N>
PathMoments simplexMoments(double measureTimesFactorial, const std::array<double, N>& t, double mu) {
  std::array<Dual, N> a{};
  for (std::size_t i = 0; i < N; ++i) a[i] = {-mu * t[i], -t[i]};
  const Dual dd = dividedDifference(a.data(), static_cast<int>(N));
  return {measureTimesFactorial * dd.v, -measureTimesFactorial * dd.d};
}

}  // namespace

double expDividedDifference(std::span<const double> nodes) {
  return dividedDifference(nodes.data(), static_cast<int>(nodes.size()));
}

double segmentExpIntegral(double length, double e0, double e1) {
  const std::array<double, 2> a{e0, e1};
  return length * dividedDifference(a.data(), 2);
}

double tetrahedronExpIntegral(double volume, const std::array<double, 4>& e) {
  return 6.0 * volume * dividedDifference(e.data(), 4);
}

PathMoments segmentPathMoments(double length, double t0, double t1, double mu) {
  return simplexMoments(length, std::array<double, 2>{t0, t1}, mu);
}

PathMoments tetrahedronPathMoments(double volume, const std::array<double, 4>& t, double mu) {
  return simplexMoments(6.0 * volume, t, mu);
}

}  // namespace korvex::exact
