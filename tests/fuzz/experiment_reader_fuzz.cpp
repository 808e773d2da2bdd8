// Fuzzing the experiment-file reader: any bytes as the experiment file.
#include "experiment/experiment_reader.hpp"
#include "fuzz/fuzz_support.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  korvex::fuzz::FuzzRun f;
  std::istringstream experiment(korvex::fuzz::text(data, size));
  f.run.files.experiment.attach(&experiment);
  f.run.state.FILESET[0] = 1;
  korvex::fuzz::refusingBadInput([&] { korvex::readCrystalData(f.run); });
  return 0;
}
