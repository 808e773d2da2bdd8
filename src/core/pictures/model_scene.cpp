#include "pictures/model_scene.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>

namespace korvex::pictures {

namespace {

enum ModelType { kNoModel = 0, kSphere = 4, kFilledHole = 5 };

// Corners within this distance of a face's plane lie on the face: corner
// coordinates are single-precision intersections of the planes.
double onFaceTolerance(double size) { return 0.01 + 1e-4 * size; }

void addPolyhedron(const ExperimentState& e, ModelScene& s) {
  s.body = Body::Polyhedron;
  s.corners.assign(e.CORNER.begin(), e.CORNER.begin() + e.NCORNERS);
  double size = 0;
  for (int a = 0; a < 3; ++a) size = std::max(size, static_cast<double>(e.BOXMAX[a] - e.BOXMIN[a]));
  const double tol = onFaceTolerance(size);
  std::set<std::array<int, 2>> edges;
  for (int f = 0; f < e.NFACES; ++f) {
    const auto& face = e.FACE[f];
    // The crystal lies on the positive side: the outward normal is -(A, B, C).
    const Dir3 n{-face[0], -face[1], -face[2]};
    const double length = std::sqrt(dot(n, n));
    if (length == 0) continue;
    SceneFace sf;
    sf.number = f + 1;
    sf.normal = normalised(n);
    for (int c = 0; c < e.NCORNERS; ++c) {
      const Dir3 p = toDir(e.CORNER[c]);
      const double value = (face[0] * p[0] + face[1] * p[1] + face[2] * p[2] + face[3]) / length;
      if (std::fabs(value) < tol) sf.corners.push_back(c);
    }
    // A face whose plane only touches the crystal at a corner or an edge is
    // no face of it.
    if (sf.corners.size() < 3) continue;
    Dir3 c{0, 0, 0};
    for (int i : sf.corners)
      for (int a = 0; a < 3; ++a) c[a] += e.CORNER[i][a] / static_cast<double>(sf.corners.size());
    sf.centroid = c;
    const Dir3 first = toDir(e.CORNER[sf.corners.front()]);
    const Dir3 u = normalised({first[0] - c[0], first[1] - c[1], first[2] - c[2]});
    const Dir3 v = cross(sf.normal, u);
    auto angle = [&](int i) {
      const Dir3 p = toDir(e.CORNER[i]);
      const Dir3 d{p[0] - c[0], p[1] - c[1], p[2] - c[2]};
      return std::atan2(dot(d, v), dot(d, u));
    };
    std::stable_sort(sf.corners.begin(), sf.corners.end(), [&](int a, int b) { return angle(a) < angle(b); });
    for (std::size_t i = 0; i < sf.corners.size(); ++i) {
      const int a = sf.corners[i], b = sf.corners[(i + 1) % sf.corners.size()];
      edges.insert({std::min(a, b), std::max(a, b)});
    }
    if (e.NUB == 3) {
      sf.label = hklLabel({e.HKLD[f][0], e.HKLD[f][1], e.HKLD[f][2]});
    } else {
      sf.label = std::to_string(f + 1);
    }
    s.faces.push_back(std::move(sf));
  }
  s.edges.assign(edges.begin(), edges.end());
  if (e.GASKGIVEN == 1) {
    for (int c = 0; c < e.NCORNERS; ++c) {
      const Vec3& p = e.CORNER[c];
      // The same margin as the shadow test of a beam along the load axis.
      const bool beyondHole = p[0] * p[0] + p[2] * p[2] - e.GASKETR * e.GASKETR > 0.001f;
      if (p[1] < 0.0f || p[1] > e.GASKETT || beyondHole) s.misplaced.push_back(c);
    }
  }
}

// Centre and radius of what is drawn.
void frame(ModelScene& s) {
  std::vector<Dir3> points;
  for (const Vec3& c : s.corners) points.push_back(toDir(c));
  const double r = s.sphereRadius;
  if (s.body == Body::Sphere)
    for (int a = 0; a < 3; ++a) {
      Dir3 p{0, 0, 0}, q{0, 0, 0};
      p[a] = r;
      q[a] = -r;
      points.push_back(p);
      points.push_back(q);
    }
  Dir3 lo{1e30, 1e30, 1e30}, hi{-1e30, -1e30, -1e30};
  for (const Dir3& p : points)
    for (int a = 0; a < 3; ++a) {
      lo[a] = std::min(lo[a], p[a]);
      hi[a] = std::max(hi[a], p[a]);
    }
  if (points.empty()) lo = hi = {0, 0, 0};

  double crystalRadius = 0;
  for (int a = 0; a < 3; ++a) crystalRadius = std::max(crystalRadius, (hi[a] - lo[a]) / 2);
  if (s.gasket) {
    s.culetRadius = 1.25f * s.holeRadius;
    s.centre = {0, s.thickness / 2.0, 0};
  } else {
    s.centre = {(lo[0] + hi[0]) / 2, (lo[1] + hi[1]) / 2, (lo[2] + hi[2]) / 2};
    if (s.cell) s.culetRadius = static_cast<float>(1.25 * (crystalRadius + std::hypot(s.centre[0], s.centre[2])));
  }
  double extent = 0;
  for (const Dir3& p : points)
    extent = std::max(extent, std::hypot(p[0] - s.centre[0], p[1] - s.centre[1], p[2] - s.centre[2]));
  if (s.cell) {
    const double cr = s.culetRadius;
    extent = std::max(extent, std::hypot(cr, s.centre[1]));
    if (s.gasket) extent = std::max(extent, std::hypot(cr, s.thickness - s.centre[1]));
  }
  s.extent = extent > 0 ? extent : 1;
}

}  // namespace

bool hasModelToDraw(const ExperimentState& e) {
  if (e.MODELTYPE == kNoModel) return e.DACTYPE > 0;
  if (!(e.VOLUME > 0.0f)) return false;
  if (e.MODELTYPE == kSphere || e.MODELTYPE == kFilledHole) return true;
  return e.NCORNERS >= 4;
}

ModelScene modelScene(const ExperimentState& e) {
  ModelScene s;
  s.cell = e.DACTYPE > 0 || e.MODELTYPE == kFilledHole;
  s.gasket = e.GASKGIVEN == 1 && e.GASKETR > 0.0f && e.GASKETT > 0.0f;
  if (s.gasket) {
    s.thickness = e.GASKETT;
    s.holeRadius = e.GASKETR;
  }
  if (hasModelToDraw(e)) {
    switch (e.MODELTYPE) {
      case kNoModel:
        break;
      case kSphere:
        s.body = Body::Sphere;
        s.sphereRadius = e.RADIUS;
        break;
      case kFilledHole:
        s.body = Body::FilledHole;
        break;
      default:
        addPolyhedron(e, s);
        break;
    }
  }
  if (e.NUB == 3) {
    s.reciprocal = true;
    for (int j = 0; j < 3; ++j) s.reciprocalAxes[j] = normalised({e.UB[0][j], e.UB[1][j], e.UB[2][j]});
  }
  frame(s);
  return s;
}

std::string hklLabel(const std::array<float, 3>& h) {
  char buf[64];
  for (int m = 1; m <= 12; ++m) {
    bool whole = true;
    for (float v : h) whole = whole && std::fabs(m * v - std::round(m * v)) < 0.02f;
    if (!whole) continue;
    auto n = [&](float v) { return static_cast<long>(std::lround(m * v)); };
    std::snprintf(buf, sizeof buf, "(%ld %ld %ld)", n(h[0]), n(h[1]), n(h[2]));
    return buf;
  }
  std::snprintf(buf, sizeof buf, "(%.2f %.2f %.2f)", h[0], h[1], h[2]);
  return buf;
}

}  // namespace korvex::pictures
