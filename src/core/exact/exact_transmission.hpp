// The exact transmission of one reflection: the crystal by closed forms on
// the pieces of fixed exit faces, the gasket and medium by their exact paths
// integrated to the method's tolerance, the sphere from its series, the
// filled hole by cubature. It reads the built model only, so any number of
// reflections may be computed at once.
#pragma once

#include "experiment/experiment_state.hpp"
#include "transmission/reflection_transmission.hpp"

namespace korvex {

// Builds what the exact mode needs into e.exact (after the polyhedron, or
// for a sphere or a filled hole): the crystal in double precision and its
// volume, or the sphere's series. Refuses faces that enclose nothing.
void buildExactModel(ExperimentState& e);

// TXTAL, SUMTP, TGAS, TMED and TRANS (crystal, gasket and medium; not the
// anvils) as the Gaussian routines define them, for the reflection's beams
// and 2theta, into `t`. The model kind is not 0.
void exactTransmission(const ExperimentState& e, const ReflectionBeams& beams, TransmissionState& t);

}  // namespace korvex
