// Divided differences of exp: a table over sorted nodes, with series where
// nodes crowd together.
#include "exact/divided_difference.hpp"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "exact/quick_exp.hpp"

namespace korvex::exact {

namespace {

// Nodes that spread over at most 2 are summed as one series (about the
// centre every node lies within 1, so 20 terms reach 1e-17). Otherwise the
// table is formed, and its sub-tables whose nodes spread over at most 0.5
// are summed as series; above that each difference quotient loses a few
// bits. Against a 113-bit evaluation the result stays within 1e-13.
constexpr double kWholeSeriesSpread = 2.0;
constexpr double kSeriesSpread = 0.5;

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
template <class T, std::size_t M>
T seriesDifference(const std::array<T, M>& x, int lo, int hi) {
  const int n = hi - lo;
  const T c = 0.5 * (x[lo] + x[hi]);
  std::array<T, M> z{};
  std::array<T, M> h{};  // h[j] = h_k(z_0 .. z_j) for the current k
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

// The same over all M nodes, with the node count known to the compiler.
template <class T, std::size_t M>
T seriesOfAll(const std::array<T, M>& x) {
  constexpr std::size_t n = M - 1;
  const T c = 0.5 * (x[0] + x[n]);
  std::array<T, M> z{}, h{};
  double r = 0.0;
  for (std::size_t j = 0; j < M; ++j) {
    z[j] = x[j] - c;
    h[j] = T{1.0};
    r = std::max(r, std::fabs(valueOf(z[j])));
  }
  double invFactorial = 1.0;
  for (std::size_t i = 2; i <= n; ++i) invFactorial /= static_cast<double>(i);
  T sum = invFactorial * h[n];
  double bound = 1.0;
  for (int k = 1; k < 40; ++k) {
    h[0] = z[0] * h[0];
    for (std::size_t j = 1; j < M; ++j) h[j] = h[j - 1] + z[j] * h[j];
    invFactorial /= static_cast<double>(n + static_cast<std::size_t>(k));
    sum = sum + invFactorial * h[n];
    bound *= r / k;
    if (bound < 1e-17) break;
  }
  return expOf(c) * sum;
}

// The series of four nodes with their derivatives, the case of every
// tetrahedron whose path varies by less than 2 / mu, written out.
Dual seriesOfAll(const std::array<Dual, 4>& x) {
  const double cv = 0.5 * (x[0].v + x[3].v), cd = 0.5 * (x[0].d + x[3].d);
  double zv[4], zd[4], hv[4] = {1, 1, 1, 1}, hd[4] = {0, 0, 0, 0};
  double r = 0.0;
  for (int j = 0; j < 4; ++j) {
    zv[j] = x[j].v - cv;
    zd[j] = x[j].d - cd;
    r = std::max(r, std::fabs(zv[j]));
  }
  double invFactorial = 1.0 / 6.0, sumv = invFactorial, sumd = 0.0, bound = 1.0;
  for (int k = 1; k < 40; ++k) {
    hd[0] = zd[0] * hv[0] + zv[0] * hd[0];
    hv[0] = zv[0] * hv[0];
    for (int j = 1; j < 4; ++j) {
      hd[j] = hd[j - 1] + zd[j] * hv[j] + zv[j] * hd[j];
      hv[j] = hv[j - 1] + zv[j] * hv[j];
    }
    invFactorial /= (3 + k);
    sumv += invFactorial * hv[3];
    sumd += invFactorial * hd[3];
    bound *= r / k;
    if (bound < 1e-17) break;
  }
  const double e = std::exp(cv);
  return {e * sumv, e * (sumd + cd * sumv)};
}

template <class T, std::size_t M>
T dividedDifference(std::array<T, M> x) {
  // Insertion sort: at most five nodes.
  for (int i = 1; i < static_cast<int>(M); ++i) {
    for (int j = i; j > 0 && valueOf(x[j]) < valueOf(x[j - 1]); --j) std::swap(x[j], x[j - 1]);
  }
  const auto spread = [&](int lo, int hi) { return valueOf(x[hi]) - valueOf(x[lo]); };
  constexpr int m = static_cast<int>(M);
  if (spread(0, m - 1) <= kWholeSeriesSpread) return seriesOfAll(x);

  // Newton's table, one order at a time: row[lo] = exp[x_lo .. x_lo+order].
  std::array<T, M> row{};
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

template <class T, std::size_t M>
T dividedDifferenceOf(const T* nodes) {
  std::array<T, M> x{};
  std::copy(nodes, nodes + M, x.begin());
  return dividedDifference<T, M>(x);
}

// Moments of exp(-mu t) over a simplex: the nodes -mu t_i carry their
// derivative -t_i, so the table's derivative is minus the path-weighted
// integral.
template <std::size_t N>
PathMoments simplexMoments(double measureTimesFactorial, const std::array<double, N>& t, double mu) {
  std::array<Dual, N> a{};
  for (std::size_t i = 0; i < N; ++i) a[i] = {-mu * t[i], -t[i]};
  const Dual dd = dividedDifference<Dual, N>(a);
  return {measureTimesFactorial * dd.v, -measureTimesFactorial * dd.d};
}

}  // namespace

double expDividedDifference(std::span<const double> nodes) {
  switch (nodes.size()) {
    case 1: return dividedDifferenceOf<double, 1>(nodes.data());
    case 2: return dividedDifferenceOf<double, 2>(nodes.data());
    case 3: return dividedDifferenceOf<double, 3>(nodes.data());
    case 4: return dividedDifferenceOf<double, 4>(nodes.data());
    case 5: return dividedDifferenceOf<double, 5>(nodes.data());
    default: throw std::invalid_argument("divided difference of 1 to 5 nodes");
  }
}

double segmentExpIntegral(double length, double e0, double e1) {
  // Two nodes need no table: the quotient, or its series where they crowd.
  return length * expMeanOnSegment(e0, e1, quickExp(e0), quickExp(e1));
}

double tetrahedronExpIntegral(double volume, const std::array<double, 4>& e) {
  return 6.0 * volume * dividedDifference<double, 4>(e);
}

PathMoments segmentPathMoments(double length, double t0, double t1, double mu) {
  return simplexMoments(length, std::array<double, 2>{t0, t1}, mu);
}

PathMoments trianglePathMoments(double area, const std::array<double, 3>& t, double mu) {
  return simplexMoments(2.0 * area, t, mu);
}

PathMoments tetrahedronPathMoments(double volume, const std::array<double, 4>& t, double mu) {
  return simplexMoments(6.0 * volume, t, mu);
}

}  // namespace korvex::exact
