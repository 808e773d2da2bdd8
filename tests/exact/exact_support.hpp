// Crystals for the exact-transmission tests, built from planes in double
// precision, and random convex crystals and beams.
#pragma once

#include <random>
#include <vector>

#include "exact/crystal_pieces.hpp"

namespace korvex::exact::test {

V3 unitVector(double x, double y, double z);
// A random direction, uniform on the sphere.
V3 randomDirection(std::mt19937& rng);

// The crystal of these planes (each with the body on its positive side),
// cut from a box of half-width `reach` about the origin.
ExactCrystal crystalOf(const std::vector<Plane>& planes, double reach = 1000.0);

// The box [-a/2, a/2] x [-b/2, b/2] x [-c/2, c/2] shifted by `centre`.
std::vector<Plane> boxPlanes(double a, double b, double c, V3 centre = {});

// The parallelepiped {o + s e1 + t e2 + r e3 : s, t, r in [0, 1]}.
std::vector<Plane> parallelepipedPlanes(V3 o, V3 e1, V3 e2, V3 e3);

// A closed convex crystal of n faces with random normals at distances of 20
// to 60 microns from a point near the origin.
std::vector<Plane> randomCrystalPlanes(std::mt19937& rng, int n);

}  // namespace korvex::exact::test
