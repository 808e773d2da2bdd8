// Integrals over the crystal of exp(-mu t) and t exp(-mu t), t the total
// path of the reversed incident beam u and the diffracted beam v, from the
// surfaces of the regions in which u leaves through one face.
//
// In the region of u's exit face F the path along u is linear, and the
// path along v falls by 1 per unit along v wherever v leaves, so the total
// path changes at a constant rate c_F along v. The divergence theorem with
// the field v exp(-mu t) then gives the region's integral as
//   -1 / (mu c_F) times the integral over its surface of exp(-mu t) (v.n),
// n the outward normal. The surface is face F, the parts of the faces u
// enters by that lie under F, and the walls that u sweeps back from the
// edges F shares with other exit faces; each is cut only where v's exit
// face changes, so the crystal is cut into polygons instead of solids.
// On the faces v leaves by, v's path is zero and nothing is cut.
//
// A region whose c_F is nearly zero (a face nearly parallel to the
// scattering vector, or 2-theta near zero), or whose surface sum would
// lose digits (mu near zero), is integrated piece by piece instead.
#pragma once

#include "exact/crystal_pieces.hpp"

namespace korvex::exact {

// The integrals over the whole crystal, mu per micron (>= 0), u and v unit
// vectors; `cutter` is the work space of the regions taken piece by piece,
// whose number is counted in `regionsByPieces` when given.
PathMoments crystalPathMoments(const ExactCrystal& crystal, V3 u, V3 v, double mu, PieceCutter& cutter,
                               int* regionsByPieces = nullptr);

// The same, every region piece by piece: the reference the surface method
// is checked against.
PathMoments piecewisePathMoments(const ExactCrystal& crystal, V3 u, V3 v, double mu, PieceCutter& cutter);

}  // namespace korvex::exact
