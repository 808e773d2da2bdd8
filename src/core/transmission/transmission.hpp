// Transmission of the crystal, the anvils, the gasket and the medium for the
// current reflection.
#pragma once

namespace korvex {

struct Run;

// ITOF: anvil angles and transmission, the crystal routine of the model,
// F, sigma(F), the extinction term and the "D" / "O" flags.
void itof(Run& run);
// SETTRNS_SPHERE: the sphere's grid and its transmission tables (model build).
void setTrnsSphere(Run& run);
// CHECK_SHADOW: 1 no corner shadowed, 0 some, -1 all (beams of run.refl).
int checkShadow(Run& run);

}  // namespace korvex
