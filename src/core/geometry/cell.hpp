// Cell, metric tensors, orientation matrix on Busing-Levy axes, and the
// SHELX direction cosines of a reflection.
#pragma once

#include <array>

#include "experiment/experiment_state.hpp"

namespace korvex {

struct Run;
struct ReflectionRecord;

// GETCELLVOL: volume from a, b, c, alpha, beta, gamma (irad 0: degrees).
float getCellVol(const std::array<float, 6>& cell, int irad);
// ROTATE_UB, RECIP_CELL, REAL_CELL on run.exp (fatal errors raise).
void rotateUb(Run& run);
void recipCell(Run& run);
void realCell(Run& run);
// DC_TOSHELX: the six direction cosines of the reflection, SHELX convention.
void dcToShelx(const ExperimentState& exp, const ReflectionRecord& refl, std::array<float, 6>& dc);

}  // namespace korvex
