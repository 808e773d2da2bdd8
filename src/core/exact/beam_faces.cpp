// The faces of the crystal as one beam sees them.
#include "exact/beam_faces.hpp"

#include <cmath>

namespace korvex::exact {

bool describeFaces(const ExactCrystal& crystal, V3 w, bool entryShadows, BeamFaces& b) {
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
  // Exit and entry faces listed without branches (which way each face
  // goes cannot be foreseen), with the boxes of the shadows needed.
  b.exitCount = 0;
  b.entryCount = 0;
  for (std::size_t f = 0; f < body.faces.size(); ++f) {
    b.cosine[f] = -dot(body.faces[f].plane.n, w);
    const int exits = static_cast<int>(b.exits(f));
    b.exit[static_cast<std::size_t>(b.exitCount)] = static_cast<int>(f);
    b.entry[static_cast<std::size_t>(b.entryCount)] = static_cast<int>(f);
    b.exitCount += exits;
    b.entryCount += 1 - exits;
  }
  const auto shadowOf = [&](int f) {
    const auto& face = body.faces[static_cast<std::size_t>(f)];
    Box2 box = Box2::empty();
    for (int k = 0; k < face.count; ++k) {
      const std::size_t i = static_cast<std::size_t>(body.loops[static_cast<std::size_t>(face.first + k)]);
      box.hold(s1[i], s2[i]);
    }
    b.shadow[static_cast<std::size_t>(f)] = box;
  };
  for (int k = 0; k < b.exitCount; ++k) shadowOf(b.exit[static_cast<std::size_t>(k)]);
  if (entryShadows)
    for (int k = 0; k < b.entryCount; ++k) shadowOf(b.entry[static_cast<std::size_t>(k)]);
  // The side made for each loop entry of an exit face (-1: none); an edge
  // two exit faces share gives the second face the first one's side turned
  // over (the same plane, its normal exactly negated).
  if (body.loops.size() > kMaxLoopEntries) return false;
  std::array<int, kMaxLoopEntries> sideOf;
  for (int x = 0; x < b.exitCount; ++x) {
    const std::size_t f = static_cast<std::size_t>(b.exit[static_cast<std::size_t>(x)]);
    const auto& face = body.faces[f];
    b.firstSide[f] = static_cast<int>(ns);
    b.sideCount[f] = 0;
    const double s = 1.0 / b.cosine[f];
    b.exitHeight[f] = {s * dot(face.plane.n, b.across1), s * dot(face.plane.n, b.across2), s * face.plane.d};
    for (int k = 0; k < face.count; ++k) {
      const std::size_t entry = static_cast<std::size_t>(face.first + k);
      sideOf[entry] = -1;
      const int g = crystal.across[entry];
      if (g < 0 || !b.exits(static_cast<std::size_t>(g))) continue;
      const int i = body.loops[entry];
      const int j = body.loops[static_cast<std::size_t>(face.first + (k + 1) % face.count)];
      V3 n;
      if (g < static_cast<int>(f)) {
        // g came first: its side along the same edge (the loops run
        // anticlockwise about the inward normals, so its edge runs the
        // other way), if the edge does not lie along w.
        const int made = sideOf[static_cast<std::size_t>(crystal.twin[entry])];
        if (made < 0) continue;
        n = -1.0 * b.side[static_cast<std::size_t>(made)].normal();
      } else {
        Plane plane;
        if (!columnSide(body.vertices[static_cast<std::size_t>(i)], body.vertices[static_cast<std::size_t>(j)], w, plane))
          continue;
        n = plane.n;
      }
      if (ns == kMaxSides) return false;
      const double d = -dot(n, body.vertices[static_cast<std::size_t>(i)]);
      b.side[ns] = {n.x, n.y, n.z, d, {dot(n, b.across1), dot(n, b.across2), d}, i, j, g};
      sideOf[entry] = static_cast<int>(ns);
      ++ns;
      ++b.sideCount[f];
    }
  }
  return true;
}

}  // namespace korvex::exact
