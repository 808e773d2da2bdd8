// The crystal as a convex polyhedron in double precision, and its division,
// for one reflection, into the convex pieces on which the reversed incident
// beam and the diffracted beam each leave through one fixed face.
//
// The part of the crystal whose points leave along a beam w through face f
// is the crystal cut by the prism that face f sweeps along -w: the planes
// through each of f's edges and w, for the edges f shares with another face
// the beam leaves through (along the other edges the plane only touches the
// crystal). On a piece both paths, and so the total path, are linear.
#pragma once

#include <span>
#include <vector>

#include "exact/convex_polyhedron.hpp"
#include "exact/divided_difference.hpp"
#include "exact/polyhedron_moments.hpp"

namespace korvex::exact {

// A face counts as an exit face when a beam meets it at more than this
// cosine; a face the beam grazes sweeps no volume.
inline constexpr double kExitCosine = 1e-12;

struct ExactCrystal {
  ConvexPolyhedron body;  // faces tagged with their crystal face number (0-based)
  // For each entry k of body.loops, the body face across the edge from
  // loops[k] to the next vertex of the same loop.
  std::vector<int> across;
  // For each entry k of body.loops, the entry of the face across that holds
  // the same edge (running it the other way, as the loops of a closed body
  // turn the same way about their inward normals).
  std::vector<int> twin;
  double volume = 0.0;  // cubic microns
  double eps = 0.0;     // distance below which a point lies on a plane, microns
};

// The crystal bounded by `faces` (each with the crystal on its positive
// side), built by cutting a box that holds it. An empty body means the
// faces enclose nothing.
ExactCrystal buildExactCrystal(std::span<const Plane> faces, V3 boxLo, V3 boxHi);

// The face a beam leaves through: the beam's path from p is plane.at(p) /
// cosine, with cosine = -n.w > 0.
struct ExitFace {
  Plane plane;
  double cosine = 1.0;
  double path(V3 p) const { return plane.at(p) / cosine; }
};

// The side of a column along w through the edge from a to c of a face w
// leaves by: the plane holding the edge and w, its unit normal (c - a) x w
// facing into the column (the face's loop runs anticlockwise about its
// inward normal n, and ((c - a) x w).(n x (c - a)) = |c - a|^2 (-n.w) > 0).
// False for an edge along w, which bounds no column.
// Inline: it is formed for every shared edge of both beams' exit faces in
// every reflection.
inline bool columnSide(const V3& a, const V3& c, const V3& w, Plane& side) {
  const V3 m = cross(c - a, w);
  const double len = norm(m);
  if (len <= 1e-14 * norm(c - a)) return false;
  const V3 unit = (1.0 / len) * m;
  side = {unit, -dot(unit, a)};
  return true;
}

struct Piece {
  const ConvexPolyhedron& body;
  ExitFace incident;    // exit of the reversed incident beam
  ExitFace diffracted;  // exit of the diffracted beam
  double path(V3 p) const { return incident.path(p) + diffracted.path(p); }
  LinearPath linearPath() const {
    return {(1.0 / incident.cosine) * incident.plane.n + (1.0 / diffracted.cosine) * diffracted.plane.n,
            incident.plane.d / incident.cosine + diffracted.plane.d / diffracted.cosine};
  }
};

// Cuts the crystal into pieces for beams u (reversed incident) and v
// (diffracted), unit vectors, and calls f(const Piece&) for each piece of
// non-zero volume. Holds the work space of the cuts between calls.
class PieceCutter {
 public:
  template <class F>
  void forEachPiece(const ExactCrystal& crystal, V3 u, V3 v, F&& f) {
    forEachPieceWhere(crystal, u, v, [](int) { return true; }, f);
  }
  // The same over the regions of the faces u leaves through for which
  // keep(face number in the body) holds.
  template <class Keep, class F>
  void forEachPieceWhere(const ExactCrystal& crystal, V3 u, V3 v, Keep&& keep, F&& f);

 private:
  struct Prism {
    ExitFace exit;
    int face = -1;  // in the body
    std::vector<Plane> sides;
  };
  void prismsAlong(const ExactCrystal& crystal, V3 w, std::vector<Prism>& prisms);
  // True when one of the planes leaves no vertex of p on its positive side:
  // the cheap test that spares most of the cuts of cells that miss a prism.
  static bool missesPrism(const ConvexPolyhedron& p, const std::vector<Plane>& sides, double eps);
  // Cuts `from` by every plane of `sides`; the result is in `result` (which
  // may be one of the work buffers). Returns false when nothing is left.
  bool cutBy(const ConvexPolyhedron& from, const std::vector<Plane>& sides, double eps,
             const ConvexPolyhedron*& result, ConvexPolyhedron& work1, ConvexPolyhedron& work2);

  std::vector<Prism> prismsU_, prismsV_;
  ConvexPolyhedron cellA_, cellB_, pieceA_, pieceB_;
  PlaneCutter planeCutter_;
};

// Integrals over the crystal of exp(-mu t) and t exp(-mu t), t the total
// path of both beams: exact, piece by piece, over the regions of the faces
// u leaves through for which keep(face) holds.
template <class Keep>
PathMoments piecewisePathMoments(const ExactCrystal& crystal, V3 u, V3 v, double mu, PieceCutter& cutter,
                                 Keep&& keep);

// The same over one piece.
PathMoments piecePathMoments(const Piece& piece, double mu);

template <class Keep, class F>
void PieceCutter::forEachPieceWhere(const ExactCrystal& crystal, V3 u, V3 v, Keep&& keep, F&& f) {
  prismsAlong(crystal, u, prismsU_);
  prismsAlong(crystal, v, prismsV_);
  for (const Prism& pu : prismsU_) {
    if (!keep(pu.face)) continue;
    const ConvexPolyhedron* cell = nullptr;
    if (!cutBy(crystal.body, pu.sides, crystal.eps, cell, cellA_, cellB_)) continue;
    for (const Prism& pv : prismsV_) {
      const ConvexPolyhedron* piece = nullptr;
      if (missesPrism(*cell, pv.sides, crystal.eps)) continue;
      if (!cutBy(*cell, pv.sides, crystal.eps, piece, pieceA_, pieceB_)) continue;
      f(Piece{*piece, pu.exit, pv.exit});
    }
  }
}

template <class Keep>
PathMoments piecewisePathMoments(const ExactCrystal& crystal, V3 u, V3 v, double mu, PieceCutter& cutter,
                                 Keep&& keep) {
  PathMoments sum;
  cutter.forEachPieceWhere(crystal, u, v, keep, [&](const Piece& piece) {
    const PathMoments m = piecePathMoments(piece, mu);
    sum.transmitted += m.transmitted;
    sum.pathWeighted += m.pathWeighted;
  });
  return sum;
}

}  // namespace korvex::exact
