// A convex polyhedron in double precision, as vertices and face loops, cut
// by planes. The exact transmission builds the crystal from its face planes
// and cuts it into the pieces on which both beams leave through fixed faces.
#pragma once

#include <array>
#include <utility>
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

enum class Cut { Empty, Unchanged, Cut };

// Cuts polyhedra by planes, keeping the part on the positive side; holds
// its work space between cuts.
class PlaneCutter {
 public:
  // The part of `in` on the positive side of `plane`, whose own face is
  // tagged `tag`. Vertices within eps (microns) of the plane count as on it.
  // Empty: nothing of volume is left; Unchanged: the plane cuts nothing away
  // (`out` is not touched); Cut: the part is in `out`, which must not be `in`.
  Cut cut(const ConvexPolyhedron& in, const Plane& plane, double eps, ConvexPolyhedron& out, int tag = -1);

 private:
  std::vector<double> value_;
  std::vector<int> side_, index_;
  std::vector<std::array<int, 3>> made_;  // cut edge (lo, hi) and its new vertex
  std::vector<char> onPlane_;
  std::vector<int> capNext_;  // the cut's face: the vertex after each of its vertices
  std::vector<V3> vertices_;  // the result as it is formed
  std::vector<int> loops_;
  std::vector<ConvexPolyhedron::Face> faces_;
};

// The face loops run anticlockwise about the face's inward normal, so each
// edge is run once in each direction by the two faces that share it.

double polyhedronVolume(const ConvexPolyhedron& p);

// Calls f(a, b, c, d, volume) for tetrahedra that fill the polyhedron: a fan
// from one vertex to the triangles of the faces that do not hold it. The
// vertex is the one whose faces hold the most triangles, which are spared.
template <class F>
void forEachTetrahedron(const ConvexPolyhedron& p, F&& f) {
  if (p.empty()) return;
  int apex = 0, best = -1;
  {
    std::array<int, 64> spared{};
    const bool counted = p.vertices.size() <= spared.size();
    if (counted) {
      for (const auto& face : p.faces)
        for (int k = 0; k < face.count; ++k) spared[static_cast<std::size_t>(p.loops[face.first + k])] += face.count - 2;
    }
    for (std::size_t v = 0; counted && v < p.vertices.size(); ++v)
      if (spared[v] > best) {
        best = spared[v];
        apex = static_cast<int>(v);
      }
    if (!counted) apex = p.loops[static_cast<std::size_t>(p.faces[0].first)];
  }
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
