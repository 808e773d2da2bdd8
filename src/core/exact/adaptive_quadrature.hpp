// Adaptive Gauss-Kronrod quadrature of functions with values in R^N: a
// Kronrod rule with the Gauss rule inside it, their difference as the error
// estimate, and an interval halved (with half the tolerance for each half)
// until every component meets its tolerance. Used by the exact transmission wherever a gasket makes the
// integrand other than an exponential of a linear function.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <span>

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

// Halvings of one interval at most: 2^-40 of its length.
inline constexpr int kMaxDepth = 40;

// The Kronrod estimate over [a, b], and in `error` the difference from the
// Gauss estimate: the error of the Gauss rule, well above the Kronrod
// rule's own for smooth integrands.
template <std::size_t N, std::size_t K, class F>
Values<N> kronrod(const Rule<K>& rule, F& f, double a, double b, Values<N>& error) {
  const double c = 0.5 * (a + b), h = 0.5 * (b - a);
  const Values<N> fc = f(c);
  Values<N> k = scaled(fc, rule.kronrod[K - 1]);
  Values<N> g = scaled(fc, rule.gauss[K / 2]);
  for (std::size_t j = 0; j + 1 < K; ++j) {
    const double x = h * rule.node[j];
    const Values<N> f1 = f(c - x), f2 = f(c + x);
    for (std::size_t i = 0; i < N; ++i) {
      const double s = f1[i] + f2[i];
      k[i] += rule.kronrod[j] * s;
      if (j % 2 == 1) g[i] += rule.gauss[(j + 1) / 2] * s;
    }
  }
  for (std::size_t i = 0; i < N; ++i) {
    k[i] *= h;
    error[i] = std::fabs(k[i] - h * g[i]);
  }
  return k;
}

template <std::size_t N, std::size_t K, class F>
Values<N> adaptive(const Rule<K>& rule, F& f, double a, double b, const Values<N>& tolerance, int depth) {
  Values<N> error{};
  const Values<N> r = kronrod<N>(rule, f, a, b, error);
  bool met = true;
  for (std::size_t i = 0; i < N; ++i) met = met && error[i] <= tolerance[i];
  if (met || depth >= kMaxDepth) return r;
  const double m = 0.5 * (a + b);
  const Values<N> half = scaled(tolerance, 0.5);
  Values<N> sum = adaptive<N>(rule, f, a, m, half, depth + 1);
  sum += adaptive<N>(rule, f, m, b, half, depth + 1);
  return sum;
}

}  // namespace quadrature

// Integral of f over [a, b] to the absolute tolerance of each component.
template <std::size_t N, class F>
Values<N> integrate(F&& f, double a, double b, const Values<N>& tolerance) {
  if (!(b > a)) return Values<N>{};
  return quadrature::adaptive<N>(quadrature::kFifteen, f, a, b, tolerance, 0);
}

// The same after the change of variable x = a + (b - a) s^2 (3 - 2 s): its
// derivative vanishes at both ends, so a square-root behaviour there (where
// a line of integration touches a curved boundary) becomes smooth.
template <std::size_t N, class F>
Values<N> integrateEased(F&& f, double a, double b, const Values<N>& tolerance) {
  if (!(b > a)) return Values<N>{};
  const double L = b - a;
  auto g = [&](double s) {
    const double w = 6.0 * s * (1.0 - s) * L;
    return w == 0.0 ? Values<N>{} : scaled(f(a + L * s * s * (3.0 - 2.0 * s)), w);
  };
  return quadrature::adaptive<N>(quadrature::kFifteen, g, 0.0, 1.0, tolerance, 0);
}

// The same over the intervals between sorted points (the first and last are
// the ends), each with its share of the tolerance by length, eased or not;
// f need only be smooth between the points.
template <std::size_t N, class F>
Values<N> integrateBetween(F&& f, std::span<const double> points, const Values<N>& tolerance, bool eased = false) {
  Values<N> sum{};
  if (points.size() < 2) return sum;
  const double length = points.back() - points.front();
  if (!(length > 0.0)) return sum;
  for (std::size_t k = 0; k + 1 < points.size(); ++k) {
    const double a = points[k], b = points[k + 1];
    if (!(b > a)) continue;
    const Values<N> share = scaled(tolerance, (b - a) / length);
    sum += eased ? integrateEased<N>(f, a, b, share) : integrate<N>(f, a, b, share);
  }
  return sum;
}

}  // namespace korvex::exact
