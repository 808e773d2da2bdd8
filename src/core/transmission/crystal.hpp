// Crystal transmission of the current reflection by Gaussian integration
// over the crystal's grid (Burnham, 1966), with the gasket and medium
// factors of each grid point for a crystal in a diamond-anvil cell.
//
// Results in run.trans: TXTAL = (1/V) sum w exp(-mu t); SUMTP = -(1/V) sum
// t w exp(-mu t), so the transmission-weighted mean path is -SUMTP/TXTAL;
// TGAS = (1/V) sum w G; TMED = (1/V) sum w M; TRANS = (1/V) sum w exp(-mu t)
// G M, with w the weight of a point, t its path in the crystal (microns), G
// and M its gasket and medium factors, V = VOLUME.
#pragma once

namespace korvex {

struct Run;

// KORVEX: a polyhedral crystal (faces by hkl, by three points, or corners).
void korvex(Run& run);

// KORVEX_FILLG: a crystal that fills the gasket hole between the culets.
void korvexFillg(Run& run);

}  // namespace korvex
