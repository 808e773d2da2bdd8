// Integrals over the crystal in a diamond-anvil cell of the total, gasket
// and medium transmission: exp(-mu t) G M, G and M, with G the gasket factor
// exp(-mu_g (g_i + g_d)) (or 0 where an opaque gasket shadows) and M the
// medium factor exp(-mu_m (m_i + m_d)) of each point, g and m the exact
// paths of each beam in the gasket and in the medium.
//
// On a piece that no shadow reaches, t, the medium path (the way to the
// culets less the way in the crystal) and so both exponents are linear: the
// integrals are closed forms. A piece that an opaque gasket shadows wholly
// gives nothing. Any other piece is integrated along lines parallel to the
// load axis, in x, then z, then y, by adaptive Gauss-Kronrod rules, each
// split where the integrand is not smooth. In y: the shadow boundaries (the
// quadratic of a beam's exit on the culet meets the hole's circle). In z:
// the piece's edges, the lines along which vertical lines touch a shadow's
// boundary, and the conics where a boundary meets the piece's upper or
// lower face. In x: the corners, and wherever two of those curves meet or a
// conic turns. Between them the integrand is smooth up to square-root
// behaviour at the ends, which the rules' eased variable takes away.
#pragma once

#include "exact/adaptive_quadrature.hpp"
#include "exact/cell_paths.hpp"
#include "exact/crystal_pieces.hpp"

namespace korvex::exact {

struct CellAbsorption {
  CellShape shape;
  bool gasket = false;  // gasket shadowing on
  bool opaque = false;  // the gasket stops every beam that meets it
  double muGasket = 0.0;  // per micron
  bool medium = false;    // the pressure medium absorbs
  double muMedium = 0.0;  // per micron
  double muCrystal = 0.0;  // per micron
};

struct CellIntegrals {
  double transmitted = 0.0;  // integral of exp(-mu t) G M
  double gasket = 0.0;       // integral of G
  double medium = 0.0;       // integral of M
};

class CellCubature {
 public:
  // u the reversed incident beam, v the diffracted beam; neither may run
  // parallel to the culets.
  CellCubature(const CellAbsorption& cell, V3 u, V3 v);

  // Over one piece, each integral to `relative` times its natural scale
  // (the piece's integral of exp(-mu t) for the first, its volume for the
  // others).
  CellIntegrals piece(const Piece& piece, double relative, double crystalTransmitted);

 private:
  enum class Light { Lit, Dark, Mixed };
  Light lightOf(const ConvexPolyhedron& p, const BeamInCell& beam) const;
  CellIntegrals closedForm(const Piece& piece) const;
  // The three exponents (of the total, the gasket and the medium factor)
  // at a point where each beam is or is not shadowed; wallU, wallV the
  // shadowed beams' ways to the hole's wall.
  std::array<double, 3> exponentsAt(const Piece& piece, V3 p, bool shadowedU, bool shadowedV, double wallU,
                                    double wallV) const;
  // The integrals along the line (x, z) from ylo to yhi, in closed form
  // between the shadow's edges and where a crystal's exit passes the wall.
  Values<3> alongLine(const Piece& piece, double x, double z, double ylo, double yhi,
                      const std::array<Light, 2>& light) const;

  CellAbsorption cell_;
  BeamInCell u_, v_;
};

// The crystal's moments (its own transmission) and its integrals in the
// cell, piece by piece, each cell integral to `relative`.
struct CrystalInCell {
  PathMoments crystal;
  CellIntegrals cell;
};
CrystalInCell crystalInCell(const ExactCrystal& crystal, V3 u, V3 v, const CellAbsorption& absorption,
                            double relative, PieceCutter& cutter);

}  // namespace korvex::exact
