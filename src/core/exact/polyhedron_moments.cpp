// The moments of exp(-mu t) over a convex polyhedron, t linear: from its
// faces and edges where that keeps its digits, from tetrahedra elsewhere.
#include "exact/polyhedron_moments.hpp"

#include <algorithm>
#include <array>
#include <cmath>

namespace korvex::exact {

namespace {

// Corners held on the stack; larger bodies take the tetrahedra.
constexpr std::size_t kMaxCorners = 64;

// A face's reduction to its edges is kept while the sum of its terms'
// magnitudes is at most this many times its value; the body's, with the
// faces' bounds carried in, at most kBodyLoss times for the integral and
// kWeightedLoss times for the path-weighted one (whose bound is the
// tighter: the errors found stay below 1e-12 relative).
constexpr double kFaceLoss = 100.0;
constexpr double kBodyLoss = 1e4;
constexpr double kWeightedLoss = 2e3;

// An integral with the sum of its terms' magnitudes: its rounding error is
// about 1e-16 times `bound`.
struct Bounded {
  double value = 0.0;
  double bound = 0.0;
};

// Corner data of one body, relative to its corners' mean x0.
struct Corners {
  std::array<V3, kMaxCorners> y;      // corner - x0
  std::array<double, kMaxCorners> s;  // exponent at the corner, less its largest value
  std::array<double, kMaxCorners> e;  // exp(s)
};

// Integral of exp(s) over one face, s = a.y + const.
Bounded faceIntegral(const ConvexPolyhedron& p, const ConvexPolyhedron::Face& face, V3 a, const Corners& c) {
  const V3 n = face.plane.n;
  const int* loop = p.loops.data() + face.first;
  // The gradient in the face's plane: the edges' outward normals times
  // their lengths are (q - p) x n for a loop anticlockwise about n.
  const V3 aF = a - dot(a, n) * n;
  const double aF2 = dot(aF, aF);
  if (aF2 > 0.0) {
    double sum = 0.0, magnitude = 0.0;
    int i = loop[face.count - 1];
    for (int k = 0; k < face.count; ++k) {
      const int j = loop[k];
      const double term = dot(aF, cross(c.y[j] - c.y[i], n)) * expMeanOnSegment(c.s[i], c.s[j], c.e[i], c.e[j]);
      sum += term;
      magnitude += std::fabs(term);
      i = j;
    }
    // The gradient's part in the plane carries an error of 1e-16 |a| too.
    const double loss = magnitude / sum + std::sqrt(dot(a, a) / aF2);
    if (sum > 0.0 && loss <= kFaceLoss) return {sum / aF2, loss * sum / aF2};
  }
  // Triangles fanned from the first corner: twice the area times exp[...].
  double sum = 0.0;
  const int o = loop[0];
  for (int k = 1; k + 1 < face.count; ++k) {
    const int b = loop[k], d = loop[k + 1];
    const double twiceArea = dot(cross(c.y[b] - c.y[o], c.y[d] - c.y[o]), n);
    const std::array<double, 3> nodes{c.s[o], c.s[b], c.s[d]};
    sum += twiceArea * expDividedDifference(nodes);
  }
  return {sum, 4.0 * sum};
}

}  // namespace

PathMoments tetrahedralPathMoments(const ConvexPolyhedron& p, const LinearPath& t, double mu) {
  PathMoments sum;
  forEachTetrahedron(p, [&](V3 a, V3 b, V3 c, V3 d, double volume) {
    const PathMoments m = tetrahedronPathMoments(volume, {t.at(a), t.at(b), t.at(c), t.at(d)}, mu);
    sum.transmitted += m.transmitted;
    sum.pathWeighted += m.pathWeighted;
  });
  return sum;
}

PathMoments polyhedronPathMoments(const ConvexPolyhedron& p, const LinearPath& t, double mu) {
  const std::size_t nv = p.vertices.size();
  if (p.empty()) return {};
  const V3 a = -mu * t.gradient;
  const double aa = dot(a, a);
  // A tetrahedron is one divided difference, cheaper than its faces.
  if (nv <= 4 || nv > kMaxCorners || !(aa > 0.0)) return tetrahedralPathMoments(p, t, mu);

  Corners c;
  V3 x0{};
  for (const V3& v : p.vertices) x0 = x0 + v;
  x0 = (1.0 / static_cast<double>(nv)) * x0;
  double tMin = t.at(p.vertices[0]);
  for (std::size_t i = 0; i < nv; ++i) {
    c.y[i] = p.vertices[i] - x0;
    tMin = std::min(tMin, t.at(p.vertices[i]));
  }
  // Exponents relative to their largest value -mu tMin, so no exp overflows.
  for (std::size_t i = 0; i < nv; ++i) {
    c.s[i] = -mu * (t.at(p.vertices[i]) - tMin);
    c.e[i] = std::exp(c.s[i]);
  }

  // I = -sum (a.n) F / |a|^2 (n inward), and the integral of (a.y) exp(s),
  // M = sum h F - 3 I, h the face's distance from x0.
  double sumI = 0.0, boundI = 0.0, sumM = 0.0, boundM = 0.0;
  for (const auto& face : p.faces) {
    const Bounded f = faceIntegral(p, face, a, c);
    // The distance from x0 taken from the face's corners, as the body's
    // volume is, so that thin bodies keep their digits.
    const double an = dot(a, face.plane.n);
    double h = 0.0;
    for (int k = 0; k < face.count; ++k) h -= dot(face.plane.n, c.y[p.loops[face.first + k]]);
    h /= face.count;
    sumI -= an * f.value;
    boundI += std::fabs(an) * (f.value + f.bound);
    sumM += h * f.value;
    boundM += std::fabs(h) * (f.value + f.bound);
  }
  const double I = sumI / aa;
  boundI /= aa;
  const double M = sumM - 3.0 * I;
  boundM += 3.0 * boundI;
  // The path-weighted integral: t = t(x0) + gradient.y and
  // gradient.y = -(a.y) / mu.
  const double t0 = t.at(x0);
  const double J = t0 * I - M / mu;
  const double boundJ = std::fabs(t0) * boundI + boundM / mu;
  if (!(boundI <= kBodyLoss * I) || !(boundJ <= kWeightedLoss * std::fabs(J))) return tetrahedralPathMoments(p, t, mu);
  const double scale = std::exp(-mu * tMin);
  return {scale * I, scale * J};
}

}  // namespace korvex::exact
