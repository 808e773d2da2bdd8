// A convex polygon in space seen along a beam: its corners' shadows on a
// plane across the beam, each carrying a value linear over the polygon,
// clipped by lines; and the integrals over the shadow of exp(-mu t) and
// t exp(-mu t) for a path t linear over it.
//
// The integrals reduce to the polygon's edges by the divergence theorem in
// the plane (one exp per corner); where that would lose digits, because
// the path hardly varies across the polygon or mu is small, the polygon is
// integrated over a fan of triangles by divided differences instead.
#pragma once

#include <array>
#include <stdexcept>

#include "exact/convex_polyhedron.hpp"
#include "exact/polyhedron_moments.hpp"

namespace korvex::exact {

// Corners of a polygon held in place; a crystal whose cuts would need more
// is integrated piece by piece.
inline constexpr int kMaxPolygonCorners = 48;

// Raised when a cut would need more corners than a polygon holds.
struct PolygonTooLarge : std::length_error {
  PolygonTooLarge() : std::length_error("polygon of too many corners") {}
};

// The integrals over a polygon with the sums of their terms' magnitudes:
// each integral's rounding error is about 1e-16 times its bound.
struct BoundedMoments {
  PathMoments value;
  PathMoments bound;
};

// The corners as three arrays (shadow coordinates x, y and the carried
// value), so that the loops over them run over plain numbers; only the
// first `count` are set.
struct FlatPolygon {
  int count = 0;
  std::array<double, kMaxPolygonCorners> x, y, value;
};

// Lines and linear functions are left uninitialised in arrays formed afresh
// for every reflection.
// The line a x + b y + c = 0 with a^2 + b^2 = 1; the side kept is >= 0.
struct FlatLine {
  double a, b, c;
};

// The part of `in` on the kept sides of lines[0 .. count - 1], cut by each
// in turn, corners within eps of a line counting as on it. Empty: nothing
// of area is left; Unchanged: `out` is not touched; Cut: the part is in
// `out`, which must not be `in`.
Cut clipFlatByAll(const FlatPolygon& in, const FlatLine* lines, int count, double eps, FlatPolygon& out);

// A function a x + b y + c of the shadow's coordinates.
struct FlatLinear {
  double a, b, c;
  double at(double x, double y) const { return a * x + b * y + c; }
};

// Over the polygon, whose corners run anticlockwise, with the path at each
// corner its value plus `added`; `gradient` is the gradient of the values
// (the path's is that plus added's). mu > 0.
BoundedMoments flatPathMoments(const FlatPolygon& p, FlatLinear added, double gradientX, double gradientY,
                               double mu);

// Polygons of up to eight corners are worked on eight corners at a time
// where the processor has AVX-512, with the same bits as one corner at a
// time; these are the one-corner-at-a-time forms.
namespace one_by_one {
// The part of `in` on the kept side of one line, as clipFlatByAll.
Cut clipFlat(const FlatPolygon& in, const FlatLine& line, double eps, FlatPolygon& out);
}  // namespace one_by_one
BoundedMoments flatPathMoments(const FlatPolygon& p, FlatLinear added, double gradientX, double gradientY, double mu,
                               bool eightLanes);

}  // namespace korvex::exact
