// Exact paths of one beam in a diamond-anvil cell: to the culet plane it
// heads for, inside the gasket hole, and in the gasket.
//
// Frame: the load axis is Y; the culets are the planes y = 0 (incident-beam
// anvil) and y = T; the hole is the cylinder x^2 + z^2 <= R^2 between them.
// From a point p the beam p + s w (s >= 0) reaches its culet plane at s = S;
// it runs inside the cylinder where |(p + s w)_xz|^2 <= R^2, a quadratic in
// s, and its path in the gasket is the rest of [0, S]. A point is shadowed
// for the beam when that path is not zero, that is when the beam meets the
// culet plane outside the hole's circle.
#pragma once

#include <array>

#include "exact/vec3d.hpp"

namespace korvex::exact {

struct CellShape {
  double thickness = 0.0;  // T, microns
  double radius = 0.0;     // R, microns
};

// A line a x + b z + c = 0 in the (x, z) plane.
struct Line2 {
  double a = 0.0, b = 0.0, c = 0.0;
  double at(double x, double z) const { return a * x + b * z + c; }
};

// An affine map of the (x, z) plane: (px x + ax z + cx, pz x + az z + cz).
struct Affine2 {
  double px = 0, ax = 0, cx = 0, pz = 0, az = 0, cz = 0;
};

// Real roots of a s^2 + 2 b s + c = 0, ascending, without cancellation; a
// zero a leaves the linear equation. Returns their number.
int quadraticRoots(double a, double b, double c, std::array<double, 2>& root);

// The image of (x, z) under m.
std::array<double, 2> mapPoint(const Affine2& m, double x, double z);
// The parameters s where |e0 + s de| = r.
int circleCrossings(std::array<double, 2> e0, std::array<double, 2> de, double r, std::array<double, 2>& s);
// The points (x, z) where the conic |m(x, z)| = r turns in x (its two
// z-roots at x meet there).
int conicTurningPoints(const Affine2& m, double r, std::array<double, 2>& x, std::array<double, 2>& z);

class BeamInCell {
 public:
  // w: unit direction with a non-zero Y component.
  BeamInCell(V3 w, CellShape shape);

  V3 direction() const { return w_; }
  // Distance along the beam to the culet plane it heads for.
  double toCulet(V3 p) const { return (planeY_ - p.y) / w_.y; }
  // Where the beam meets that plane, in x and z.
  std::array<double, 2> exitOnCulet(V3 p) const;
  bool shadowed(V3 p) const;

  struct Paths {
    double culet = 0.0;   // S
    double inHole = 0.0;  // length of [0, S] inside the cylinder
    double gasket = 0.0;  // S - inHole
    // Length of [from, S] inside the cylinder: the part of the way beyond
    // `from` (the crystal's exit) that runs in the pressure medium.
    double inHoleBeyond(double from) const { return std::max(0.0, holeEnd - std::max(from, holeStart)); }
    double holeStart = 0.0, holeEnd = 0.0;  // [0, S] inside the cylinder: [holeStart, holeEnd]
  };
  Paths paths(V3 p) const;
  // For a point inside the hole: the distance along the beam at which it
  // leaves the hole's cylinder (infinite for a beam along the axis).
  double holeExit(V3 p) const;

  // Along the line (x, y, z), y free: the values of y where the point's exit
  // lies on the hole's circle (0, 1 or 2 of them, ascending).
  int shadowEdges(double x, double z, std::array<double, 2>& y) const;
  // The two lines of the (x, z) plane along which such lines touch the
  // boundary of the shadow: there its edges meet and part. None (false) for
  // a beam along the axis, which no gasket shadows.
  bool shadowTangents(std::array<Line2, 2>& lines) const;
  // Where the vertical line through (x, z) comes closest to the shadow's
  // axis: the y at which it touches the boundary when it does.
  double closestY(double x, double z) const;
  // The exit on the culet of the point of a (not vertical) plane above
  // (x, z): affine in (x, z). The shadow's boundary meets the plane where
  // its image lies on the hole's circle.
  Affine2 exitFromPlane(const Plane& plane) const;
  double radius() const { return shape_.radius; }

 private:
  V3 w_;
  CellShape shape_;
  double planeY_ = 0.0;            // the culet plane the beam heads for
  double ex_ = 0.0, ez_ = 0.0;     // exit point moves by -(ex, ez) per unit of y
  double kx_ = 0.0, kz_ = 0.0;     // exit point of (x, 0, z) is (x + kx, z + kz)
};

}  // namespace korvex::exact
