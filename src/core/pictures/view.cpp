#include "pictures/view.hpp"

#include <cmath>

namespace korvex::pictures {

namespace {

View fromOutAndUp(const Dir3& out, const Dir3& upHint) {
  View v;
  v.out = normalised(out);
  v.right = normalised(cross(upHint, v.out));
  v.up = cross(v.out, v.right);
  return v;
}

// Rodrigues' rotation of a about the unit axis k by angle t.
Dir3 rotate(const Dir3& a, const Dir3& k, double t) {
  const double c = std::cos(t), s = std::sin(t), kd = dot(k, a) * (1 - c);
  const Dir3 kx = cross(k, a);
  return {a[0] * c + kx[0] * s + k[0] * kd, a[1] * c + kx[1] * s + k[1] * kd, a[2] * c + kx[2] * s + k[2] * kd};
}

}  // namespace

View standardView(StandardView which) {
  switch (which) {
    case StandardView::AlongX:
      return fromOutAndUp({1, 0, 0}, {0, 1, 0});
    case StandardView::AlongY:
      return View{{1, 0, 0}, {0, 0, 1}, {0, -1, 0}};
    case StandardView::AlongZ:
      return fromOutAndUp({0, 0, 1}, {0, 1, 0});
    case StandardView::Oblique:
      break;
  }
  // 35 degrees round the load axis from z, 25 degrees above the culets.
  const double az = 35.0 * M_PI / 180.0, el = 25.0 * M_PI / 180.0;
  return fromOutAndUp({std::cos(el) * std::sin(az), std::sin(el), std::cos(el) * std::cos(az)}, {0, 1, 0});
}

std::string viewName(StandardView which) {
  switch (which) {
    case StandardView::AlongX: return "along x";
    case StandardView::AlongY: return "along y (load axis)";
    case StandardView::AlongZ: return "along z";
    case StandardView::Oblique: break;
  }
  return "oblique";
}

std::string viewFileStem(StandardView which) {
  switch (which) {
    case StandardView::AlongX: return "model_along_x";
    case StandardView::AlongY: return "model_along_y";
    case StandardView::AlongZ: return "model_along_z";
    case StandardView::Oblique: break;
  }
  return "model_oblique";
}

View turned(const View& view, double aboutUp, double aboutRight) {
  View v = view;
  v.right = rotate(v.right, view.up, aboutUp);
  v.out = rotate(v.out, view.up, aboutUp);
  v.up = rotate(v.up, v.right, aboutRight);
  v.out = rotate(v.out, v.right, aboutRight);
  // Keep the rows orthonormal however long the user drags.
  v.out = normalised(v.out);
  v.right = normalised(cross(v.up, v.out));
  v.up = cross(v.out, v.right);
  return v;
}

ScreenPoint project(const View& view, const Dir3& p) { return {dot(view.right, p), dot(view.up, p), dot(view.out, p)}; }

ScreenPoint project(const View& view, const Vec3& p) { return project(view, toDir(p)); }

Dir3 toDir(const Vec3& v) { return {v[0], v[1], v[2]}; }

double dot(const Dir3& a, const Dir3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

Dir3 cross(const Dir3& a, const Dir3& b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

Dir3 normalised(const Dir3& a) {
  const double n = std::sqrt(dot(a, a));
  if (n == 0) return a;
  return {a[0] / n, a[1] / n, a[2] / n};
}

}  // namespace korvex::pictures
