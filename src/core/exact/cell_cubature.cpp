// The crystal's transmission in a cell, piece by piece: closed forms where
// no shadow reaches, adaptive cubature along the load axis elsewhere.
#include "exact/cell_cubature.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace korvex::exact {

namespace {

// A tolerance never falls below this share of the largest the integral
// can be (the piece's volume, every factor being at most 1): beyond what
// double precision resolves, and it keeps the halving finite.
constexpr double kFloor = 1e-14;

struct Edge {
  V3 a, b;
};

// The piece's edges, each once.
std::vector<Edge> edgesOf(const ConvexPolyhedron& p) {
  std::vector<std::pair<int, int>> seen;
  std::vector<Edge> edges;
  for (const auto& face : p.faces) {
    const int* loop = p.loops.data() + face.first;
    for (int k = 0; k < face.count; ++k) {
      const int a = loop[k], b = loop[(k + 1) % face.count];
      const std::pair<int, int> key{std::min(a, b), std::max(a, b)};
      if (std::find(seen.begin(), seen.end(), key) != seen.end()) continue;
      seen.push_back(key);
      edges.push_back({p.vertices[static_cast<std::size_t>(a)], p.vertices[static_cast<std::size_t>(b)]});
    }
  }
  return edges;
}



}  // namespace

CellCubature::CellCubature(const CellAbsorption& cell, V3 u, V3 v)
    : cell_(cell), u_(u, cell.shape), v_(v, cell.shape) {}

CellCubature::Light CellCubature::lightOf(const ConvexPolyhedron& p, const BeamInCell& beam) const {
  // The points whose beam leaves through the hole form an oblique cylinder,
  // a convex set: a piece whose corners all lie in it lies in it.
  const double R2 = cell_.shape.radius * cell_.shape.radius;
  std::vector<std::array<double, 2>> exits;
  std::size_t lit = 0;
  for (const V3& corner : p.vertices) {
    const auto e = beam.exitOnCulet(corner);
    if (e[0] * e[0] + e[1] * e[1] <= R2) ++lit;
    exits.push_back(e);
  }
  if (lit == exits.size()) return Light::Lit;
  if (lit > 0) return Light::Mixed;
  // Every corner's exit lies outside the circle: the piece is wholly dark
  // unless the hull of the exits still meets the disc (the circle's centre
  // inside the hull, or an edge of it passing within R of the centre).
  const std::size_t n = exits.size();
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t j = i + 1; j < n; ++j) {
      const auto& a = exits[i];
      const auto& b = exits[j];
      const double dx = b[0] - a[0], dz = b[1] - a[1];
      const double len2 = dx * dx + dz * dz;
      const double s = len2 > 0.0 ? std::clamp(-(a[0] * dx + a[1] * dz) / len2, 0.0, 1.0) : 0.0;
      const double cx = a[0] + s * dx, cz = a[1] + s * dz;
      if (cx * cx + cz * cz <= R2) return Light::Mixed;
      // The centre inside the triangle (exits[0], a, b)?
      if (i == 0) continue;
      const auto& o = exits[0];
      const auto cross2 = [](const std::array<double, 2>& r, const std::array<double, 2>& q) {
        return r[0] * q[1] - r[1] * q[0];
      };
      const double d1 = cross2({a[0] - o[0], a[1] - o[1]}, {-o[0], -o[1]});
      const double d2 = cross2({b[0] - a[0], b[1] - a[1]}, {-a[0], -a[1]});
      const double d3 = cross2({o[0] - b[0], o[1] - b[1]}, {-b[0], -b[1]});
      if ((d1 >= 0 && d2 >= 0 && d3 >= 0) || (d1 <= 0 && d2 <= 0 && d3 <= 0)) return Light::Mixed;
    }
  }
  return Light::Dark;
}

CellIntegrals CellCubature::closedForm(const Piece& piece) const {
  CellIntegrals r;
  const double mu = cell_.muCrystal, mm = cell_.medium ? cell_.muMedium : 0.0;
  // Medium path of an unshadowed point: the way to both culets less the way
  // in the crystal, linear on the piece.
  const auto mediumPath = [&](V3 p) {
    return u_.toCulet(p) - piece.incident.path(p) + v_.toCulet(p) - piece.diffracted.path(p);
  };
  forEachTetrahedron(piece.body, [&](V3 a, V3 b, V3 c, V3 d, double volume) {
    const std::array<V3, 4> corner{a, b, c, d};
    std::array<double, 4> total{}, medium{};
    for (std::size_t i = 0; i < 4; ++i) {
      medium[i] = -mm * mediumPath(corner[i]);
      total[i] = -mu * piece.path(corner[i]) + medium[i];
    }
    r.transmitted += tetrahedronExpIntegral(volume, total);
    r.medium += cell_.medium ? tetrahedronExpIntegral(volume, medium) : volume;
    r.gasket += volume;
  });
  return r;
}

std::array<double, 3> CellCubature::exponentsAt(const Piece& piece, V3 p, bool shadowedU, bool shadowedV,
                                               double wallU, double wallV) const {
  double gasket = 0.0, medium = 0.0;
  const auto beam = [&](const BeamInCell& b, double t, bool shadowed, double wall) {
    // The way to the culet; for a shadowed beam its part beyond the hole's
    // wall runs in the gasket.
    const double S = b.toCulet(p);
    if (!shadowed) {
      medium += S - t;
      return;
    }
    gasket += std::max(0.0, S - wall);
    medium += std::max(0.0, std::min(S, wall) - t);
  };
  const double tu = piece.incident.path(p), tv = piece.diffracted.path(p);
  beam(u_, tu, shadowedU, wallU);
  beam(v_, tv, shadowedV, wallV);
  const double g = -cell_.muGasket * gasket, m = cell_.medium ? -cell_.muMedium * medium : 0.0;
  return {-cell_.muCrystal * (tu + tv) + g + m, g, m};
}

Values<3> CellCubature::alongLine(const Piece& piece, double x, double z, double ylo, double yhi,
                                  const std::array<Light, 2>& light) const {
  std::array<double, 6> points{};
  std::size_t n = 0;
  points[n++] = ylo;
  std::array<double, 2> edge{};
  const BeamInCell* beams[2] = {&u_, &v_};
  for (int b = 0; b < 2; ++b) {
    if (light[static_cast<std::size_t>(b)] != Light::Mixed) continue;
    const int k = beams[b]->shadowEdges(x, z, edge);
    for (int i = 0; i < k; ++i) {
      if (edge[static_cast<std::size_t>(i)] > ylo && edge[static_cast<std::size_t>(i)] < yhi)
        points[n++] = edge[static_cast<std::size_t>(i)];
    }
  }
  points[n++] = yhi;
  for (std::size_t i = 2; i + 1 < n; ++i) {
    for (std::size_t j = i; j > 1 && points[j] < points[j - 1]; --j) std::swap(points[j], points[j - 1]);
  }

  const auto at = [&](double y) { return V3{x, y, z}; };
  const auto shadowedAt = [&](int b, V3 p) {
    const Light l = light[static_cast<std::size_t>(b)];
    return l == Light::Dark || (l == Light::Mixed && beams[b]->shadowed(p));
  };
  // A beam's way to the hole's wall is the same at every y of the line.
  const double wallU = light[0] != Light::Lit ? u_.holeExit(at(ylo)) : 0.0;
  const double wallV = light[1] != Light::Lit ? v_.holeExit(at(ylo)) : 0.0;
  Values<3> sum{};
  for (std::size_t k = 0; k + 1 < n; ++k) {
    const double y0 = points[k], y1 = points[k + 1];
    if (!(y1 > y0)) continue;
    const V3 mid = at(0.5 * (y0 + y1));
    const bool su = shadowedAt(0, mid), sv = shadowedAt(1, mid);
    if (cell_.opaque && (su || sv)) continue;
    // The way to the culet and the paths in the crystal are linear in y, so
    // the gasket and medium paths are linear too, except where a shadowed
    // beam's exit from the crystal passes the wall. Cut there, each part is
    // in closed form.
    std::array<double, 4> ys{y0, y1, y1, y1};
    std::size_t ny = 1;
    const auto cutWhereExitPassesWall = [&](const ExitFace& face, double wall) {
      const double d0 = face.path(at(y0)) - wall, d1 = face.path(at(y1)) - wall;
      if ((d0 < 0.0) == (d1 < 0.0)) return;
      const double y = y0 + (y1 - y0) * (d0 / (d0 - d1));
      if (y > y0 && y < y1) ys[ny++] = y;
    };
    if (su) cutWhereExitPassesWall(piece.incident, wallU);
    if (sv) cutWhereExitPassesWall(piece.diffracted, wallV);
    if (ny == 3 && ys[2] < ys[1]) std::swap(ys[1], ys[2]);
    ys[ny++] = y1;
    for (std::size_t i = 0; i + 1 < ny; ++i) {
      const double ya = ys[i], yb = ys[i + 1];
      if (!(yb > ya)) continue;
      const auto e0 = exponentsAt(piece, at(ya), su, sv, wallU, wallV);
      const auto e1 = exponentsAt(piece, at(yb), su, sv, wallU, wallV);
      for (std::size_t j = 0; j < 3; ++j) sum[j] += segmentExpIntegral(yb - ya, e0[j], e1[j]);
    }
  }
  return sum;
}

namespace {

// The piece seen from above: its vertical extent at (x, z) and the faces
// that bound it there.
struct Section {
  double ylo = -1e300, yhi = 1e300;
  int bottom = -1, top = -1;
};

Section sectionAt(const ConvexPolyhedron& body, double x, double z) {
  Section s;
  for (std::size_t f = 0; f < body.faces.size(); ++f) {
    const V3& n = body.faces[f].plane.n;
    if (std::fabs(n.y) < 1e-12) continue;
    const double y = -(n.x * x + n.z * z + body.faces[f].plane.d) / n.y;
    if (n.y > 0.0 && y > s.ylo) {
      s.ylo = y;
      s.bottom = static_cast<int>(f);
    } else if (n.y < 0.0 && y < s.yhi) {
      s.yhi = y;
      s.top = static_cast<int>(f);
    }
  }
  return s;
}

}  // namespace

CellIntegrals CellCubature::piece(const Piece& piece, double relative, double crystalTransmitted) {
  const ConvexPolyhedron& body = piece.body;
  if (!cell_.gasket) return closedForm(piece);
  const std::array<Light, 2> light{lightOf(body, u_), lightOf(body, v_)};
  if (cell_.opaque && (light[0] == Light::Dark || light[1] == Light::Dark)) return {};
  if (light[0] == Light::Lit && light[1] == Light::Lit) return closedForm(piece);

  const double volume = polyhedronVolume(body);
  const Values<3> tolerance{std::max(relative * crystalTransmitted, kFloor * volume),
                            std::max(relative, kFloor) * volume, std::max(relative, kFloor) * volume};
  const std::vector<Edge> edges = edgesOf(body);
  double xlo = 1e300, xhi = -1e300;
  for (const V3& c : body.vertices) {
    xlo = std::min(xlo, c.x);
    xhi = std::max(xhi, c.x);
  }
  if (!(xhi > xlo)) return {};
  const double scale = xhi - xlo;

  // The curves of the (x, z) plane where the line integral is not smooth,
  // for each beam whose shadow boundary runs through the piece.
  struct Tangent {
    Line2 line;
    const BeamInCell* beam;
  };
  struct Conic {
    Affine2 map;
    int face;
    double R;
  };
  std::vector<Tangent> tangents;
  std::vector<Conic> conics;
  const BeamInCell* beams[2] = {&u_, &v_};
  for (int b = 0; b < 2; ++b) {
    if (light[static_cast<std::size_t>(b)] != Light::Mixed) continue;
    std::array<Line2, 2> lines{};
    if (beams[b]->shadowTangents(lines)) {
      for (const Line2& l : lines) tangents.push_back({l, beams[b]});
    }
    for (std::size_t f = 0; f < body.faces.size(); ++f) {
      if (std::fabs(body.faces[f].plane.n.y) < 1e-12) continue;
      conics.push_back({beams[b]->exitFromPlane(body.faces[f].plane), static_cast<int>(f), beams[b]->radius()});
    }
  }
  const double slack = 1e-9 * scale;
  // Where both shadow boundaries cross the piece, the vertical lines on
  // which they meet (a boundary of one beam at the same height as one of the
  // other's) form a curve along which the line integral has a kink: its z at
  // a given x, found between the other breaks by sampling and bisection.
  const bool bothMixed = light[0] == Light::Mixed && light[1] == Light::Mixed;
  const auto crossingsOfShadows = [&](double x, std::vector<double>& zs) {
    const std::size_t count = zs.size();
    // Boundary i of beam u less boundary j of beam v at height z, or NaN
    // where either has no boundary on the line there.
    const auto gap = [&](double z, int i, int j) {
      std::array<double, 2> ru{}, rv{};
      if (u_.shadowEdges(x, z, ru) != 2 || v_.shadowEdges(x, z, rv) != 2)
        return std::numeric_limits<double>::quiet_NaN();
      return ru[static_cast<std::size_t>(i)] - rv[static_cast<std::size_t>(j)];
    };
    constexpr int kSamples = 6;
    for (std::size_t k = 0; k + 1 < count; ++k) {
      const double z0 = zs[k], z1 = zs[k + 1];
      for (int i = 0; i < 2; ++i) {
        for (int j = 0; j < 2; ++j) {
          double a = z0, ga = gap(z0 + 1e-12 * (z1 - z0), i, j);
          for (int m = 1; m <= kSamples; ++m) {
            const double b = m == kSamples ? z1 - 1e-12 * (z1 - z0) : z0 + (z1 - z0) * m / kSamples;
            const double gb = gap(b, i, j);
            if (ga * gb < 0.0) {
              double lo = a, hi = b, glo = ga;
              for (int it = 0; it < 60 && hi - lo > slack; ++it) {
                const double mid = 0.5 * (lo + hi), gm = gap(mid, i, j);
                if (std::isnan(gm)) break;
                if ((gm < 0.0) == (glo < 0.0)) {
                  lo = mid;
                  glo = gm;
                } else {
                  hi = mid;
                }
              }
              const double z = 0.5 * (lo + hi);
              std::array<double, 2> ru{};
              if (u_.shadowEdges(x, z, ru) == 2) {
                const Section sec = sectionAt(body, x, z);
                const double y = ru[static_cast<std::size_t>(i)];
                if (y > sec.ylo && y < sec.yhi) zs.push_back(z);
              }
            }
            a = b;
            ga = gb;
          }
        }
      }
    }
    std::sort(zs.begin(), zs.end());
  };
  // A tangent matters where the line touches the boundary within the piece;
  // a conic where its face is the piece's upper or lower face.
  const auto tangentCounts = [&](const Tangent& t, double x, double z) {
    const Section s = sectionAt(body, x, z);
    const double y = t.beam->closestY(x, z);
    return y > s.ylo - slack && y < s.yhi + slack;
  };
  const auto conicCounts = [&](const Conic& c, double x, double z) {
    const Section s = sectionAt(body, x, z);
    return c.face == s.bottom || c.face == s.top;
  };

  // x: the corners, and where a conic turns (there its two roots meet and
  // the line integral has a square-root behaviour in x). Where curves cross
  // each other or an edge, the z-integral is only less smooth in a higher
  // derivative, which the error estimate finds and the halving takes care
  // of more cheaply than a break at every crossing would.
  std::vector<double> xs;
  for (const V3& c : body.vertices) xs.push_back(c.x);
  std::array<double, 2> roots{};
  for (const Conic& c : conics) {
    std::array<double, 2> tx{}, tz{};
    const int turns = conicTurningPoints(c.map, c.R, tx, tz);
    for (int i = 0; i < turns; ++i) {
      if (conicCounts(c, tx[static_cast<std::size_t>(i)], tz[static_cast<std::size_t>(i)]))
        xs.push_back(tx[static_cast<std::size_t>(i)]);
    }
  }
  sortBreaks(xs, xlo, xhi);

  const Values<3> zTolerance = scaled(tolerance, 0.25 / (xhi - xlo));
  const auto overX = [&](double x) -> Values<3> {
    // z: where the edges cross this x, the tangents that count, and the
    // conics' roots where their face bounds the piece.
    std::vector<double> zs;
    double zlo = 1e300, zhi = -1e300;
    for (const Edge& e : edges) {
      const double lo = std::min(e.a.x, e.b.x), hi = std::max(e.a.x, e.b.x);
      if (!(hi > lo) || x < lo || x > hi) continue;
      const double z = e.a.z + (x - e.a.x) / (e.b.x - e.a.x) * (e.b.z - e.a.z);
      zs.push_back(z);
      zlo = std::min(zlo, z);
      zhi = std::max(zhi, z);
    }
    if (!(zhi > zlo)) return {};
    for (const Tangent& t : tangents) {
      if (std::fabs(t.line.b) < 1e-12) continue;
      const double z = -(t.line.a * x + t.line.c) / t.line.b;
      if (z > zlo && z < zhi && tangentCounts(t, x, z)) zs.push_back(z);
    }
    for (const Conic& c : conics) {
      const auto e0 = mapPoint(c.map, x, 0.0);
      const int k = circleCrossings(e0, {c.map.ax, c.map.az}, c.R, roots);
      for (int i = 0; i < k; ++i) {
        const double z = roots[static_cast<std::size_t>(i)];
        if (z > zlo && z < zhi && conicCounts(c, x, z)) zs.push_back(z);
      }
    }
    sortBreaks(zs, zlo, zhi);
    if (bothMixed) crossingsOfShadows(x, zs);
    return integrateBetween<3>(
        [&](double z) -> Values<3> {
          const Section s = sectionAt(body, x, z);
          if (!(s.yhi > s.ylo)) return {};
          return alongLine(piece, x, z, s.ylo, s.yhi, light);
        },
        zs, zTolerance, true);
  };
  const Values<3> s = integrateBetween<3>(overX, xs, tolerance, true);
  return {s[0], s[1], s[2]};
}

CrystalInCell crystalInCell(const ExactCrystal& crystal, V3 u, V3 v, const CellAbsorption& absorption,
                            double relative, PieceCutter& cutter) {
  CrystalInCell r;
  CellCubature cubature(absorption, u, v);
  cutter.forEachPiece(crystal, u, v, [&](const Piece& piece) {
    const PathMoments m = piecePathMoments(piece, absorption.muCrystal);
    r.crystal.transmitted += m.transmitted;
    r.crystal.pathWeighted += m.pathWeighted;
    const CellIntegrals c = cubature.piece(piece, relative, m.transmitted);
    r.cell.transmitted += c.transmitted;
    r.cell.gasket += c.gasket;
    r.cell.medium += c.medium;
  });
  return r;
}

}  // namespace korvex::exact
