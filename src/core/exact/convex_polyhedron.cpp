// Cutting a convex polyhedron by a plane: each face loop is cut in turn
// (Sutherland-Hodgman), a point made on an edge is shared by both faces of
// the edge, and the cut's own face is the ring of points on the plane.
#include "exact/convex_polyhedron.hpp"

#include <algorithm>
#include <array>
#include <cmath>

namespace korvex::exact {

ConvexPolyhedron boxPolyhedron(V3 lo, V3 hi) {
  ConvexPolyhedron p;
  for (int i = 0; i < 8; ++i) p.vertices.push_back({i & 1 ? hi.x : lo.x, i & 2 ? hi.y : lo.y, i & 4 ? hi.z : lo.z});
  // Each face: its inward normal, the coordinate it fixes, and its corners
  // in order around it.
  const std::array<std::array<int, 4>, 6> loops{{{0, 2, 6, 4}, {1, 5, 7, 3}, {0, 4, 5, 1},
                                                  {2, 3, 7, 6}, {0, 1, 3, 2}, {4, 6, 7, 5}}};
  const std::array<Plane, 6> planes{{{{1, 0, 0}, -lo.x}, {{-1, 0, 0}, hi.x}, {{0, 1, 0}, -lo.y},
                                     {{0, -1, 0}, hi.y}, {{0, 0, 1}, -lo.z}, {{0, 0, -1}, hi.z}}};
  for (int f = 0; f < 6; ++f) {
    p.faces.push_back({planes[f], static_cast<int>(p.loops.size()), 4, -1});
    p.loops.insert(p.loops.end(), loops[f].begin(), loops[f].end());
  }
  return p;
}

bool clipPolyhedron(const ConvexPolyhedron& in, const Plane& cut, double eps, ConvexPolyhedron& out, int tag) {
  out.clear();
  const std::size_t nv = in.vertices.size();
  // Side of each vertex: +1 kept, 0 on the plane (kept), -1 cut away.
  thread_local std::vector<double> value;
  thread_local std::vector<int> side, index;
  value.resize(nv);
  side.resize(nv);
  index.assign(nv, -1);
  bool anyIn = false, anyOut = false;
  for (std::size_t i = 0; i < nv; ++i) {
    value[i] = cut.at(in.vertices[i]);
    side[i] = value[i] > eps ? 1 : (value[i] < -eps ? -1 : 0);
    anyIn = anyIn || side[i] > 0;
    anyOut = anyOut || side[i] < 0;
  }
  if (!anyIn) return false;
  if (!anyOut) {
    out = in;
    return true;
  }

  for (std::size_t i = 0; i < nv; ++i) {
    if (side[i] >= 0) {
      index[i] = static_cast<int>(out.vertices.size());
      out.vertices.push_back(in.vertices[i]);
    }
  }
  // Points made on cut edges, found again by the edge's two old vertices.
  thread_local std::vector<std::array<int, 3>> made;
  made.clear();
  const auto pointOnEdge = [&](int a, int b) {
    const int lo = std::min(a, b), hi = std::max(a, b);
    for (const auto& m : made) {
      if (m[0] == lo && m[1] == hi) return m[2];
    }
    const double s = value[static_cast<std::size_t>(lo)] /
                     (value[static_cast<std::size_t>(lo)] - value[static_cast<std::size_t>(hi)]);
    const V3 p = in.vertices[static_cast<std::size_t>(lo)] +
                 s * (in.vertices[static_cast<std::size_t>(hi)] - in.vertices[static_cast<std::size_t>(lo)]);
    const int k = static_cast<int>(out.vertices.size());
    out.vertices.push_back(p);
    made.push_back({lo, hi, k});
    return k;
  };

  for (const auto& face : in.faces) {
    const int* loop = in.loops.data() + face.first;
    const int first = static_cast<int>(out.loops.size());
    for (int k = 0; k < face.count; ++k) {
      const int a = loop[k], b = loop[(k + 1) % face.count];
      const int sa = side[static_cast<std::size_t>(a)], sb = side[static_cast<std::size_t>(b)];
      if (sa >= 0) out.loops.push_back(index[static_cast<std::size_t>(a)]);
      if (sa * sb < 0) out.loops.push_back(pointOnEdge(a, b));
    }
    const int count = static_cast<int>(out.loops.size()) - first;
    if (count >= 3) {
      out.faces.push_back({face.plane, first, count, face.tag});
    } else {
      out.loops.resize(static_cast<std::size_t>(first));
    }
  }

  // The cut's face: every kept point on the plane, in order of angle about
  // their centre (the section of a convex body is a convex polygon).
  thread_local std::vector<std::pair<double, int>> ring;
  ring.clear();
  V3 centre{};
  for (std::size_t i = 0; i < nv; ++i) {
    if (side[i] == 0) ring.push_back({0.0, index[i]});
  }
  for (const auto& m : made) ring.push_back({0.0, m[2]});
  if (ring.size() >= 3) {
    for (const auto& r : ring) centre = centre + out.vertices[static_cast<std::size_t>(r.second)];
    centre = (1.0 / static_cast<double>(ring.size())) * centre;
    V3 e1 = out.vertices[static_cast<std::size_t>(ring[0].second)] - centre;
    e1 = (1.0 / norm(e1)) * e1;
    const V3 e2 = cross(cut.n, e1);
    for (auto& r : ring) {
      const V3 d = out.vertices[static_cast<std::size_t>(r.second)] - centre;
      r.first = std::atan2(dot(d, e2), dot(d, e1));
    }
    std::sort(ring.begin(), ring.end());
    out.faces.push_back({cut, static_cast<int>(out.loops.size()), static_cast<int>(ring.size()), tag});
    for (const auto& r : ring) out.loops.push_back(r.second);
  }
  if (out.empty()) {
    out.clear();
    return false;
  }
  return true;
}

double polyhedronVolume(const ConvexPolyhedron& p) {
  double v = 0.0;
  forEachTetrahedron(p, [&](V3, V3, V3, V3, double vol) { v += vol; });
  return v;
}

}  // namespace korvex::exact
