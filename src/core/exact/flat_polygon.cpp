// Clipping a polygon's shadow by a line (Sutherland-Hodgman) and the
// moments of exp(-mu t) over it.
#include "exact/flat_polygon.hpp"

#include <cmath>

#include "exact/divided_difference.hpp"
#include "exact/flat_polygon_lanes.hpp"
#include "exact/quick_exp.hpp"

namespace korvex::exact {

namespace {

// The reduction to the edges is kept while the sum of its terms'
// magnitudes is at most this many times the integral (for the integral of
// exp) and the path-weighted integral.
constexpr double kEdgeLoss = 100.0;
constexpr double kWeightedEdgeLoss = 1e3;

// Whether p's corners go in the lanes of vector registers.
bool inLanes(const FlatPolygon& p) { return p.count <= eight_lanes::kLanes && eight_lanes::inUse(); }

}  // namespace

Cut clipFlatByAll(const FlatPolygon& in, const FlatLine* lines, int count, double eps, FlatPolygon& out) {
  const FlatPolygon* current = &in;
  int k = 0;
  if (inLanes(in)) {
    const Cut cut = eight_lanes::clipWhileEight(in, lines, count, eps, out, k);
    if (cut == Cut::Empty || k == count) return cut;
    current = &out;  // more than eight corners: the rest one at a time
  }
  FlatPolygon other;
  for (; k < count; ++k) {
    FlatPolygon& target = current == &out ? other : out;
    const Cut cut = one_by_one::clipFlat(*current, lines[k], eps, target);
    if (cut == Cut::Empty) return Cut::Empty;
    if (cut == Cut::Cut) current = &target;
  }
  if (current == &in) return Cut::Unchanged;
  if (current != &out) out = *current;
  return Cut::Cut;
}

BoundedMoments flatPathMoments(const FlatPolygon& p, FlatLinear added, double gradientX, double gradientY,
                               double mu) {
  return flatPathMoments(p, added, gradientX, gradientY, mu, inLanes(p));
}

namespace one_by_one {

Cut clipFlat(const FlatPolygon& in, const FlatLine& line, double eps, FlatPolygon& out) {
  const int n = in.count;
  std::array<double, kMaxPolygonCorners> value;
  double lowest = 1e300, highest = -1e300;
  for (int i = 0; i < n; ++i) {
    const double v = line.a * in.x[i] + line.b * in.y[i] + line.c;
    value[i] = v;
    lowest = v < lowest ? v : lowest;
    highest = v > highest ? v : highest;
  }
  if (!(highest > eps)) return Cut::Empty;
  if (!(lowest < -eps)) return Cut::Unchanged;
  // A line crosses a convex polygon at most twice, so the result has at
  // most one corner more than `in`.
  if (n + 1 > kMaxPolygonCorners) throw PolygonTooLarge();
  int m = 0;
  int i = n - 1;
  double vi = value[i];
  for (int j = 0; j < n; ++j) {
    const double vj = value[j];
    // The edge from i to j: its crossing, if it crosses, then corner j if kept.
    if ((vi > eps && vj < -eps) || (vi < -eps && vj > eps)) {
      const double s = vi / (vi - vj);
      out.x[m] = in.x[i] + s * (in.x[j] - in.x[i]);
      out.y[m] = in.y[i] + s * (in.y[j] - in.y[i]);
      out.value[m] = in.value[i] + s * (in.value[j] - in.value[i]);
      ++m;
    }
    if (vj >= -eps) {
      out.x[m] = in.x[j];
      out.y[m] = in.y[j];
      out.value[m] = in.value[j];
      ++m;
    }
    i = j;
    vi = vj;
  }
  out.count = m;
  return m >= 3 ? Cut::Cut : Cut::Empty;
}

}  // namespace one_by_one

namespace {

// One corner at a time: the path at each corner and each edge's terms.
void cornerAndEdgeTerms(const FlatPolygon& p, const FlatLinear& added, double mu, double ax, double ay, double* path,
                        double* term, double* termH) {
  std::array<double, kMaxPolygonCorners> l, e;
  for (int i = 0; i < p.count; ++i) {
    path[i] = p.value[i] + (added.a * p.x[i] + added.b * p.y[i] + added.c);
    l[i] = -mu * path[i];
  }
  for (int i = 0; i < p.count; ++i) e[i] = quickExp(l[i]);
  int i = p.count - 1;
  for (int j = 0; j < p.count; ++j) {
    const double nx = p.y[j] - p.y[i], ny = p.x[i] - p.x[j];
    const double mean = expMeanOnSegment(l[i], l[j], e[i], e[j]);
    term[j] = (ax * nx + ay * ny) * mean;
    termH[j] = ((p.x[i] - p.x[0]) * nx + (p.y[i] - p.y[0]) * ny) * mean;
    i = j;
  }
}

}  // namespace

BoundedMoments flatPathMoments(const FlatPolygon& p, FlatLinear added, double gradientX, double gradientY, double mu,
                               bool eightLanes) {
  const int nc = p.count;
  if (nc < 3) return {};
  // l = -mu t has gradient a.
  const double ax = -mu * (gradientX + added.a), ay = -mu * (gradientY + added.b);
  const double a2 = ax * ax + ay * ay;
  // Edge (i, j): (dy, -dx) is its outward normal times its length; the
  // integral of exp(l) is |a|^-2 sum a.(that) exp-mean, and that of
  // (a.r) exp(l), r = (x - x_0, y - y_0) from the first corner, is
  // sum r_i.(that) exp-mean - 2 I.
  std::array<double, kMaxPolygonCorners> path, term, termH;
  if (eightLanes) {
    eight_lanes::cornerAndEdgeTerms(p, added, mu, ax, ay, path.data(), term.data(), termH.data());
  } else {
    cornerAndEdgeTerms(p, added, mu, ax, ay, path.data(), term.data(), termH.data());
  }
  const double path0 = path[0];
  if (a2 > 0.0) {
    double sum = 0.0, magnitude = 0.0, sumH = 0.0, magnitudeH = 0.0;
    for (int j = 0; j < nc; ++j) {
      sum += term[j];
      magnitude += std::fabs(term[j]);
      sumH += termH[j];
      magnitudeH += std::fabs(termH[j]);
    }
    if (sum > 0.0 && magnitude <= kEdgeLoss * sum) {
      // Two reciprocals instead of five quotients, which would queue for
      // the one divider; each product adds at most a unit in the last
      // place, far inside the bounds.
      const double perA2 = 1.0 / a2, perMu = 1.0 / mu;
      const double I = sum * perA2, boundI = magnitude * perA2;
      // J = path0 I - M / mu with M = sumH - 2 I.
      const double boundM = magnitudeH + 2.0 * boundI;
      const double J = (path0 + 2.0 * perMu) * I - sumH * perMu, boundJ = std::fabs(path0) * boundI + boundM * perMu;
      if (J > 0.0 && boundJ <= kWeightedEdgeLoss * J) return {{I, J}, {boundI, boundJ}};
    }
  }
  // Triangles fanned from the first corner.
  PathMoments sum;
  for (int k = 1; k + 1 < nc; ++k) {
    const double area =
        0.5 * ((p.x[k] - p.x[0]) * (p.y[k + 1] - p.y[0]) - (p.y[k] - p.y[0]) * (p.x[k + 1] - p.x[0]));
    const PathMoments m = trianglePathMoments(area, {path[0], path[k], path[k + 1]}, mu);
    sum.transmitted += m.transmitted;
    sum.pathWeighted += m.pathWeighted;
  }
  return {sum, {4.0 * std::fabs(sum.transmitted), 4.0 * std::fabs(sum.pathWeighted)}};
}

}  // namespace korvex::exact
