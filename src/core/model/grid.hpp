// The Gaussian integration grid over the crystal (Burnham, 1966): a product
// Gauss-Legendre grid of NX planes in x, NY lines in y per plane and NZ
// points in z per line, each point weighted by the product of its three
// weights so that the weights sum to the crystal's volume (cubic microns).
#pragma once

#include "experiment/experiment_state.hpp"

namespace korvex {

struct Run;

// Points and Gauss table column of one axis: a whole level g from 0 to 5
// gives 2^g points and the rule in column g + 1.
struct GridOrder {
  int points = 1;
  int column = 1;  // 1-based column of GAUSSX / GAUSSW
};
GridOrder gridOrder(float level);

// Refuses grid levels that are not whole numbers from 0 to 5 on the first
// `axes` axes of GRID.
void checkGridLevels(const ExperimentState& e, int axes);

// Maps the n-point rule of a Gauss table column onto [lo, hi]: points and
// weights (each weight times the half-length of the interval).
void mapGaussRule(float lo, float hi, const GridOrder& order, float* points, float* weights);

// SETGRID: the grid over the oriented, scaled polyhedron (FACE, IEDGE,
// BOXMIN, BOXMAX), the face values FDIST at every point, VOLUME, and the
// grid listing.
void setGrid(Run& run);
// SETGRID_FILLG: the grid over the cylinder of the gasket hole between the
// anvil faces y = 0 and y = GASKETT; FDIST is not filled.
void setGridFillG(Run& run);
// XVOLUME: the sum of the grid weights over the current grid.
float xVolume(const ExperimentState& e);
// GWRITE: the grid points in the grid listing file.
void gWrite(Run& run);

}  // namespace korvex
