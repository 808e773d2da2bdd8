// What the exact transmission needs of the crystal model, built once with
// the model: the crystal as a polyhedron in double precision, or the
// sphere's transmission as series in 2theta.
#pragma once

#include "exact/crystal_pieces.hpp"
#include "exact/sphere_exact.hpp"

namespace korvex::exact {

// Relative tolerance of every integral the exact mode does not have in
// closed form, unless the METHOD card gives another.
inline constexpr double kDefaultTolerance = 1e-6;

struct ExactModel {
  bool built = false;
  ExactCrystal crystal;  // model kinds 1 to 3
  SphereSeries sphere;   // model kind 4
  double volume = 0.0;   // the crystal's volume, cubic microns
};

}  // namespace korvex::exact
