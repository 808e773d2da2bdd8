// Absorption by the diamond anvils and their backing plates (plattens) for
// one beam through a diamond-anvil cell.
#pragma once

namespace korvex {

struct ExperimentState;

// DIABS: the correction factor (the reciprocal of the transmission) of one
// beam through anvil `side` (1 incident-beam, 2 diffracted-beam) and its
// platten. psib is the beam's angle to the load axis in radians (its
// magnitude is used). Reads the cell type and its constants only.
float diabs(const ExperimentState& exp, float psib, int side);

}  // namespace korvex
