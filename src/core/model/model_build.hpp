// The crystal model: faces from the model cards, the polyhedron, the
// Gaussian integration grid, and the model build that ties them together.
#pragma once

namespace korvex {

struct Run;

// BUILD_MODEL: the model the experiment file describes, its checks against
// the anvils and the gasket hole, and the experiment report.
void buildModel(Run& run);

}  // namespace korvex
