// Clipping a convex polygon by a plane (Sutherland-Hodgman).
#include "exact/planar_polygon.hpp"

#include <cmath>


namespace korvex::exact {

Cut clipPolygon(const PlanarPolygon& in, const Plane& plane, double eps, PlanarPolygon& out) {
  const int n = in.count;
  std::array<double, kMaxPolygonCorners> value;
  double lowest = 1e300, highest = -1e300;
  for (int i = 0; i < n; ++i) {
    const double v = plane.at(in.corners[static_cast<std::size_t>(i)]);
    value[static_cast<std::size_t>(i)] = v;
    lowest = v < lowest ? v : lowest;
    highest = v > highest ? v : highest;
  }
  if (!(highest > eps)) return Cut::Empty;
  if (!(lowest < -eps)) return Cut::Unchanged;
  // A line crosses a convex polygon at most twice, so the result has at
  // most one corner more than `in`.
  if (n + 1 > kMaxPolygonCorners) throw PolygonTooLarge();
  int m = 0;
  std::size_t i = static_cast<std::size_t>(n - 1);
  double vi = value[i];
  for (std::size_t j = 0; j < static_cast<std::size_t>(n); ++j) {
    const double vj = value[j];
    // The edge from i to j: its crossing, if it crosses, then corner j if kept.
    if ((vi > eps && vj < -eps) || (vi < -eps && vj > eps)) {
      const double s = vi / (vi - vj);
      out.corners[static_cast<std::size_t>(m++)] = in.corners[i] + s * (in.corners[j] - in.corners[i]);
    }
    if (vj >= -eps) out.corners[static_cast<std::size_t>(m++)] = in.corners[j];
    i = j;
    vi = vj;
  }
  out.count = m;
  return m >= 3 ? Cut::Cut : Cut::Empty;
}

double polygonArea(const PlanarPolygon& p, V3 n) {
  double twice = 0.0;
  const V3 o = p.corners[0];
  for (int k = 1; k + 1 < p.count; ++k) twice += dot(cross(p.corners[k] - o, p.corners[k + 1] - o), n);
  return 0.5 * twice;
}

}  // namespace korvex::exact
