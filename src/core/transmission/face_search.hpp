// The nearest face ahead of every point of one grid line, along each of the
// two beams: the inner search of the crystal integration, several points at
// a time at the widest vector width the processor offers (chosen when the
// program starts; the binary runs on any x86-64).
#pragma once

namespace korvex {

// Paths of 10000 microns stand for "no exit face found": exp(-mu t) is then
// practically 0 for any absorbing crystal.
inline constexpr float kNoExit = 10000.0f;

// For the nz points of one z-line, whose face values lie face by face
// (fdLine[n * nz + k], the plane value of face n at point k), the distance
// from each point to the surface along each beam: ti[k] along the reversed
// incident beam, td[k] along the diffracted beam. doti[n] and dotd[n] are
// the products of face n's normal with the beams. A face counts when the
// beam is not parallel to it (|dot| > 1.0E-6) and the quotient
// fdLine / dot is beyond 1.0E-5; the smallest such quotient is the path, or
// kNoExit when no face counts. The quotients are the same IEEE divisions
// and comparisons as one point and one face at a time, so every path has
// the same bits.
void nearestFaces(const float* fdLine, int nz, int nfaces, const float* doti, const float* dotd, float* ti,
                  float* td);

// The vector width the search uses on this processor, in floats (4, 8 or 16).
int faceSearchWidth();

// The search at the given width (4, 8 or 16), so that each width the
// processor has can be checked; false when it has not got this one.
bool nearestFacesAtWidth(int width, const float* fdLine, int nz, int nfaces, const float* doti, const float* dotd,
                         float* ti, float* td);

}  // namespace korvex
