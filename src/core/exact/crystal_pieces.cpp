// The crystal polyhedron in double precision and its pieces of fixed exit
// faces.
#include "exact/crystal_pieces.hpp"

#include <algorithm>
#include <cmath>

namespace korvex::exact {

ExactCrystal buildExactCrystal(std::span<const Plane> faces, V3 boxLo, V3 boxHi) {
  ExactCrystal c;
  const V3 span = boxHi - boxLo;
  const double size = std::max({span.x, span.y, span.z, 1e-6});
  c.eps = 1e-10 * size;
  const V3 margin{size, size, size};
  ConvexPolyhedron a = boxPolyhedron(boxLo - margin, boxHi + margin), b;
  PlaneCutter cutter;
  for (std::size_t f = 0; f < faces.size(); ++f) {
    const Cut cut = cutter.cut(a, faces[f], c.eps, b, static_cast<int>(f));
    if (cut == Cut::Empty) return c;
    if (cut == Cut::Cut) std::swap(a, b);
  }
  // A face of the box left standing means the faces do not close the body.
  for (const auto& face : a.faces) {
    if (face.tag < 0) return c;
  }
  c.body = std::move(a);
  c.volume = polyhedronVolume(c.body);

  // Faces across each edge: the other face holding the same two vertices.
  const auto& body = c.body;
  c.across.assign(body.loops.size(), -1);
  c.twin.assign(body.loops.size(), -1);
  for (std::size_t f = 0; f < body.faces.size(); ++f) {
    const auto& face = body.faces[f];
    for (int k = 0; k < face.count; ++k) {
      const int a0 = body.loops[static_cast<std::size_t>(face.first + k)];
      const int a1 = body.loops[static_cast<std::size_t>(face.first + (k + 1) % face.count)];
      for (std::size_t g = 0; g < body.faces.size() && c.across[face.first + k] < 0; ++g) {
        if (g == f) continue;
        const auto& other = body.faces[g];
        for (int m = 0; m < other.count; ++m) {
          const int b0 = body.loops[static_cast<std::size_t>(other.first + m)];
          const int b1 = body.loops[static_cast<std::size_t>(other.first + (m + 1) % other.count)];
          if ((a0 == b0 && a1 == b1) || (a0 == b1 && a1 == b0)) {
            c.across[static_cast<std::size_t>(face.first + k)] = static_cast<int>(g);
            c.twin[static_cast<std::size_t>(face.first + k)] = other.first + m;
            break;
          }
        }
      }
    }
  }
  return c;
}

void PieceCutter::prismsAlong(const ExactCrystal& crystal, V3 w, std::vector<Prism>& prisms) {
  const auto& body = crystal.body;
  const std::size_t nf = body.faces.size();
  prisms.resize(nf);
  std::size_t used = 0;
  const auto exits = [&](int g) { return g >= 0 && -dot(body.faces[static_cast<std::size_t>(g)].plane.n, w) > kExitCosine; };
  for (std::size_t f = 0; f < nf; ++f) {
    const auto& face = body.faces[f];
    const double cosine = -dot(face.plane.n, w);
    if (cosine <= kExitCosine) continue;
    Prism& p = prisms[used++];
    p.exit = {face.plane, cosine};
    p.face = static_cast<int>(f);
    p.sides.clear();
    for (int k = 0; k < face.count; ++k) {
      if (!exits(crystal.across[static_cast<std::size_t>(face.first + k)])) continue;
      const V3 a = body.vertices[static_cast<std::size_t>(body.loops[face.first + k])];
      const V3 b = body.vertices[static_cast<std::size_t>(body.loops[face.first + (k + 1) % face.count])];
      Plane side;
      if (columnSide(a, b, w, side)) p.sides.push_back(side);
    }
  }
  prisms.resize(used);
}

bool PieceCutter::missesPrism(const ConvexPolyhedron& p, const std::vector<Plane>& sides, double eps) {
  for (const Plane& side : sides) {
    bool anyIn = false;
    for (const V3& v : p.vertices) {
      if (side.at(v) > eps) {
        anyIn = true;
        break;
      }
    }
    if (!anyIn) return true;
  }
  return false;
}

bool PieceCutter::cutBy(const ConvexPolyhedron& from, const std::vector<Plane>& sides, double eps,
                        const ConvexPolyhedron*& result, ConvexPolyhedron& work1, ConvexPolyhedron& work2) {
  const ConvexPolyhedron* current = &from;
  for (const Plane& side : sides) {
    ConvexPolyhedron& target = current == &work1 ? work2 : work1;
    const Cut cut = planeCutter_.cut(*current, side, eps, target);
    if (cut == Cut::Empty) return false;
    if (cut == Cut::Cut) current = &target;
  }
  result = current;
  return true;
}

PathMoments piecePathMoments(const Piece& piece, double mu) {
  return polyhedronPathMoments(piece.body, piece.linearPath(), mu);
}

}  // namespace korvex::exact
