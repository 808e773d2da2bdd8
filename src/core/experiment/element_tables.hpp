// Constant tables of the elements H (Z = 1) to U (Z = 92): symbols, atomic
// weights and mass absorption coefficients for the five anode radiations.
#pragma once

#include <array>
#include <cmath>
#include <string_view>

#include "experiment/experiment_state.hpp"

namespace korvex {

// Two-character upper-case symbols, one-letter symbols padded with a blank.
extern const std::array<const char*, kElements> ELSYM;
// Atomic weights, g/mol.
extern const std::array<float, kElements> ATWT;
// MUMASS[w][Z-1]: mass absorption coefficient, cm^2/g, for
// w = 0 Cr Ka, 1 Fe Ka, 2 Co Ka, 3 Cu Ka, 4 Mo Ka.
extern const std::array<std::array<float, kElements>, 5> MUMASS;

// The anode whose K-alpha radiation a wavelength (Angstrom) is taken for:
// 1 Cr, 2 Fe, 3 Co, 4 Cu, 5 Mo (row w-1 of MUMASS), or 0 when it lies within
// 0.1 A of none of 2.29, 1.90, 1.79, 1.54 and 0.71. Where two windows
// overlap (1.80 to 1.89 A) the later one, Co, is taken.
inline int radiationOf(float wavelength) {
  int w = 0;
  if (std::fabs(wavelength - 2.29f) < 0.1f) w = 1;
  if (std::fabs(wavelength - 1.90f) < 0.1f) w = 2;
  if (std::fabs(wavelength - 1.79f) < 0.1f) w = 3;
  if (std::fabs(wavelength - 1.54f) < 0.1f) w = 4;
  if (std::fabs(wavelength - 0.71f) < 0.1f) w = 5;
  return w;
}

inline std::string_view radiationName(int w) {
  constexpr std::array<std::string_view, 6> names = {"none of Cr, Fe, Co, Cu, Mo K-alpha", "Cr K-alpha",
                                                      "Fe K-alpha", "Co K-alpha", "Cu K-alpha", "Mo K-alpha"};
  return w >= 0 && w <= 5 ? names[static_cast<std::size_t>(w)] : names[0];
}

}  // namespace korvex
