// Clipping a polygon's shadow by a line (Sutherland-Hodgman) and the
// moments of exp(-mu t) over it.
#include "exact/flat_polygon.hpp"

#include <cmath>

#include "exact/divided_difference.hpp"
#include "exact/quick_exp.hpp"

namespace korvex::exact {

namespace {

// The reduction to the edges is kept while the sum of its terms'
// magnitudes is at most this many times the integral (for the integral of
// exp) and the path-weighted integral.
constexpr double kEdgeLoss = 100.0;
constexpr double kWeightedEdgeLoss = 1e3;

}  // namespace

Cut clipFlat(const FlatPolygon& in, const FlatLine& line, double eps, FlatPolygon& out) {
  const int n = in.count;
  std::array<double, kMaxPolygonCorners> value;
  bool anyIn = false, anyOut = false;
  for (int i = 0; i < n; ++i) {
    const double v = line.at(in.corners[static_cast<std::size_t>(i)]);
    value[static_cast<std::size_t>(i)] = v;
    anyIn = anyIn || v > eps;
    anyOut = anyOut || v < -eps;
  }
  if (!anyIn) return Cut::Empty;
  if (!anyOut) return Cut::Unchanged;
  if (n + 1 > kMaxPolygonCorners) throw PolygonTooLarge();
  int m = 0;
  for (int i = 0; i < n; ++i) {
    const int j = i + 1 == n ? 0 : i + 1;
    const double vi = value[static_cast<std::size_t>(i)], vj = value[static_cast<std::size_t>(j)];
    const FlatCorner& pi = in.corners[static_cast<std::size_t>(i)];
    if (vi >= -eps) out.corners[static_cast<std::size_t>(m++)] = pi;
    if ((vi > eps && vj < -eps) || (vi < -eps && vj > eps)) {
      const FlatCorner& pj = in.corners[static_cast<std::size_t>(j)];
      const double s = vi / (vi - vj);
      out.corners[static_cast<std::size_t>(m++)] = {pi.x + s * (pj.x - pi.x), pi.y + s * (pj.y - pi.y),
                                                    pi.value + s * (pj.value - pi.value)};
    }
  }
  out.count = m;
  return m >= 3 ? Cut::Cut : Cut::Empty;
}

BoundedMoments flatPathMoments(const FlatPolygon& p, FlatLinear added, double gradientX, double gradientY,
                               double mu) {
  const int nc = p.count;
  if (nc < 3) return {};
  double x0 = 0.0, y0 = 0.0;
  for (int i = 0; i < nc; ++i) {
    x0 += p.corners[static_cast<std::size_t>(i)].x;
    y0 += p.corners[static_cast<std::size_t>(i)].y;
  }
  x0 /= nc;
  y0 /= nc;
  std::array<double, kMaxPolygonCorners> path, l, e;
  double meanPath = 0.0;
  for (int i = 0; i < nc; ++i) {
    const FlatCorner& c = p.corners[static_cast<std::size_t>(i)];
    const std::size_t k = static_cast<std::size_t>(i);
    path[k] = c.value + added.at(c.x, c.y);
    meanPath += path[k];
    l[k] = -mu * path[k];
    e[k] = quickExp(l[k]);
  }
  meanPath /= nc;  // the path at (x0, y0)
  // l = -mu t has gradient a.
  const double ax = -mu * (gradientX + added.a), ay = -mu * (gradientY + added.b);
  const double a2 = ax * ax + ay * ay;
  if (a2 > 0.0) {
    // Edge (i, j): (dy, -dx) is its outward normal times its length; the
    // integral of exp(l) is |a|^-2 sum a.(that) exp-mean, and that of
    // (a.r) exp(l), r = (x - x0, y - y0), is sum r_i.(that) exp-mean - 2 I.
    double sum = 0.0, magnitude = 0.0, sumH = 0.0, magnitudeH = 0.0;
    std::size_t i = static_cast<std::size_t>(nc - 1);
    for (std::size_t j = 0; j < static_cast<std::size_t>(nc); ++j) {
      const FlatCorner& ci = p.corners[i];
      const FlatCorner& cj = p.corners[j];
      const double nx = cj.y - ci.y, ny = ci.x - cj.x;
      const double mean = expMeanOnSegment(l[i], l[j], e[i], e[j]);
      const double term = (ax * nx + ay * ny) * mean;
      const double termH = ((ci.x - x0) * nx + (ci.y - y0) * ny) * mean;
      sum += term;
      magnitude += std::fabs(term);
      sumH += termH;
      magnitudeH += std::fabs(termH);
      i = j;
    }
    const double loss = magnitude / sum;
    if (sum > 0.0 && loss <= kEdgeLoss) {
      const double I = sum / a2, boundI = loss * I;
      const double M = sumH - 2.0 * I, boundM = magnitudeH + 2.0 * boundI;
      const double J = meanPath * I - M / mu, boundJ = std::fabs(meanPath) * boundI + boundM / mu;
      if (J > 0.0 && boundJ <= kWeightedEdgeLoss * J) return {{I, J}, {boundI, boundJ}};
    }
  }
  // Triangles fanned from the first corner.
  PathMoments sum;
  const FlatCorner& o = p.corners[0];
  for (std::size_t k = 1; k + 1 < static_cast<std::size_t>(nc); ++k) {
    const FlatCorner& b = p.corners[k];
    const FlatCorner& d = p.corners[k + 1];
    const double area = 0.5 * ((b.x - o.x) * (d.y - o.y) - (b.y - o.y) * (d.x - o.x));
    const PathMoments m = trianglePathMoments(area, {path[0], path[k], path[k + 1]}, mu);
    sum.transmitted += m.transmitted;
    sum.pathWeighted += m.pathWeighted;
  }
  return {sum, {4.0 * std::fabs(sum.transmitted), 4.0 * std::fabs(sum.pathWeighted)}};
}

}  // namespace korvex::exact
