// The crystal's integrals from the surfaces of the regions of the reversed
// incident beam's exit faces, cut into polygons by the diffracted beam's
// exit faces.
#include "exact/crystal_moments.hpp"

#include <array>
#include <cmath>

#include "exact/beam_faces.hpp"
#include "exact/flat_polygon.hpp"

namespace korvex::exact {

namespace {

// A region's surface sum is kept while the sum of its terms' magnitudes is
// at most this many times its value (rounding errors below 1e-10).
constexpr double kRegionLoss = 1e5;
constexpr double kWeightedRegionLoss = 1e5;
// A region whose own sum would lose more is kept while its bound is at most
// this many times the sum of the regions kept.
constexpr double kSmallRegionLoss = 1e4;
// Regions whose rate c_F is below this are integrated piece by piece.
constexpr double kSmallestRate = 1e-6;

// A region's surface sums: of exp(-mu t)(v.n) and of (t + 1/mu) exp(-mu t)(v.n)
// over its surface, with their terms' magnitudes.
struct RegionSums {
  double transmitted, transmittedBound;
  double weighted, weightedBound;
};

// A plane n.x + d = 0 seen along v: over a point (x, y) of the shadow it
// stands at height h = hx x + hy y + h0 along v. A linear function of
// position restricted to the plane is then linear in (x, y).
struct PlaneAlongV {
  double hx, hy, h0;
  FlatLinear restrict(V3 g, double offset, const BeamFaces& v) const {
    const double gv = dot(g, v.w);
    return {dot(g, v.across1) + gv * hx, dot(g, v.across2) + gv * hy, gv * h0 + offset};
  }
  // The line where a plane m.x + dm = 0 meets this one; its value is the
  // signed distance from the first plane when |m| = 1.
  FlatLine meet(const Plane& p, const BeamFaces& v) const {
    const FlatLinear l = restrict(p.n, p.d, v);
    return {l.a, l.b, l.c};
  }
};

PlaneAlongV planeAlong(V3 n, double d, const BeamFaces& v) {
  const double nv = dot(n, v.w);
  return {-dot(n, v.across1) / nv, -dot(n, v.across2) / nv, -d / nv};
}

// Of the faces listed in faces[0 .. count - 1], those whose shadows along
// `beam` meet `box`, in order, into `meeting`: their number. Without
// branches, since which way each test goes cannot be foreseen.
int facesMeeting(const Box2& box, const BeamFaces& beam, const int* faces, int count, double eps, int* meeting) {
  int found = 0;
  for (int k = 0; k < count; ++k) {
    meeting[found] = faces[k];
    found += static_cast<int>(box.meets(beam.shadow[static_cast<std::size_t>(faces[k])], eps));
  }
  return found;
}

// The part of q in the column of `beam`'s exit face f: q cut by the
// column's sides, each seen as lineOf(side). A side whose line does not
// cross q's box keeps all of q or none of it without a look at its
// corners. The part goes into `part`; nullptr when nothing is left.
// The sides are sorted without branches, which would go either way.
template <class LineOf>
const FlatPolygon* inColumn(const FlatPolygon& q, const Box2& box, const BeamFaces& beam, std::size_t f,
                            LineOf&& lineOf, double eps, FlatPolygon& part) {
  std::array<int, kMaxSides> crossing;
  int count = 0, outside = 0;
  for (int s = beam.firstSide[f]; s < beam.firstSide[f] + beam.sideCount[f]; ++s) {
    const int where = sideOfBox(beam.side[static_cast<std::size_t>(s)].flat, box, eps);
    crossing[static_cast<std::size_t>(count)] = s;
    count += static_cast<int>(where == 0);
    outside |= static_cast<int>(where < 0);
  }
  if (outside) return nullptr;
  std::array<FlatLine, kMaxSides> lines;
  for (int k = 0; k < count; ++k)
    lines[static_cast<std::size_t>(k)] =
        lineOf(beam.side[static_cast<std::size_t>(crossing[static_cast<std::size_t>(k)])]);
  switch (clipFlatByAll(q, lines.data(), count, eps, part)) {
    case Cut::Empty:
      return nullptr;
    case Cut::Unchanged:
      return &q;
    case Cut::Cut:
      break;
  }
  return &part;
}

class RegionSurfaces {
 public:
  RegionSurfaces(const ExactCrystal& crystal, const BeamFaces& u, const BeamFaces& v, double mu)
      : crystal_(crystal), body_(crystal.body), u_(u), v_(v), mu_(mu) {}

  void integrate();
  const RegionSums& sums(std::size_t f) const { return sums_[f]; }

 private:
  // Adds the integrals over q, the shadow along v of part of a surface in
  // the plane `plane`, to region a with sign sa and, when b >= 0, to region
  // b with sign sb: cut where v's exit face changes, or, when q lies in a
  // face v leaves by (vExit >= 0), on that face. q's corners carry minus
  // their height along v; tU is u's path over the plane.
  void alongDiffracted(const FlatPolygon& q, const PlaneAlongV& plane, const FlatLinear& tU, std::size_t a,
                       double sa, int b, double sb, int vExit = -1);
  void add(std::size_t region, double sign, const BoundedMoments& m);
  void wall(std::size_t f, int side);
  // The shadow along v of corners (count of them, in order about a plane
  // whose n.v has the sign of nv), anticlockwise, each carrying minus its
  // height along v.
  template <class Corner>
  void flatten(int count, Corner&& corner, double nv, FlatPolygon& out) const;

  const ExactCrystal& crystal_;
  const ConvexPolyhedron& body_;
  const BeamFaces& u_;
  const BeamFaces& v_;
  double mu_;
  std::array<RegionSums, kMaxBodyFaces> sums_;  // cleared for u's exit faces
  FlatPolygon face_, uA_, uB_;
  static constexpr int kPartsAtOnce = 4;
  std::array<FlatPolygon, kPartsAtOnce> vParts_;
};

void RegionSurfaces::add(std::size_t region, double sign, const BoundedMoments& m) {
  RegionSums& s = sums_[region];
  const double i = m.value.transmitted, bi = std::fabs(i) + m.bound.transmitted;
  s.transmitted += sign * i;
  s.transmittedBound += bi;
  s.weighted += sign * (m.value.pathWeighted + i / mu_);
  s.weightedBound += std::fabs(m.value.pathWeighted) + m.bound.pathWeighted + bi / mu_;
}

template <class Corner>
void RegionSurfaces::flatten(int count, Corner&& corner, double nv, FlatPolygon& out) const {
  if (count > kMaxPolygonCorners) throw PolygonTooLarge();
  out.count = count;
  for (int k = 0; k < count; ++k) {
    const V3 p = corner(nv > 0.0 ? k : count - 1 - k);
    out.x[k] = dot(p, v_.across1);
    out.y[k] = dot(p, v_.across2);
    out.value[k] = -dot(p, v_.w);
  }
}

void RegionSurfaces::alongDiffracted(const FlatPolygon& q, const PlaneAlongV& plane, const FlatLinear& tU,
                                     std::size_t a, double sa, int b, double sb, int vExit) {
  // The path to an exit face whose plane stands at height H over the
  // shadow is H - h: each corner's value plus tU plus H. The values change
  // by -hx, -hy per unit of the shadow's coordinates.
  const auto addBoth = [&](const BoundedMoments& m) {
    add(a, sa, m);
    if (b >= 0) add(static_cast<std::size_t>(b), sb, m);
  };
  const auto plus = [](const FlatLinear& p, const FlatLinear& r) -> FlatLinear {
    return {p.a + r.a, p.b + r.b, p.c + r.c};
  };
  if (vExit >= 0) {
    addBoth(flatPathMoments(q, plus(tU, v_.exitHeight[static_cast<std::size_t>(vExit)]), -plane.hx, -plane.hy, mu_));
    return;
  }
  // The parts in the columns of a few exit faces are cut out first and
  // integrated after, so that the processor can overlap the cuts, which
  // do not depend on each other.
  const Box2 shadow = boxOf(q);
  const double eps = crystal_.eps;
  const auto asSeen = [](const BeamFaces::Side& side) { return side.flat; };
  std::array<const FlatPolygon*, kPartsAtOnce> part;
  std::array<std::size_t, kPartsAtOnce> face;
  int parts = 0;
  const auto integrateParts = [&] {
    for (int k = 0; k < parts; ++k) {
      const std::size_t g = face[static_cast<std::size_t>(k)];
      addBoth(flatPathMoments(*part[static_cast<std::size_t>(k)], plus(tU, v_.exitHeight[g]), -plane.hx, -plane.hy, mu_));
    }
    parts = 0;
  };
  std::array<int, kMaxBodyFaces> near;  // the exit faces whose shadows meet q's
  const int nearCount = facesMeeting(shadow, v_, v_.exit.data(), v_.exitCount, eps, near.data());
  for (int k = 0; k < nearCount; ++k) {
    const std::size_t g = static_cast<std::size_t>(near[static_cast<std::size_t>(k)]);
    const std::size_t at = static_cast<std::size_t>(parts);
    part[at] = inColumn(q, shadow, v_, g, asSeen, eps, vParts_[at]);
    face[at] = g;
    parts += static_cast<int>(part[at] != nullptr);
    if (parts == kPartsAtOnce) integrateParts();
  }
  integrateParts();
}

// The wall u sweeps back from the edge of side `side` of exit face f: the
// points whose path along u leaves by that edge. It bounds the regions of f
// and of the face across the edge; it is integrated once, from f, when f
// comes first.
void RegionSurfaces::wall(std::size_t f, int side) {
  const BeamFaces::Side& wallSide = u_.side[static_cast<std::size_t>(side)];
  const int other = wallSide.across;
  if (other < static_cast<int>(f)) return;
  // The wall's plane, its normal out of f's column.
  const V3 n = -1.0 * wallSide.normal();
  const double vn = dot(v_.w, n);
  if (std::fabs(vn) <= kExitCosine) return;
  const PlaneAlongV plane = planeAlong(n, -wallSide.d, v_);
  const V3 a = body_.vertices[static_cast<std::size_t>(wallSide.from)];
  const V3 c = body_.vertices[static_cast<std::size_t>(wallSide.to)];
  const double reach = 4e10 * crystal_.eps;  // four times the crystal's size
  // Its corners a, c, c - reach u, a - reach u run anticlockwise about n.
  const std::array<V3, 4> quad{a, c, c - reach * u_.w, a - reach * u_.w};
  flatten(4, [&](int k) { return quad[static_cast<std::size_t>(k)]; }, vn, face_);
  // Only the faces u enters by end the wall, those whose shadow along u
  // meets the edge's.
  Box2 edge = Box2::empty();
  edge.hold(dot(a, u_.across1), dot(a, u_.across2));
  edge.hold(dot(c, u_.across1), dot(c, u_.across2));
  std::array<int, kMaxBodyFaces> ends;
  const int count = facesMeeting(edge, u_, u_.entry.data(), u_.entryCount, crystal_.eps, ends.data());
  std::array<FlatLine, kMaxBodyFaces> lines;
  for (int k = 0; k < count; ++k)
    lines[static_cast<std::size_t>(k)] =
        plane.meet(body_.faces[static_cast<std::size_t>(ends[static_cast<std::size_t>(k)])].plane, v_);
  const Cut cut = clipFlatByAll(face_, lines.data(), count, crystal_.eps, uB_);
  if (cut == Cut::Empty) return;
  const FlatPolygon* current = cut == Cut::Cut ? &uB_ : &face_;
  const LinearPath tU = u_.pathTo(body_.faces[f], f);
  const double sign = vn > 0.0 ? 1.0 : -1.0;
  alongDiffracted(*current, plane, plane.restrict(tU.gradient, tU.offset, v_), f, sign, other, -sign);
}

void RegionSurfaces::integrate() {
  for (int k = 0; k < u_.exitCount; ++k) sums_[static_cast<std::size_t>(u_.exit[static_cast<std::size_t>(k)])] = {};
  const auto loopOf = [&](std::size_t f) {
    const auto& face = body_.faces[f];
    return [&body = body_, &face](int k) {
      return body.vertices[static_cast<std::size_t>(body.loops[static_cast<std::size_t>(face.first + k)])];
    };
  };
  // The exit faces of u and the walls from their shared edges.
  for (int k = 0; k < u_.exitCount; ++k) {
    const std::size_t f = static_cast<std::size_t>(u_.exit[static_cast<std::size_t>(k)]);
    const auto& face = body_.faces[f];
    const double vn = v_.cosine[f];  // v.(outward normal)
    if (std::fabs(vn) > kExitCosine) {
      // The loop runs anticlockwise about the inward normal, whose n.v is -vn.
      flatten(face.count, loopOf(f), -vn, face_);
      if (v_.exits(f)) {
        // Both paths are zero on the face: its shadow's area.
        double twice = 0.0;
        for (int i = 1; i + 1 < face_.count; ++i)
          twice += (face_.x[i] - face_.x[0]) * (face_.y[i + 1] - face_.y[0]) -
                   (face_.y[i] - face_.y[0]) * (face_.x[i + 1] - face_.x[0]);
        add(f, 1.0, {{0.5 * twice, 0.0}, {}});
      } else {
        const PlaneAlongV plane = planeAlong(face.plane.n, face.plane.d, v_);
        alongDiffracted(face_, plane, {0.0, 0.0, 0.0}, f, -1.0, -1, 0.0);  // u's path is zero on f
      }
    }
    for (int s = u_.firstSide[f]; s < u_.firstSide[f] + u_.sideCount[f]; ++s) wall(f, s);
  }
  // The faces u enters by, in the columns of its exit faces.
  for (int entry = 0; entry < u_.entryCount; ++entry) {
    const std::size_t e = static_cast<std::size_t>(u_.entry[static_cast<std::size_t>(entry)]);
    const double vn = v_.cosine[e];
    if (std::fabs(vn) <= kExitCosine) continue;
    const auto& face = body_.faces[e];
    const PlaneAlongV plane = planeAlong(face.plane.n, face.plane.d, v_);
    flatten(face.count, loopOf(e), -vn, face_);
    std::array<int, kMaxBodyFaces> above;  // the exit faces over e along u
    const int aboveCount = facesMeeting(u_.shadow[e], u_, u_.exit.data(), u_.exitCount, crystal_.eps, above.data());
    for (int k = 0; k < aboveCount; ++k) {
      const std::size_t f = static_cast<std::size_t>(above[static_cast<std::size_t>(k)]);
      // The sides hold u, so the face's shadow along u decides most of them.
      const auto onFace = [&](const BeamFaces::Side& side) { return plane.meet(side.plane(), v_); };
      const FlatPolygon* part = inColumn(face_, u_.shadow[e], u_, f, onFace, crystal_.eps, uA_);
      if (!part) continue;
      const LinearPath tU = u_.pathTo(body_.faces[f], f);
      const FlatLinear tUOnFace = plane.restrict(tU.gradient, tU.offset, v_);
      if (v_.exits(e)) {
        alongDiffracted(*part, plane, tUOnFace, f, 1.0, -1, 0.0, static_cast<int>(e));
      } else {
        alongDiffracted(*part, plane, tUOnFace, f, -1.0, -1, 0.0);
      }
    }
  }
}

}  // namespace

PathMoments piecewisePathMoments(const ExactCrystal& crystal, V3 u, V3 v, double mu, PieceCutter& cutter) {
  return piecewisePathMoments(crystal, u, v, mu, cutter, [](int) { return true; });
}

PathMoments crystalPathMoments(const ExactCrystal& crystal, V3 u, V3 v, double mu, PieceCutter& cutter,
                               int* regionsByPieces) {
  const auto allByPieces = [&] {
    if (regionsByPieces) *regionsByPieces = -1;
    return piecewisePathMoments(crystal, u, v, mu, cutter);
  };
  if (!(mu > 0.0)) return allByPieces();
  BeamFaces bu, bv;
  // Only v's exit faces' shadows are looked at.
  if (!describeFaces(crystal, u, true, bu) || !describeFaces(crystal, v, false, bv)) return allByPieces();
  RegionSurfaces surfaces(crystal, bu, bv, mu);
  try {
    surfaces.integrate();
  } catch (const PolygonTooLarge&) {
    return allByPieces();
  }
  // Each region's integrals and their rounding bounds. A region is kept
  // when its bounds are small against its own integrals, or, for a region
  // of small weight, against the kept regions' sum: its error is then
  // negligible in the whole.
  struct Region {
    PathMoments value, bound;
    bool kept = false;
  };
  std::array<Region, kMaxBodyFaces> regions;
  PathMoments sum;
  for (int k = 0; k < bu.exitCount; ++k) {
    const std::size_t f = static_cast<std::size_t>(bu.exit[static_cast<std::size_t>(k)]);
    // The rate of change of the total path along v in f's region.
    const double rate = -bv.cosine[f] / bu.cosine[f] - 1.0;
    Region& r = regions[f];
    if (std::fabs(rate) < kSmallestRate) {
      r = {{-1.0, -1.0}, {}, false};  // no surface sum: by pieces
      continue;
    }
    const RegionSums& s = surfaces.sums(f);
    const double scale = -1.0 / (mu * rate);
    r.value = {scale * s.transmitted, scale * s.weighted};
    r.bound = {std::fabs(scale) * s.transmittedBound, std::fabs(scale) * s.weightedBound};
    r.kept = r.value.transmitted > 0.0 && r.value.pathWeighted > 0.0 &&
             r.bound.transmitted <= kRegionLoss * r.value.transmitted &&
             r.bound.pathWeighted <= kWeightedRegionLoss * r.value.pathWeighted;
    if (r.kept) {
      sum.transmitted += r.value.transmitted;
      sum.pathWeighted += r.value.pathWeighted;
    }
  }
  std::array<bool, kMaxBodyFaces> byPieces{};
  int byPiecesCount = 0;
  const PathMoments keptSum = sum;
  for (int k = 0; k < bu.exitCount; ++k) {
    const std::size_t f = static_cast<std::size_t>(bu.exit[static_cast<std::size_t>(k)]);
    const Region& r = regions[f];
    if (r.kept) continue;
    if (keptSum.transmitted > 0.0 && r.value.transmitted >= 0.0 && r.value.pathWeighted >= 0.0 &&
        r.bound.transmitted <= kSmallRegionLoss * keptSum.transmitted &&
        r.bound.pathWeighted <= kSmallRegionLoss * keptSum.pathWeighted) {
      sum.transmitted += r.value.transmitted;
      sum.pathWeighted += r.value.pathWeighted;
    } else {
      byPieces[f] = true;
      ++byPiecesCount;
    }
  }
  if (regionsByPieces) *regionsByPieces = byPiecesCount;
  if (byPiecesCount > 0) {
    const PathMoments rest =
        piecewisePathMoments(crystal, u, v, mu, cutter, [&](int f) { return byPieces[static_cast<std::size_t>(f)]; });
    sum.transmitted += rest.transmitted;
    sum.pathWeighted += rest.pathWeighted;
  }
  return sum;
}

}  // namespace korvex::exact
