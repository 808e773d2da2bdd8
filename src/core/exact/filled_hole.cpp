// The filled hole's transmission, along lines parallel to the load axis.
#include "exact/filled_hole.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace korvex::exact {

FilledHoleIntegrals filledHoleIntegrals(const CellAbsorption& cell, V3 u, V3 v, double relative, bool obscured) {
  const double R = cell.shape.radius, T = cell.shape.thickness, mu = cell.muCrystal;
  FilledHoleIntegrals r;
  r.volume = std::numbers::pi * R * R * T;
  if (!(R > 0.0) || !(T > 0.0)) return r;
  const BeamInCell beams[2] = {BeamInCell(u, cell.shape), BeamInCell(v, cell.shape)};

  // Tolerances from a lower bound of each integral: no path in the crystal
  // is longer than the way to both culets.
  const double longest = T / std::fabs(u.y) + T / std::fabs(v.y);
  const double least = r.volume * std::exp(-mu * longest);
  const double floor = 1e-14 * r.volume;
  const Values<4> tolerance{std::max(relative * least, floor), std::max(relative * least * T, floor * T),
                            std::max(relative, 1e-14) * r.volume, std::max(relative * least, floor)};

  // Curves of the (x, z) plane where the line integral is not smooth: the
  // lines of tangency to each beam's shadow boundary and the conics where
  // it meets the culets.
  std::vector<Line2> tangents;
  std::vector<Affine2> conics;
  if (!obscured && cell.gasket) {
    for (const BeamInCell& b : beams) {
      std::array<Line2, 2> lines{};
      if (!b.shadowTangents(lines)) continue;
      tangents.insert(tangents.end(), lines.begin(), lines.end());
      conics.push_back(b.exitFromPlane({{0, 1, 0}, 0.0}));
      conics.push_back(b.exitFromPlane({{0, -1, 0}, T}));
    }
  }

  const auto atPoint = [&](V3 p) -> Values<4> {
    double t = 0.0, g = 0.0;
    for (const BeamInCell& b : beams) {
      const BeamInCell::Paths paths = b.paths(p);
      t += paths.inHole;
      g += paths.gasket;
    }
    const double e = std::exp(-mu * t);
    double G = 0.0;
    if (!obscured) G = !cell.gasket ? 1.0 : (cell.opaque ? (g > 0.0 ? 0.0 : 1.0) : std::exp(-cell.muGasket * g));
    return {e, t * e, G, e * G};
  };

  const auto alongLine = [&](double x, double z, const Values<4>& tol) -> Values<4> {
    std::vector<double> ys;
    std::array<double, 2> edge{};
    for (const BeamInCell& b : beams) {
      const int k = b.shadowEdges(x, z, edge);
      for (int i = 0; i < k; ++i) ys.push_back(edge[static_cast<std::size_t>(i)]);
    }
    sortBreaks(ys, 0.0, T);
    Values<4> sum{};
    for (std::size_t k = 0; k + 1 < ys.size(); ++k) {
      const double y0 = ys[k], y1 = ys[k + 1];
      const V3 mid{x, 0.5 * (y0 + y1), z};
      if (!beams[0].shadowed(mid) && !beams[1].shadowed(mid)) {
        // Both beams leave through the hole: the path is the way to the
        // culets, linear along the line.
        const auto path = [&](double y) { return beams[0].toCulet({x, y, z}) + beams[1].toCulet({x, y, z}); };
        const PathMoments m = segmentPathMoments(y1 - y0, path(y0), path(y1), mu);
        const double G = obscured ? 0.0 : 1.0;
        sum += Values<4>{m.transmitted, m.pathWeighted, G * (y1 - y0), G * m.transmitted};
      } else {
        sum += integrate<4>([&](double y) { return atPoint({x, y, z}); }, y0, y1,
                            scaled(tol, (y1 - y0) / T));
      }
    }
    return sum;
  };

  std::vector<double> xs;
  std::array<double, 2> roots{};
  for (const Line2& l : tangents) {
    // Where a tangent crosses the rim of the hole.
    const double n2 = l.a * l.a + l.b * l.b;
    const std::array<double, 2> p{-l.c * l.a / n2, -l.c * l.b / n2}, d{-l.b, l.a};
    const int k = circleCrossings(p, d, R, roots);
    for (int i = 0; i < k; ++i) xs.push_back(p[0] + roots[static_cast<std::size_t>(i)] * d[0]);
    for (const Line2& o : tangents) {
      const double det = l.a * o.b - l.b * o.a;
      if (&o != &l && std::fabs(det) > 1e-12) xs.push_back((l.b * o.c - o.b * l.c) / det);
    }
    for (const Affine2& m : conics) {
      const auto e0 = mapPoint(m, p[0], p[1]), e1 = mapPoint(m, p[0] + d[0], p[1] + d[1]);
      const int kc = circleCrossings(e0, {e1[0] - e0[0], e1[1] - e0[1]}, R, roots);
      for (int i = 0; i < kc; ++i) xs.push_back(p[0] + roots[static_cast<std::size_t>(i)] * d[0]);
    }
  }
  for (const Affine2& m : conics) {
    std::array<double, 2> tx{}, tz{};
    const int k = conicTurningPoints(m, R, tx, tz);
    for (int i = 0; i < k; ++i) xs.push_back(tx[static_cast<std::size_t>(i)]);
  }
  sortBreaks(xs, -R, R);

  const Values<4> zTolerance = scaled(tolerance, 0.25 / (2.0 * R));
  const auto overX = [&](double x) -> Values<4> {
    const double h = std::sqrt(std::max(0.0, R * R - x * x));
    if (!(h > 0.0)) return {};
    std::vector<double> zs;
    for (const Line2& l : tangents) {
      if (std::fabs(l.b) > 1e-12) zs.push_back(-(l.a * x + l.c) / l.b);
    }
    for (const Affine2& m : conics) {
      const int k = circleCrossings(mapPoint(m, x, 0.0), {m.ax, m.az}, R, roots);
      for (int i = 0; i < k; ++i) zs.push_back(roots[static_cast<std::size_t>(i)]);
    }
    sortBreaks(zs, -h, h);
    const Values<4> yTolerance = scaled(zTolerance, 0.25 / (2.0 * h));
    return integrateBetween<4>([&](double z) { return alongLine(x, z, yTolerance); }, zs, zTolerance, true);
  };
  const Values<4> s = integrateBetween<4>(overX, xs, tolerance, true);
  r.crystal = {s[0], s[1]};
  r.gasket = s[2];
  r.transmitted = s[3];
  return r;
}

}  // namespace korvex::exact
