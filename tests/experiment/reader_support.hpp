// Helpers for the experiment-file tests: a run that reads a file given as text.
#pragma once

#include <string>

#include "experiment/experiment_reader.hpp"
#include "fixedformat/edit_list.hpp"
#include "support/test_support.hpp"

namespace korvex::test {

// Three UB cards of a cubic cell with a = 10 A.
inline const std::string kCubicUb = "UB 0.1 0 0\nUB 0 0.1 0\nUB 0 0 0.1\n";
// A cell card alone, enough for a file to be complete.
inline const std::string kCell = "CELL 10 10 10 90 90 90\n";

// A card as the reader holds it in a message: 80 columns.
inline std::string card80(const std::string& text) { return ff::padded(text, 80); }

struct ReadRun : TestRun {
  explicit ReadRun(const std::string& text) { experimentFrom(text); }
  void read() { readCrystalData(run); }
  const ExperimentState& exp() const { return run.exp; }
  const std::vector<std::string>& warnings() const { return dialog.warningBoxes; }
};

}  // namespace korvex::test
