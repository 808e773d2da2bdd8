// A convex polygon in space, clipped by planes.
#pragma once

#include <array>
#include <stdexcept>

#include "exact/convex_polyhedron.hpp"
#include "exact/polyhedron_moments.hpp"

namespace korvex::exact {

// Corners of a polygon held in place; a crystal whose cuts would need more
// is integrated piece by piece.
inline constexpr int kMaxPolygonCorners = 48;

struct PlanarPolygon {
  PlanarPolygon() {}  // the corners are not cleared: only the first `count` are used
  int count = 0;
  union {
    std::array<V3, kMaxPolygonCorners> corners;
  };
  // Copies only the corners in use.
  void assign(const PlanarPolygon& other) {
    count = other.count;
    for (int k = 0; k < count; ++k) corners[static_cast<std::size_t>(k)] = other.corners[static_cast<std::size_t>(k)];
  }
};

// Raised when a cut would need more corners than a polygon holds.
struct PolygonTooLarge : std::length_error {
  PolygonTooLarge() : std::length_error("polygon of too many corners") {}
};

// The part of `in` on the positive side of `plane`, corners within eps of it
// counting as on it. Empty: nothing of area is left; Unchanged: `out` is
// not touched; Cut: the part is in `out`, which must not be `in`.
Cut clipPolygon(const PlanarPolygon& in, const Plane& plane, double eps, PlanarPolygon& out);

// The integrals over a polygon with the sums of their terms' magnitudes:
// each integral's rounding error is about 1e-16 times its bound.
struct BoundedMoments {
  PathMoments value;
  PathMoments bound;
};

// Area of the polygon, corners anticlockwise about n.
double polygonArea(const PlanarPolygon& p, V3 n);

}  // namespace korvex::exact
