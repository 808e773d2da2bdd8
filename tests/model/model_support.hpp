// Helpers for the crystal-model tests: model cards, an orientation matrix
// with its derived inverse, and the reference runs' files read in place.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "experiment/experiment_state.hpp"

namespace korvex::test {

// MODELCARDS from card texts (the text after FACE or CORNER).
void setCards(ExperimentState& e, const std::vector<std::string>& cards);
// UB (complete, NUB = 3) with UBT and UBTINV derived from it.
void setUb(ExperimentState& e, const Mat3& ub);
// A file of a reference run split into lines; nullopt when the shared
// reference runs are not beside the project.
std::optional<std::vector<std::string>> referenceLines(const std::string& runName, const std::string& file);
// A text split into lines (a final line end gives no empty last line).
std::vector<std::string> splitLines(const std::string& text);
// The lines from the one equal to `first` (inclusive) to the one equal to
// `last` (exclusive); empty when `first` is missing.
std::vector<std::string> linesBetween(const std::vector<std::string>& lines, const std::string& first,
                                      const std::string& last);

}  // namespace korvex::test
