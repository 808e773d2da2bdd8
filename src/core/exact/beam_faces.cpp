// The faces of the crystal as one beam sees them.
#include "exact/beam_faces.hpp"

#include <cmath>

namespace korvex::exact {

bool describeFaces(const ExactCrystal& crystal, V3 w, BeamFaces& b) {
  const ConvexPolyhedron& body = crystal.body;
  if (body.faces.size() > kMaxBodyFaces) return false;
  b.w = w;
  const V3 other = std::fabs(w.x) < 0.6 ? V3{1, 0, 0} : V3{0, 1, 0};
  const V3 c1 = cross(w, other);
  b.across1 = (1.0 / norm(c1)) * c1;
  b.across2 = cross(w, b.across1);
  std::size_t ns = 0;
  const std::size_t nv = body.vertices.size();
  if (nv > kMaxBodyCorners) return false;
  std::array<double, kMaxBodyCorners> s1, s2;  // the corners' shadows
  for (std::size_t i = 0; i < nv; ++i) {
    s1[i] = dot(body.vertices[i], b.across1);
    s2[i] = dot(body.vertices[i], b.across2);
  }
  b.exitCount = 0;
  for (std::size_t f = 0; f < body.faces.size(); ++f) {
    const auto& face = body.faces[f];
    b.cosine[f] = -dot(face.plane.n, w);
    if (b.exits(f)) b.exit[static_cast<std::size_t>(b.exitCount++)] = static_cast<int>(f);
    Box2 box = Box2::empty();
    for (int k = 0; k < face.count; ++k) {
      const std::size_t i = static_cast<std::size_t>(body.loops[static_cast<std::size_t>(face.first + k)]);
      box.hold(s1[i], s2[i]);
    }
    b.shadow[f] = box;
  }
  for (std::size_t f = 0; f < body.faces.size(); ++f) {
    const auto& face = body.faces[f];
    b.firstSide[f] = static_cast<int>(ns);
    b.sideCount[f] = 0;
    if (!b.exits(f)) continue;
    const double s = 1.0 / b.cosine[f];
    b.exitHeight[f] = {s * dot(face.plane.n, b.across1), s * dot(face.plane.n, b.across2), s * face.plane.d};
    for (int k = 0; k < face.count; ++k) {
      const int g = crystal.across[static_cast<std::size_t>(face.first + k)];
      if (g < 0 || !b.exits(static_cast<std::size_t>(g))) continue;
      const int i = body.loops[static_cast<std::size_t>(face.first + k)];
      const int j = body.loops[static_cast<std::size_t>(face.first + (k + 1) % face.count)];
      Plane plane;
      if (!columnSide(body.vertices[static_cast<std::size_t>(i)], body.vertices[static_cast<std::size_t>(j)], w, plane))
        continue;
      if (ns == kMaxSides) return false;
      const V3 n = plane.n;
      b.side[ns] = {n.x, n.y, n.z, plane.d, {dot(n, b.across1), dot(n, b.across2), plane.d}, i, j, g};
      ++ns;
      ++b.sideCount[f];
    }
  }
  return true;
}

}  // namespace korvex::exact
