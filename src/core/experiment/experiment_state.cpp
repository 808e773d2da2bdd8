#include "experiment/experiment_state.hpp"

#include "geometry/angles.hpp"

namespace korvex {

void resetForNewFile(ExperimentState& e) {
  e.CRYSABS = 0;
  e.CONTGIVEN = 0;
  e.DACTYPE = 0;
  e.NFACES = 0;
  e.NUB = 0;
  e.CELLGIVEN = 0;
  e.MODELTYPE = 0;
  e.DELREJ = 1;
  e.TTHMIN = 0.0f;
  e.TTHMAX = 180.0f;
  e.SCALE = 1.0f;
  // Without an OPEN card the opening limit is 80 degrees, held in radians
  // like a value from the card.
  const float limit = openingToRadians(80.0f);
  e.PSIMAX = {limit, limit};
  e.MUMEDIA = 0.0f;
  e.MEDIAABS = 0;
  e.GRID = {3.0f, 3.0f, 3.0f};
  e.GRIDLIST = 0;
  e.BLAXES = {1, 2, 3};
  e.PARITY = {1, 1, 1, 1};
  e.WAVELENGTH = 0.7093f;
  e.METHOD = 0;
  e.METHODTOL = exact::kDefaultTolerance;
}

}  // namespace korvex
