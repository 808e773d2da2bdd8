// Crystal faces from the model cards: faces by Miller indices and distance,
// faces by three points, or the planes through the crystal's corners.
// Coordinates in microns, Busing-Levy phi-axis frame.
#pragma once

#include <array>

#include "experiment/experiment_state.hpp"

namespace korvex {

using Plane = std::array<float, 4>;  // A, B, C, D of A x + B y + C z + D = 0

// READ_HKL: face n is the plane n.x = d, n the unit vector along UB.(h k l);
// CENTRE becomes the origin.
void readHkl(ExperimentState& e);
// READ_XYZ_FACE: the plane through the three points of each face card,
// scaled so that its largest coefficient is +1; BOXMIN, BOXMAX and CENTRE
// from the points read.
void readXyzFace(ExperimentState& e);
// READ_XYZ_CORNER: the corners from the cards, CENTRE at their mean, and as
// faces every plane through three corners that leaves all corners on one
// side, without repeats.
void readXyzCorner(ExperimentState& e);

// The plane through three points, unscaled: (A, B, C) is
// (p2 - p1) x (p3 - p1) written out by cofactors, D = -det[p1; p2; p3].
Plane planeThroughPoints(const Vec3& p1, const Vec3& p2, const Vec3& p3);
// Index (0..3) of the coefficient of greatest magnitude, the first on a tie.
int largestCoefficient(const Plane& plane);
// The value A x + B y + C z + D at a point, summed in that order.
inline float planeValue(const Plane& f, const Vec3& p) {
  return ((f[0] * p[0] + f[1] * p[1]) + f[2] * p[2]) + f[3];
}

}  // namespace korvex
