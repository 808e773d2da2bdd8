// The faces of the crystal as one beam sees them, for the integrals
// through the regions' surfaces: which faces the beam leaves by, the boxes
// of the faces' shadows on a plane across the beam, and the planes along
// the beam through the edges that two exit faces share (the sides of the
// exit faces' columns), in space and as lines in that plane.
#pragma once

#include <array>
#include <cmath>

#include "exact/crystal_pieces.hpp"
#include "exact/flat_polygon.hpp"

namespace korvex::exact {

// Sizes held in place; a larger crystal is integrated piece by piece.
inline constexpr std::size_t kMaxBodyFaces = 64;
inline constexpr std::size_t kMaxSides = 192;
inline constexpr std::size_t kMaxBodyCorners = 128;
inline constexpr std::size_t kMaxLoopEntries = 768;  // twice the edges of 128 corners

// A rectangle in a plane across a beam, holding the shadows of points.
struct Box2 {
  double lo1, hi1, lo2, hi2;  // set by empty() before use
  static Box2 empty() { return {1e300, -1e300, 1e300, -1e300}; }
  void hold(double a, double b) {
    lo1 = a < lo1 ? a : lo1;
    hi1 = a > hi1 ? a : hi1;
    lo2 = b < lo2 ? b : lo2;
    hi2 = b > hi2 ? b : hi2;
  }
  // Whether the two overlap or come within eps of each other (a face
  // along the beam casts a shadow of no width); all four comparisons are
  // made, without branches between them, since which way they go cannot
  // be foreseen.
  bool meets(const Box2& o, double eps) const {
    return static_cast<bool>(static_cast<int>(lo1 <= o.hi1 + eps) & static_cast<int>(o.lo1 <= hi1 + eps) &
                             static_cast<int>(lo2 <= o.hi2 + eps) & static_cast<int>(o.lo2 <= hi2 + eps));
  }
};

// The faces of the crystal as one beam w sees them: cosines -n.w, the
// boxes of their shadows along w, and for each face it leaves by the planes
// along w through the edges it shares with other exit faces, each facing
// into the face's column.
struct BeamFaces {
  V3 w, across1, across2;  // across1, across2, w: a right-handed frame
  int exitCount = 0;
  std::array<int, kMaxBodyFaces> exit;  // the faces w leaves by
  int entryCount = 0;
  std::array<int, kMaxBodyFaces> entry;  // the others
  std::array<double, kMaxBodyFaces> cosine;
  std::array<Box2, kMaxBodyFaces> shadow;
  std::array<int, kMaxBodyFaces> firstSide, sideCount;  // set for exit faces
  // Each side's plane n.x + d >= 0, the same line seen along w, the edge's
  // corners and the face across it; left uninitialised until formed.
  struct Side {
    double nx, ny, nz, d;
    FlatLine flat;
    int from, to, across;
    Plane plane() const { return {{nx, ny, nz}, d}; }
    V3 normal() const { return {nx, ny, nz}; }
  };
  std::array<Side, kMaxSides> side;
  // For each exit face, the height along w of its plane over a point of
  // the shadow: a point at height h has path height - h to the face.
  std::array<FlatLinear, kMaxBodyFaces> exitHeight;
  bool exits(std::size_t f) const { return cosine[f] > kExitCosine; }
  // The path from p along w to exit face f.
  LinearPath pathTo(const ConvexPolyhedron::Face& face, std::size_t f) const {
    const double s = 1.0 / cosine[f];
    return {s * face.plane.n, s * face.plane.d};
  }
};

// The faces of `crystal` as the unit vector w sees them, the shadows of the
// faces it enters by only when entryShadows; false when the crystal has
// more faces, corners or shared edges than are held in place.
bool describeFaces(const ExactCrystal& crystal, V3 w, bool entryShadows, BeamFaces& b);

// Whether the line leaves every point of the box on its kept side (+1), on
// the other (-1), or runs through it (0), eps counting as on the line.
// Inline and without branches: it decides most cuts before any corner is
// looked at, and which way it goes cannot be foreseen.
inline int sideOfBox(const FlatLine& line, const Box2& box, double eps) {
  const double centre = line.a * 0.5 * (box.lo1 + box.hi1) + line.b * 0.5 * (box.lo2 + box.hi2) + line.c;
  const double reach = 0.5 * (std::fabs(line.a) * (box.hi1 - box.lo1) + std::fabs(line.b) * (box.hi2 - box.lo2));
  return static_cast<int>(centre - reach > eps) - static_cast<int>(centre + reach < -eps);
}

inline Box2 boxOf(const FlatPolygon& q) {
  Box2 b = Box2::empty();
  for (int k = 0; k < q.count; ++k) b.hold(q.x[k], q.y[k]);
  return b;
}

}  // namespace korvex::exact
