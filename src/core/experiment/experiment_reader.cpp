// Placeholder: replaced by the experiment-file reader.
#include "experiment/experiment_reader.hpp"
#include "run/run.hpp"
namespace korvex {
void readCrystalData(Run&) {}
void readModel(Run&, const std::string&) {}
void readDac(Run&, std::string&) {}
void calcMu(Run&, const std::string&) {}
}  // namespace korvex
