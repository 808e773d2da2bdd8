// The gasket's shadow over the directions of a beam. For each direction in
// which a beam can leave the crystal towards one anvil, the illuminated
// fraction: the share of the crystal's volume (by the integration grid's
// weights) from which a beam in that direction reaches the anvil's culet
// inside the hole rather than through the gasket. A direction is given by
// psi, its angle to the load axis on the anvil's side, and its azimuth about
// the load axis, from +x towards +z.
#pragma once

#include <array>
#include <vector>

#include "experiment/experiment_state.hpp"

namespace korvex::pictures {

struct ShadowMap {
  int anvil = 1;  // 1: beams heading for the culet y = 0; 2: for y = gasket thickness
  int psiBins = 0, azimuthBins = 0;
  double psiStep = 1, azimuthStep = 1;  // degrees; bin (i, j) is centred on psi (i + 1/2) psiStep, azimuth (j + 1/2) azimuthStep
  std::vector<float> illuminated;       // [i * azimuthBins + j], 0 to 1

  float at(int i, int j) const { return illuminated[static_cast<std::size_t>(i * azimuthBins + j)]; }
};

// A crystal in a cell with a gasket, with an integration grid.
bool hasShadowMap(const ExperimentState& e);

// The unit vector of a beam heading for the anvil at psi and azimuth (degrees).
Vec3 beamDirection(int anvil, double psi, double azimuth);

// Where a beam lies on the maps: the anvil it heads for, psi and azimuth
// (degrees, azimuth 0 to 360).
struct MapPosition {
  int anvil = 1;
  double psi = 0, azimuth = 0;
};
MapPosition mapPosition(const Vec3& beam);

// The illuminated fraction of the crystal for one beam direction. A beam
// within about 10 degrees of the culets (|y component| below 0.174) counts
// as obscured everywhere, as in the correction itself.
float illuminatedFraction(const ExperimentState& e, const Vec3& beam);

// Both maps: anvil 1 and anvil 2, psi from 0 to 90 degrees, azimuth over the
// full turn.
std::array<ShadowMap, 2> shadowMaps(const ExperimentState& e, int psiBins = 90, int azimuthBins = 120);

}  // namespace korvex::pictures
