// Grids built by hand for the transmission tests, with their own
// double-precision Gauss-Legendre rules, so the checks do not lean on the
// model build.
#pragma once

#include <vector>

#include "experiment/experiment_state.hpp"

namespace korvex::test {

// Gauss-Legendre rule of n points on [-1, 1] (Newton on P_n, double).
struct DoubleRule {
  std::vector<double> x, w;
};
DoubleRule legendreRule(int n);

// A rectangular box [-a/2, a/2] x [-b/2, b/2] x [-c/2, c/2] (microns) shifted
// by `centre`, as a six-face polyhedron scaled like the model build's faces
// (x100, plane value non-negative inside) with n Gauss points per axis,
// FDIST and VOLUME filled.
void buildBox(ExperimentState& e, double a, double b, double c, int n, Vec3 centre = {0, 0, 0});

// The cylinder x^2 + z^2 <= r^2, 0 <= y <= t of a crystal filling the gasket
// hole, n Gauss points per axis.
void buildCylinder(ExperimentState& e, double r, double t, int n);

// A unit vector from components.
Vec3 unit(double x, double y, double z);

}  // namespace korvex::test
