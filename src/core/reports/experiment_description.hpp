// What the program understood of an experiment file, in words and numbers
// with their units: radiation, cell and orientation, absorption, the crystal
// model as built, the diamond-anvil cell, the data restrictions, and the
// lines not read as cards. `korvex check` prints it.
#pragma once

#include <string>

namespace korvex {

struct ExperimentState;

// The whole description, after a successful model build.
std::string describeExperiment(const ExperimentState& e);

// The lines of the experiment file that were not read as cards, one per
// line with its number; empty when there are none.
std::string describeUnreadLines(const ExperimentState& e);

}  // namespace korvex
