// What the listing says of each reflection of the last processing pass,
// kept for the run's pictures: the plots of transmission against 2theta and
// psi, the histogram of the correction and the beams on the shadow map.
#pragma once

#include <array>
#include <vector>

#include "experiment/experiment_state.hpp"
#include "reflections/reflection_record.hpp"

namespace korvex {

struct ListedReflection {
  int seq = 0;                   // sequence number in the input file
  std::array<int, 3> hkl{};
  float twoTheta = 0.0f;         // degrees, as listed
  // For a diamond-anvil cell: the angle of the reversed incident beam and of
  // the diffracted beam to the load axis (degrees, as listed) and the anvil
  // each crosses (1 incident-beam anvil, 2 diffracted-beam anvil).
  std::array<float, 2> psi{};
  std::array<int, 2> side{};
  float trans = 0.0f, txtal = 0.0f, tdac = 0.0f, tgas = 0.0f, tmed = 0.0f;
  std::array<char, 4> stat{' ', ' ', ' ', ' '};  // S, L, T or D, O
  bool written = false;          // written to the output reflection file
  Vec3 dci{}, dcd{};             // beam directions, phi-axis frame

  bool beyondOpening() const { return stat[2] == 'D'; }
  bool obscured() const { return stat[3] == 'O'; }
};

// The record of the reflection just listed (psi already in degrees for a cell).
ListedReflection listedReflection(const ReflectionRecord& r, const TransmissionState& t, bool written);

using ListedReflections = std::vector<ListedReflection>;

}  // namespace korvex
