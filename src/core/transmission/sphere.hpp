// A spherical crystal: its transmission depends on 2theta alone, so it is
// integrated once per model build into tables against 2theta and each
// reflection interpolates them.
#pragma once

namespace korvex {

struct Run;

// KORVEX_SPHERE: TXTAL and SUMTP interpolated at the reflection's 2theta;
// TGAS = 1 (no gasket shadowing for a sphere) and TRANS = TXTAL.
void korvexSphere(Run& run);

}  // namespace korvex
