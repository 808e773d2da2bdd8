// A crystal that fills the gasket hole: the cylinder x^2 + z^2 <= R^2
// between the culets y = 0 and y = T. Each beam's path in the crystal is
// its way to the culet plane inside the hole, the rest of that way (if any)
// runs in the gasket. Integrated along lines parallel to the load axis like
// the pieces of a polyhedron in a cell (cell_cubature.hpp): closed forms
// where neither beam is shadowed, adaptive Gauss-Kronrod elsewhere, split
// at the shadow boundaries, their tangents and their meeting with the
// culets.
#pragma once

#include "exact/cell_cubature.hpp"

namespace korvex::exact {

struct FilledHoleIntegrals {
  double volume = 0.0;     // pi R^2 T
  PathMoments crystal;     // integrals of exp(-mu t) and t exp(-mu t)
  double gasket = 0.0;     // integral of G
  double transmitted = 0.0;  // integral of exp(-mu t) G
};

// `obscured`: every point counts as shadowed (a beam runs nearly parallel
// to the culets); the crystal's own moments are still integrated.
FilledHoleIntegrals filledHoleIntegrals(const CellAbsorption& cell, V3 u, V3 v, double relative, bool obscured);

}  // namespace korvex::exact
