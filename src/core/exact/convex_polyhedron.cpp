// Cutting a convex polyhedron by a plane: each face loop is cut in turn
// (Sutherland-Hodgman), a point made on an edge is shared by both faces of
// the edge, and the cut's own face is chained from the faces' edges that
// lie in the plane.
#include "exact/convex_polyhedron.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

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

Cut PlaneCutter::cut(const ConvexPolyhedron& in, const Plane& plane, double eps, ConvexPolyhedron& out, int tag) {
  const std::size_t nv = in.vertices.size();
  if (value_.size() < nv) {
    value_.resize(nv);
    side_.resize(nv);
    index_.resize(nv);
  }
  double* value = value_.data();
  int* side = side_.data();  // +1 kept, 0 on the plane (kept), -1 cut away
  int* index = index_.data();
  const V3* vertex = in.vertices.data();
  bool anyIn = false, anyOut = false;
  for (std::size_t i = 0; i < nv; ++i) {
    value[i] = plane.at(vertex[i]);
    side[i] = value[i] > eps ? 1 : (value[i] < -eps ? -1 : 0);
    anyIn = anyIn || side[i] > 0;
    anyOut = anyOut || side[i] < 0;
  }
  if (!anyIn) return Cut::Empty;
  if (!anyOut) return Cut::Unchanged;

  // Room for the result: each face crosses the plane on at most two edges,
  // so there are at most as many new vertices as faces.
  // The result is formed in the cutter's own arrays, which only grow, and
  // copied out at the end: `out` is never filled with zeros to be
  // overwritten.
  const std::size_t nf = in.faces.size();
  const std::size_t maxVertices = nv + nf;
  const auto atLeast = [](auto& v, std::size_t n) {
    if (v.size() < n) v.resize(n);
  };
  atLeast(vertices_, maxVertices);
  atLeast(loops_, in.loops.size() + 2 * nf + maxVertices);
  atLeast(faces_, nf + 1);
  atLeast(onPlane_, maxVertices);
  atLeast(capNext_, maxVertices);
  V3* ov = vertices_.data();
  int* loops = loops_.data();
  char* onPlane = onPlane_.data();
  int* capNext = capNext_.data();
  std::size_t vn = 0, ln = 0, fn = 0;

  for (std::size_t i = 0; i < nv; ++i) {
    index[i] = -1;
    if (side[i] >= 0) {
      index[i] = static_cast<int>(vn);
      onPlane[vn] = side[i] == 0;
      capNext[vn] = -1;
      ov[vn++] = vertex[i];
    }
  }
  // Points made on cut edges, found again by the edge's two old vertices;
  // every one of them lies on the plane.
  made_.clear();
  const auto pointOnEdge = [&](int a, int b) {
    const int lo = std::min(a, b), hi = std::max(a, b);
    for (const auto& m : made_) {
      if (m[0] == lo && m[1] == hi) return m[2];
    }
    const double s = value[lo] / (value[lo] - value[hi]);
    const int k = static_cast<int>(vn);
    onPlane[vn] = 1;
    capNext[vn] = -1;
    ov[vn++] = vertex[lo] + s * (vertex[hi] - vertex[lo]);
    made_.push_back({lo, hi, k});
    return k;
  };

  // Each face is cut in turn (Sutherland-Hodgman). A cut face runs along
  // the plane from one point to the next; the cut's own face runs that edge
  // the other way, so it is chained from those edges.
  int capStart = -1, capEdges = 0;
  for (const auto& face : in.faces) {
    const int* loop = in.loops.data() + face.first;
    const std::size_t first = ln;
    int a = loop[face.count - 1];
    bool reached = false;  // a corner on the plane or beyond it
    for (int k = 0; k < face.count; ++k) {
      const int b = loop[k];
      if (side[a] * side[b] < 0) loops[ln++] = pointOnEdge(a, b);
      if (side[b] >= 0) loops[ln++] = index[b];
      reached = reached || side[b] <= 0;
      a = b;
    }
    const int count = static_cast<int>(ln - first);
    if (count < 3) {
      ln = first;
      continue;
    }
    faces_[fn++] = {face.plane, static_cast<int>(first), count, face.tag};
    // Only a face that reaches the plane has edges in it.
    if (!reached) continue;
    int p = loops[first + static_cast<std::size_t>(count) - 1];
    for (int k = 0; k < count; ++k) {
      const int q = loops[first + static_cast<std::size_t>(k)];
      if (onPlane[p] && onPlane[q]) {
        capNext[q] = p;
        capStart = q;
        ++capEdges;
      }
      p = q;
    }
  }

  if (capEdges >= 3) {
    const std::size_t first = ln;
    int at = capStart;
    for (int step = 0; step < capEdges && at >= 0; ++step) {
      loops[ln++] = at;
      at = capNext[at];
      if (at == capStart) break;
    }
    const int count = static_cast<int>(ln - first);
    if (at == capStart && count >= 3) {
      faces_[fn++] = {plane, static_cast<int>(first), count, tag};
    } else {
      ln = first;
    }
  }
  if (fn < 4) {
    out.clear();
    return Cut::Empty;
  }
  out.vertices.assign(vertices_.begin(), vertices_.begin() + static_cast<std::ptrdiff_t>(vn));
  out.loops.assign(loops_.begin(), loops_.begin() + static_cast<std::ptrdiff_t>(ln));
  out.faces.assign(faces_.begin(), faces_.begin() + static_cast<std::ptrdiff_t>(fn));
  return Cut::Cut;
}

double polyhedronVolume(const ConvexPolyhedron& p) {
  double v = 0.0;
  forEachTetrahedron(p, [&](V3, V3, V3, V3, double vol) { v += vol; });
  return v;
}

}  // namespace korvex::exact
