// A convex polyhedron in double precision, as vertices and face loops, cut
// by planes. The exact transmission builds the crystal from its face planes
// and cuts it into the pieces on which both beams leave through fixed faces.
#pragma once

#include <vector>

#include "exact/vec3d.hpp"

namespace korvex::exact {

struct ConvexPolyhedron {
  struct Face {
    Plane plane;    // the face's plane, the body on its positive side
    int first = 0;  // its vertex loop is loops[first .. first + count)
    int count = 0;
    int tag = -1;   // the crystal face it lies in, or -1 for a cut
  };
  std::vector<V3> vertices;
  std::vector<Face> faces;
  std::vector<int> loops;

  bool empty() const { return faces.size() < 4; }
  void clear() {
    vertices.clear();
    faces.clear();
    loops.clear();
  }
};

// The box [lo, hi] with its six faces tagged -1.
ConvexPolyhedron boxPolyhedron(V3 lo, V3 hi);

// `out` = the part of `in` on the positive side of `cut` (its face tagged
// `tag`). Vertices within eps (microns) of the plane count as on it. Returns
// false, with `out` empty, when nothing of volume is left; when nothing is
// cut away `out` is a copy of `in`. `out` must not be `in`.
bool clipPolyhedron(const ConvexPolyhedron& in, const Plane& cut, double eps, ConvexPolyhedron& out, int tag = -1);

double polyhedronVolume(const ConvexPolyhedron& p);

// Calls f(a, b, c, d, volume) for tetrahedra that fill the polyhedron: a fan
// from one vertex to the triangles of the faces that do not hold it.
template <class F>
void forEachTetrahedron(const ConvexPolyhedron& p, F&& f) {
  if (p.empty()) return;
  const int apex = p.loops[static_cast<std::size_t>(p.faces[0].first)];
  const V3 a = p.vertices[static_cast<std::size_t>(apex)];
  for (const auto& face : p.faces) {
    const int* loop = p.loops.data() + face.first;
    bool holdsApex = false;
    for (int k = 0; k < face.count; ++k) holdsApex = holdsApex || loop[k] == apex;
    if (holdsApex) continue;
    const V3 b = p.vertices[static_cast<std::size_t>(loop[0])];
    for (int k = 1; k + 1 < face.count; ++k) {
      const V3 c = p.vertices[static_cast<std::size_t>(loop[k])];
      const V3 d = p.vertices[static_cast<std::size_t>(loop[k + 1])];
      f(a, b, c, d, std::fabs(tripleProduct(a, b, c, d)) / 6.0);
    }
  }
}

}  // namespace korvex::exact
