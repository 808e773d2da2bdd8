// Fuzzing a reflection-file reader: any bytes as the input reflection file
// of a run whose experiment (a quartz crystal with a full orientation
// matrix) is read first, every reflection read until the end or a refusal.
#pragma once

#include "experiment/experiment_reader.hpp"
#include "fuzz/fuzz_support.hpp"
#include "reflections/processing.hpp"

namespace korvex::fuzz {

inline void readReflections(const std::uint8_t* data, std::size_t size, int format) {
  FuzzRun f;
  std::istringstream experiment(
      "WAVEL   1  0.71073\n"
      "UB        0.068325    -0.158810     0.023755\n"
      "UB        0.161245     0.103634    -0.132955\n"
      "UB        0.156721     0.138814     0.126437\n"
      "PARITY 1 -1 1 -1\n"
      "SCALE 2.5\n");
  f.run.files.experiment.attach(&experiment);
  readCrystalData(f.run);
  std::istringstream input(text(data, size));
  f.run.files.input.attach(&input);
  f.run.state.IFORMIN = format;
  refusingBadInput([&] {
    for (int ieof = 0; ieof == 0;) readReflection(f.run, ieof);
  });
}

}  // namespace korvex::fuzz
