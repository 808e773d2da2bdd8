// The nearest face ahead of every point of one grid line, along each of the
// two beams: the inner search of the crystal integration, several points at
// a time at the widest vector width the processor offers (chosen when the
// program starts; the binary runs on any x86-64).
#pragma once

#include <array>

#include "experiment/experiment_state.hpp"

namespace korvex {

// Paths of 10000 microns stand for "no exit face found": exp(-mu t) is then
// practically 0 for any absorbing crystal.
inline constexpr float kNoExit = 10000.0f;

// The faces a beam may leave a grid point by, with the products dot of
// their normals and the beam: a face counts when the beam is not parallel
// to it (|dot| > 1.0E-6) and, where the model build summed up the face
// values (fdistMax, fdistMin), when some point's value has the sign of dot
// (any other quotient value / dot is 0 or below and never the nearest).
struct ExitFaces {
  int count = 0;
  std::array<int, kMaxFaces> face{};
  std::array<float, kMaxFaces> dot{};
};
ExitFaces exitFaces(const ExperimentState& e, const float* dots);

// For the nz points of one z-line, whose face values lie face by face
// (fdLine[n * nz + k], the value of face n at point k), the distance from
// each point to the surface along each beam: ti[k] along the reversed
// incident beam, td[k] along the diffracted beam. The distance is the
// smallest quotient fdLine / dot beyond 1.0E-5 over the exit faces, or
// kNoExit when there is none. The quotients are the same IEEE divisions and
// comparisons as one point and one face at a time, so every path has the
// same bits.
void nearestFaces(const float* fdLine, int nz, const ExitFaces& incident, const ExitFaces& diffracted, float* ti,
                  float* td);

// The vector width the search uses on this processor, in floats (4, 8 or 16).
int faceSearchWidth();

// The search at the given width (4, 8 or 16), so that each width the
// processor has can be checked; false when it has not got this one.
bool nearestFacesAtWidth(int width, const float* fdLine, int nz, const ExitFaces& incident,
                         const ExitFaces& diffracted, float* ti, float* td);

}  // namespace korvex
