// Constant tables of the elements H (Z = 1) to U (Z = 92): symbols, atomic
// weights and mass absorption coefficients for the five anode radiations.
#pragma once

#include <array>

#include "experiment/experiment_state.hpp"

namespace korvex {

// Two-character upper-case symbols, one-letter symbols padded with a blank.
extern const std::array<const char*, kElements> ELSYM;
// Atomic weights, g/mol.
extern const std::array<float, kElements> ATWT;
// MUMASS[w][Z-1]: mass absorption coefficient, cm^2/g, for
// w = 0 Cr Ka, 1 Fe Ka, 2 Co Ka, 3 Cu Ka, 4 Mo Ka.
extern const std::array<std::array<float, kElements>, 5> MUMASS;

}  // namespace korvex
