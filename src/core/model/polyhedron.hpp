// The crystal as a closed convex polyhedron: oriented faces, corners from
// every triple of faces, edges from the faces two corners share, and the box
// around the corners. Coordinates in microns, phi-axis frame.
#pragma once

#include <array>

#include "experiment/experiment_state.hpp"

namespace korvex {

struct Run;

// The faces meeting at each corner, in the order they were found
// (1-based face numbers): the work tables handed from GETFACES to GETEDGES.
struct CornerFaces {
  std::array<int, kMaxCorners> NCFACE{};
  std::array<std::array<int, kMaxFacesAtCorner>, kMaxCorners> ICFACE{};
};

// GETFACES: reads the faces for MODELTYPE 1, 2 or 3, orients them (crystal
// on the positive side), lists them, scales them by 100, and builds the
// corners, the edges and the box. Writes its blocks to the print file.
void getFaces(Run& run);

// GETCORNER: the point where faces i, j, k (0-based) meet, solved in double
// precision; false when the three planes have no single common point.
bool getCorner(const ExperimentState& e, int i, int j, int k, Vec3& p);

// INCRYSTAL: -1 outside the crystal, 0 on its surface, 1 strictly inside
// (tolerance 0.001 on the scaled face values).
int inCrystal(const ExperimentState& e, const Vec3& p);

// GETEDGES: the edges from the faces that pairs of corners share. Corner m1's
// list is taken face by face; every later corner that has that face and a
// later face of m1's list gives the edge named by the two (the first such
// later face). Faces are found anywhere in the second corner's list. Writes
// the edge block.
void getEdges(Run& run, const CornerFaces& faces);

// XYZ_TO_HKL: each face as h, k, l of its outward normal (ROUNDHKL) and its
// distance from the origin in millimetres, into HKLD.
void xyzToHkl(ExperimentState& e);
// ROUNDHKL: divides h by its smallest component above 0.01 in magnitude.
void roundHkl(std::array<float, 3>& h);

}  // namespace korvex
