// The crystal integrations of crystal.hpp done fast, with the same bits:
// the nearest faces of the points of a grid line found several at a time
// (face_search.hpp), what is constant along a grid line worked out once, one
// shadow test per point shared by the gasket and the medium, and the gasket
// paths solved for (gasket_line.hpp). The exponentials and the sums keep
// their order.
#pragma once

#include "transmission/reflection_transmission.hpp"

namespace korvex {

// KORVEX, fast.
void polyhedronFast(const ExperimentState& e, const ReflectionBeams& b, ReflectionTransmission& out);

// KORVEX_FILLG, fast.
void filledHoleFast(const ExperimentState& e, const ReflectionBeams& b, ReflectionTransmission& out);

}  // namespace korvex
