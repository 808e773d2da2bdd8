// The per-corner work on a polygon of up to eight corners with every corner
// in one lane of an AVX-512 register: the clips by lines, and the corner and
// edge terms of the moments. Each corner's and each edge's arithmetic is the
// same sequence of IEEE operations as one corner at a time (flat_polygon.cpp),
// and every sum over corners is left to the caller, in corner order, so both
// ways give the same bits.
#pragma once

#include "exact/eight_lanes.hpp"
#include "exact/flat_polygon.hpp"

namespace korvex::exact::eight_lanes {

// As clipFlatByAll for in.count from 1 to 8, the corners kept in registers
// from one line to the next, as long as they are at most eight: `used`
// tells how many of the lines were applied (all of them, unless a part of
// more than eight corners, then in `out`, stopped the work early). Each
// array of `out` must hold 16.
Cut clipWhileEight(const FlatPolygon& in, const FlatLine* lines, int count, double eps, FlatPolygon& out, int& used);

// For p (count 1 to 8) with the path at each corner its value plus
// added(x, y), l = -mu path and a = (ax, ay) the gradient of l: the path at
// each corner, and for each edge from corner i to the next, j, with
// (dy, -dx) its outward normal times its length and m the mean of exp(l)
// along it, term[j] = a.(dy, -dx) m and termH[j] = (x_i - x_0, y_i - y_0).(dy, -dx) m.
// Each of path, term and termH must hold 8.
void cornerAndEdgeTerms(const FlatPolygon& p, const FlatLinear& added, double mu, double ax, double ay, double* path,
                        double* term, double* termH);

}  // namespace korvex::exact::eight_lanes
