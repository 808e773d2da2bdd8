// Three-vectors in double precision for the exact transmission: points in
// microns and unit beam directions, in the phi-axis frame.
#pragma once

#include <cmath>

namespace korvex::exact {

struct V3 {
  double x = 0.0, y = 0.0, z = 0.0;
};

inline V3 operator+(V3 a, V3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline V3 operator-(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline V3 operator*(double s, V3 a) { return {s * a.x, s * a.y, s * a.z}; }
inline double dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline V3 cross(V3 a, V3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
inline double norm(V3 a) { return std::sqrt(dot(a, a)); }
// Six times the signed volume of the tetrahedron (a, b, c, d).
inline double tripleProduct(V3 a, V3 b, V3 c, V3 d) { return dot(b - a, cross(c - a, d - a)); }

// A plane n.p + d = 0 with |n| = 1; n.p + d >= 0 is the side kept.
struct Plane {
  V3 n;
  double d = 0.0;
  double at(V3 p) const { return dot(n, p) + d; }
};

}  // namespace korvex::exact
