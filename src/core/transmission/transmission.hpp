// From the measured intensity of one reflection to its corrected amplitude:
// the transmission of the crystal, the anvils, the gasket and the medium,
// F and sigma(F), the extinction term and the flags for beams the cell spoils.
#pragma once

#include "transmission/reflection_transmission.hpp"

namespace korvex {

struct Run;

// ITOF for the current reflection: its transmission, then applyTransmission.
void itof(Run& run);

// The rest of ITOF once the reflection's transmission is known: its messages
// written in order (the steep-beam warning once per program, medium-path
// notes to the print file, a fatal message raised), the factors into
// run.trans, the beam angles into the record, F, sigma(F), the extinction
// term, and the "D" and "O" flags with their counts.
void applyTransmission(Run& run, const ReflectionTransmission& t);

}  // namespace korvex
