// Clipping a convex polygon by a plane (Sutherland-Hodgman).
#include "exact/planar_polygon.hpp"

#include <cmath>


namespace korvex::exact {

Cut clipPolygon(const PlanarPolygon& in, const Plane& plane, double eps, PlanarPolygon& out) {
  const int n = in.count;
  std::array<double, kMaxPolygonCorners> value;
  bool anyIn = false, anyOut = false;
  for (int i = 0; i < n; ++i) {
    value[i] = plane.at(in.corners[i]);
    anyIn = anyIn || value[i] > eps;
    anyOut = anyOut || value[i] < -eps;
  }
  if (!anyIn) return Cut::Empty;
  if (!anyOut) return Cut::Unchanged;
  // A line crosses a convex polygon at most twice, so the result has at
  // most one corner more than `in`.
  if (n + 1 > kMaxPolygonCorners) throw PolygonTooLarge();
  int m = 0;
  for (int i = 0; i < n; ++i) {
    const int j = i + 1 == n ? 0 : i + 1;
    const double vi = value[i], vj = value[j];
    if (vi >= -eps) out.corners[m++] = in.corners[i];
    if ((vi > eps && vj < -eps) || (vi < -eps && vj > eps)) {
      const double s = vi / (vi - vj);
      out.corners[m++] = in.corners[i] + s * (in.corners[j] - in.corners[i]);
    }
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
