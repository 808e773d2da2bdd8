// Integrals of exp(-mu t) and t exp(-mu t) over a convex polyhedron on which
// the path t is linear, from the polyhedron's surface.
//
// With l = -mu t = l0 + a.(x - x0), the divergence theorem turns the volume
// integral of exp(l) into a sum over the faces (div(a e^l) = |a|^2 e^l), each
// face's integral into a sum over its edges (the same in the face's plane),
// and each edge's into a divided difference of two corner values: one exp
// per corner in all, where a fan of tetrahedra costs a four-node divided
// difference each. The path-weighted integral comes from the same face
// integrals (div(x e^l) = 3 e^l + (a.x) e^l). Each reduction divides by the
// squared gradient in its space, so it loses digits where the gradient lies
// nearly along a face or nearly vanishes; the sums of the terms' magnitudes
// bound that loss, and a face or the whole body whose bound exceeds 100 is
// integrated over triangles or tetrahedra instead.
#pragma once

#include "exact/convex_polyhedron.hpp"
#include "exact/divided_difference.hpp"

namespace korvex::exact {

// The path t(x) = gradient.x + offset, microns.
struct LinearPath {
  V3 gradient;
  double offset = 0.0;
  double at(V3 p) const { return dot(gradient, p) + offset; }
};

// Integrals over p of exp(-mu t) and t exp(-mu t) (mu per micron, >= 0).
PathMoments polyhedronPathMoments(const ConvexPolyhedron& p, const LinearPath& t, double mu);

// The same over the fan of tetrahedra, each by its divided difference:
// stable for any gradient, several times slower.
PathMoments tetrahedralPathMoments(const ConvexPolyhedron& p, const LinearPath& t, double mu);

}  // namespace korvex::exact
