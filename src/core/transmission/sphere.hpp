// A spherical crystal: its transmission depends on 2theta alone, so it is
// integrated once per model build into tables against 2theta and each
// reflection interpolates them.
#pragma once

#include "transmission/reflection_transmission.hpp"

namespace korvex {

struct Run;

// SETTRNS_SPHERE: the sphere's grid and its transmission tables (model build).
void setTrnsSphere(Run& run);

// KORVEX_SPHERE: TXTAL and SUMTP interpolated at the reflection's 2theta;
// TGAS = 1 (no gasket shadowing for a sphere) and TRANS = TXTAL.
void korvexSphere(const ExperimentState& e, const ReflectionBeams& b, ReflectionTransmission& out);

}  // namespace korvex
