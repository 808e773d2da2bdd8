// Adaptive Gauss-Kronrod quadrature of functions with values in R^N: the
// 15-point Kronrod rule with the 7-point Gauss rule inside it, an error
// estimate from the two, and the interval with the largest error halved
// until the errors together meet every component's tolerance. Used by the exact transmission wherever a gasket makes the
// integrand other than an exponential of a linear function.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <span>
#include <vector>

namespace korvex::exact {

template <std::size_t N>
using Values = std::array<double, N>;

template <std::size_t N>
Values<N>& operator+=(Values<N>& a, const Values<N>& b) {
  for (std::size_t i = 0; i < N; ++i) a[i] += b[i];
  return a;
}

template <std::size_t N>
Values<N> scaled(const Values<N>& a, double s) {
  Values<N> r{};
  for (std::size_t i = 0; i < N; ++i) r[i] = a[i] * s;
  return r;
}

// How the error of a Kronrod estimate is judged. Gauss: the difference from
// the Gauss estimate, the Gauss rule's own error, safe where an integrand
// has kinks that no break catches. Smooth: QUADPACK's scaling of that
// difference, (200 d / s)^1.5 s with s the integrand's mean deviation, close
// to the Kronrod rule's real error for analytic integrands.
enum class ErrorEstimate { Gauss, Smooth };

namespace quadrature {

// A Kronrod rule on [-1, 1] with the Gauss rule inside it: abscissae x_j and
// -x_j (the last one 0), Kronrod weights, and the Gauss weights of the
// odd-numbered abscissae and of 0.
template <std::size_t K>
struct Rule {
  std::array<double, K> node;
  std::array<double, K> kronrod;
  std::array<double, K / 2 + 1> gauss;
};

// 15 points with the 7-point Gauss rule (QUADPACK's qk15).
inline constexpr Rule<8> kFifteen{
    {0.991455371120812639206854697526329, 0.949107912342758524526189684047851,
     0.864864423359769072789712788640926, 0.741531185599394439863864773280788,
     0.586087235467691130294144845693013, 0.405845151377397166906606412076961,
     0.207784955007898467600689403773245, 0.0},
    {0.022935322010529224963732008058970, 0.063092092629978553290700663189204,
     0.104790010322250183839876322541518, 0.140653259715525918745189590510238,
     0.169004726639267902826583426598550, 0.190350578064785409913256402421014,
     0.204432940075298892414161999234649, 0.209482141084727828012999174891714},
    {0.0, 0.129484966168869693270611432679082, 0.279705391489276667901467771423780,
     0.381830050505118944950369775488975, 0.417959183673469387755102040816327}};

// The Kronrod estimate over [a, b], and in `error` the difference from the
// Gauss estimate: the error of the Gauss rule, well above the Kronrod
// rule's own for smooth integrands.
template <std::size_t N, std::size_t K, class F>
Values<N> kronrod(const Rule<K>& rule, F& f, double a, double b, Values<N>& error,
                  ErrorEstimate estimate = ErrorEstimate::Gauss) {
  const double c = 0.5 * (a + b), h = 0.5 * (b - a);
  std::array<Values<N>, 2 * K - 1> fx{};
  fx[2 * K - 2] = f(c);
  for (std::size_t j = 0; j + 1 < K; ++j) {
    const double x = h * rule.node[j];
    fx[2 * j] = f(c - x);
    fx[2 * j + 1] = f(c + x);
  }
  Values<N> k{};
  for (std::size_t i = 0; i < N; ++i) {
    double kr = rule.kronrod[K - 1] * fx[2 * K - 2][i], g = rule.gauss[K / 2] * fx[2 * K - 2][i];
    for (std::size_t j = 0; j + 1 < K; ++j) {
      const double s = fx[2 * j][i] + fx[2 * j + 1][i];
      kr += rule.kronrod[j] * s;
      if (j % 2 == 1) g += rule.gauss[(j + 1) / 2] * s;
    }
    double e = std::fabs((kr - g) * h);
    if (estimate == ErrorEstimate::Smooth && e > 0.0) {
      const double mean = 0.5 * kr;
      double deviation = rule.kronrod[K - 1] * std::fabs(fx[2 * K - 2][i] - mean);
      for (std::size_t j = 0; j + 1 < K; ++j)
        deviation += rule.kronrod[j] * (std::fabs(fx[2 * j][i] - mean) + std::fabs(fx[2 * j + 1][i] - mean));
      deviation *= std::fabs(h);
      if (deviation > 0.0) e = deviation * std::min(1.0, std::pow(200.0 * e / deviation, 1.5));
    }
    k[i] = kr * h;
    error[i] = e;
  }
  return k;
}

// Global adaptive integration over the intervals between sorted points:
// the interval with the largest error (against its component's tolerance)
// is halved until the errors together meet the tolerance, or kMoreIntervals
// halvings are spent, or the worst interval is too narrow to halve.
inline constexpr std::size_t kMoreIntervals = 80;

template <std::size_t N>
struct Interval {
  double a = 0.0, b = 0.0;
  Values<N> value{}, error{};
  double weight = 0.0;  // largest error / tolerance over the components
};

template <std::size_t N, std::size_t K, class F>
Values<N> adaptiveIn(std::span<Interval<N>> work, const Rule<K>& rule, F& f, std::span<const double> points,
                     const Values<N>& tolerance, ErrorEstimate estimate) {
  std::size_t n = 0;
  Values<N> error{};
  const auto measure = [&](Interval<N>& iv) {
    iv.value = kronrod<N>(rule, f, iv.a, iv.b, iv.error, estimate);
    iv.weight = 0.0;
    for (std::size_t i = 0; i < N; ++i) {
      error[i] += iv.error[i];
      iv.weight = std::max(iv.weight, tolerance[i] > 0.0 ? iv.error[i] / tolerance[i] : iv.error[i]);
    }
  };
  const double length = points.back() - points.front();
  for (std::size_t k = 0; k + 1 < points.size(); ++k) {
    if (!(points[k + 1] > points[k])) continue;
    work[n] = {points[k], points[k + 1]};
    measure(work[n++]);
  }
  for (;;) {
    bool met = true;
    for (std::size_t i = 0; i < N; ++i) met = met && error[i] <= tolerance[i];
    if (met || n == work.size()) break;
    std::size_t worst = 0;
    for (std::size_t k = 1; k < n; ++k)
      if (work[k].weight > work[worst].weight) worst = k;
    Interval<N>& w = work[worst];
    if (!(w.b - w.a > length * 0x1p-40)) break;
    for (std::size_t i = 0; i < N; ++i) error[i] -= w.error[i];
    const double m = 0.5 * (w.a + w.b);
    work[n] = {m, w.b};
    w.b = m;
    measure(w);
    measure(work[n++]);
  }
  Values<N> sum{};
  for (std::size_t k = 0; k < n; ++k) sum += work[k].value;
  return sum;
}

template <std::size_t N, std::size_t K, class F>
Values<N> adaptive(const Rule<K>& rule, F& f, std::span<const double> points, const Values<N>& tolerance,
                   ErrorEstimate estimate) {
  const std::size_t need = points.size() - 1 + kMoreIntervals;
  constexpr std::size_t kOnStack = 96;
  if (need <= kOnStack) {
    std::array<Interval<N>, kOnStack> work;
    return adaptiveIn<N>(std::span<Interval<N>>(work.data(), need), rule, f, points, tolerance, estimate);
  }
  std::vector<Interval<N>> work(need);
  return adaptiveIn<N>(std::span<Interval<N>>(work), rule, f, points, tolerance, estimate);
}

}  // namespace quadrature

// Integral of f over [a, b] to the absolute tolerance of each component.
template <std::size_t N, class F>
Values<N> integrate(F&& f, double a, double b, const Values<N>& tolerance,
                    ErrorEstimate estimate = ErrorEstimate::Gauss) {
  if (!(b > a)) return Values<N>{};
  const std::array<double, 2> ends{a, b};
  return quadrature::adaptive<N>(quadrature::kFifteen, f, std::span<const double>(ends), tolerance, estimate);
}

// The same after the change of variable x = a + (b - a) s^2 (3 - 2 s): its
// derivative vanishes at both ends, so a square-root behaviour there (where
// a line of integration touches a curved boundary) becomes smooth.
template <std::size_t N, class F>
Values<N> integrateEased(F&& f, double a, double b, const Values<N>& tolerance,
                         ErrorEstimate estimate = ErrorEstimate::Gauss) {
  if (!(b > a)) return Values<N>{};
  const double L = b - a;
  auto g = [&](double s) {
    const double w = 6.0 * s * (1.0 - s) * L;
    return w == 0.0 ? Values<N>{} : scaled(f(a + L * s * s * (3.0 - 2.0 * s)), w);
  };
  const std::array<double, 2> ends{0.0, 1.0};
  return quadrature::adaptive<N>(quadrature::kFifteen, g, std::span<const double>(ends), tolerance, estimate);
}

// Breaks for integrateBetween: the points within [lo, hi] sorted without
// repeats, with lo and hi at the ends.
inline void sortBreaks(std::vector<double>& points, double lo, double hi) {
  points.push_back(lo);
  points.push_back(hi);
  std::erase_if(points, [&](double s) { return !(s >= lo && s <= hi); });
  std::sort(points.begin(), points.end());
  points.erase(std::unique(points.begin(), points.end()), points.end());
}

// The same over the intervals between sorted points (the first and last are
// the ends), eased or not; f need only be smooth between the points. The
// tolerance is for the whole integral: the intervals share one pool.
template <std::size_t N, class F>
Values<N> integrateBetween(F&& f, std::span<const double> points, const Values<N>& tolerance, bool eased = false,
                           ErrorEstimate estimate = ErrorEstimate::Gauss) {
  if (points.size() < 2 || !(points.back() > points.front())) return Values<N>{};
  if (!eased) return quadrature::adaptive<N>(quadrature::kFifteen, f, points, tolerance, estimate);
  // Eased: each interval between the points in its own variable s, mapped
  // to [k, k + 1] for the k-th interval, so one pool of intervals serves.
  auto g = [&](double t) {
    const std::size_t k = std::min(static_cast<std::size_t>(t), points.size() - 2);
    const double s = t - static_cast<double>(k), a = points[k], L = points[k + 1] - a;
    const double w = 6.0 * s * (1.0 - s) * L;
    return w == 0.0 ? Values<N>{} : scaled(f(a + L * s * s * (3.0 - 2.0 * s)), w);
  };
  std::vector<double> unit(points.size());
  for (std::size_t k = 0; k < points.size(); ++k) unit[k] = static_cast<double>(k);
  return quadrature::adaptive<N>(quadrature::kFifteen, g, std::span<const double>(unit), tolerance, estimate);
}

}  // namespace korvex::exact
