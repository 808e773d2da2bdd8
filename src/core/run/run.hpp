// The run object: owns the experiment state, the run state, the reflection
// record, the transmission results, the statistics and the open files, and
// holds the dialog layer the run reports to. Every stage takes it by
// reference; tests build one in a few lines.
#pragma once

#include <functional>
#include <string>

#include "experiment/experiment_state.hpp"
#include "fixedformat/text_files.hpp"
#include "reflections/listed_reflection.hpp"
#include "reflections/reflection_record.hpp"
#include "run/dialog_layer.hpp"
#include "run/run_state.hpp"

namespace korvex {

// The files of the run, on their fixed units.
struct RunFiles {
  ff::LineReader experiment;         // unit 3
  ff::CarriageControlWriter print;   // unit 4, appended to
  ff::LineReader input;              // unit 1
  ff::PlainWriter output;            // unit 2, replaced
  ff::CarriageControlWriter grid;    // unit 15, "KORVEX_GRID.LST"
};

struct Run {
  explicit Run(DialogLayer& dialog);

  DialogLayer& ui;
  RunState state;
  ExperimentState exp;
  ReflectionRecord refl;
  TransmissionState trans;
  ProcessingCounters counters;
  RunStatistics stats;
  ListedReflections listed;  // every reflection listed in the last pass, for the pictures
  RunFiles files;

  // The local date and time as 24 characters ("Tue Dec  8 00:49:09 2026").
  // Replaceable so that golden tests can fix the date.
  std::function<std::string()> clock;
};

// The local date and time in the 24-character form of the print-file header.
std::string localDateTime24();

}  // namespace korvex
