// Exact paths of a beam between the culets and in the gasket.
#include "exact/cell_paths.hpp"

#include <algorithm>
#include <cmath>

namespace korvex::exact {

int quadraticRoots(double a, double b, double c, std::array<double, 2>& root) {
  if (a == 0.0) {
    if (b == 0.0) return 0;
    root[0] = -c / (2.0 * b);
    return 1;
  }
  const double disc = b * b - a * c;
  if (disc < 0.0) return 0;
  const double q = -(b + std::copysign(std::sqrt(disc), b));
  if (q == 0.0) {
    root[0] = root[1] = 0.0;
    return 2;
  }
  const double r1 = q / a, r2 = c / q;
  root[0] = std::min(r1, r2);
  root[1] = std::max(r1, r2);
  return 2;
}

std::array<double, 2> mapPoint(const Affine2& m, double x, double z) {
  return {m.px * x + m.ax * z + m.cx, m.pz * x + m.az * z + m.cz};
}

int circleCrossings(std::array<double, 2> e0, std::array<double, 2> de, double r, std::array<double, 2>& s) {
  return quadraticRoots(de[0] * de[0] + de[1] * de[1], e0[0] * de[0] + e0[1] * de[1],
                        e0[0] * e0[0] + e0[1] * e0[1] - r * r, s);
}

int conicTurningPoints(const Affine2& m, double r, std::array<double, 2>& x, std::array<double, 2>& z) {
  // At x the image is b + z a with a = (ax, az), b = (px x + cx, pz x + cz);
  // the roots in z meet where the distance |a x b| / |a| of that line from
  // the centre equals r, linear in x.
  const double slope = m.ax * m.pz - m.az * m.px;
  const double a2 = m.ax * m.ax + m.az * m.az;
  if (std::fabs(slope) < 1e-15 || a2 == 0.0) return 0;
  const double na = std::sqrt(a2);
  int n = 0;
  for (double sign : {-1.0, 1.0}) {
    const double xt = (sign * r * na - (m.ax * m.cz - m.az * m.cx)) / slope;
    const double b1 = m.px * xt + m.cx, b2 = m.pz * xt + m.cz;
    x[static_cast<std::size_t>(n)] = xt;
    z[static_cast<std::size_t>(n)] = -(m.ax * b1 + m.az * b2) / a2;
    ++n;
  }
  return n;
}

BeamInCell::BeamInCell(V3 w, CellShape shape) : w_(w), shape_(shape) {
  planeY_ = w.y < 0.0 ? 0.0 : shape.thickness;
  ex_ = w.x / w.y;
  ez_ = w.z / w.y;
  kx_ = planeY_ * ex_;
  kz_ = planeY_ * ez_;
}

std::array<double, 2> BeamInCell::exitOnCulet(V3 p) const {
  const double s = toCulet(p);
  return {p.x + s * w_.x, p.z + s * w_.z};
}

bool BeamInCell::shadowed(V3 p) const {
  const auto e = exitOnCulet(p);
  return e[0] * e[0] + e[1] * e[1] > shape_.radius * shape_.radius;
}

BeamInCell::Paths BeamInCell::paths(V3 p) const {
  Paths r;
  r.culet = std::max(0.0, toCulet(p));
  const double R = shape_.radius;
  // |p_xz + s w_xz|^2 - R^2 = a s^2 + 2 b s + c.
  const double a = w_.x * w_.x + w_.z * w_.z;
  const double b = p.x * w_.x + p.z * w_.z;
  const double c = p.x * p.x + p.z * p.z - R * R;
  double lo = 0.0, hi = 0.0;
  std::array<double, 2> root{};
  if (a == 0.0) {
    // Along the axis: inside the hole all the way or not at all.
    if (c <= 0.0) {
      lo = 0.0;
      hi = r.culet;
    }
  } else if (quadraticRoots(a, b, c, root) == 2) {
    lo = std::clamp(root[0], 0.0, r.culet);
    hi = std::clamp(root[1], 0.0, r.culet);
  }
  r.holeStart = lo;
  r.holeEnd = std::max(lo, hi);
  r.inHole = r.holeEnd - r.holeStart;
  r.gasket = r.culet - r.inHole;
  return r;
}

double BeamInCell::holeExit(V3 p) const {
  const double a = w_.x * w_.x + w_.z * w_.z;
  if (a == 0.0) return 1e300;
  const double b = p.x * w_.x + p.z * w_.z;
  const double c = p.x * p.x + p.z * p.z - shape_.radius * shape_.radius;
  // The larger root of a s^2 + 2 b s + c, c <= 0, written without
  // cancellation for either sign of b.
  const double root = std::sqrt(std::max(0.0, b * b - a * c));
  return b > 0.0 ? -c / (b + root) : (root - b) / a;
}

int BeamInCell::shadowEdges(double x, double z, std::array<double, 2>& y) const {
  // Exit point of (x, y, z): (cx - y ex, cz - y ez); on the circle where
  // (ex^2 + ez^2) y^2 - 2 (c.e) y + |c|^2 - R^2 = 0.
  const double cx = x + kx_, cz = z + kz_;
  const double a = ex_ * ex_ + ez_ * ez_;
  if (a == 0.0) return 0;
  const double R = shape_.radius;
  std::array<double, 2> root{};
  const int n = quadraticRoots(a, -(cx * ex_ + cz * ez_), cx * cx + cz * cz - R * R, root);
  for (int i = 0; i < n; ++i) y[static_cast<std::size_t>(i)] = root[static_cast<std::size_t>(i)];
  return n;
}

bool BeamInCell::shadowTangents(std::array<Line2, 2>& lines) const {
  const double len = std::hypot(ex_, ez_);
  if (len == 0.0) return false;
  // The exit points of a vertical line run along direction (ex, ez); the
  // line touches the circle when the distance of that run from the centre,
  // |c x e| / |e| with c = (x + kx, z + kz), equals R.
  const double ux = ex_ / len, uz = ez_ / len;
  const double c0 = kx_ * uz - kz_ * ux;
  lines[0] = {uz, -ux, c0 - shape_.radius};
  lines[1] = {uz, -ux, c0 + shape_.radius};
  return true;
}

double BeamInCell::closestY(double x, double z) const {
  const double a = ex_ * ex_ + ez_ * ez_;
  return a == 0.0 ? 0.0 : ((x + kx_) * ex_ + (z + kz_) * ez_) / a;
}

Affine2 BeamInCell::exitFromPlane(const Plane& plane) const {
  // y = A + B x + C z on the plane; exit = (x + kx - ex y, z + kz - ez y).
  const double A = -plane.d / plane.n.y, B = -plane.n.x / plane.n.y, C = -plane.n.z / plane.n.y;
  return {1.0 - ex_ * B, -ex_ * C, kx_ - ex_ * A, -ez_ * B, 1.0 - ez_ * C, kz_ - ez_ * A};
}

}  // namespace korvex::exact
