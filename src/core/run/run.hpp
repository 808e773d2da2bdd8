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

// The files of the run, on their fixed units, each named by its role in
// messages. The output reflection file, the grid listing and the CIF
// fragment replace their earlier versions only when the run finishes.
struct RunFiles {
  ff::LineReader experiment{"EXPERIMENT FILE"};        // unit 3
  ff::CarriageControlWriter print{"PRINT FILE"};       // unit 4, appended to
  ff::LineReader input{"INPUT DATA FILE"};             // unit 1
  ff::PlainWriter output{"OUTPUT DATA FILE"};          // unit 2, replaced
  ff::CarriageControlWriter grid{"GRID LISTING FILE"};  // unit 15, "KORVEX_GRID.LST"
  ff::CarriageControlWriter cif{"CIF FILE"};           // "<output>_korvex.cif"

  // The finished run's files into place: the print file's report first (a
  // report that cannot be written is a failed run), then the output, the CIF
  // fragment and the grid listing. Raises files::FileError.
  void commit();
  // Closes every file in the order of the units; a file that was to replace
  // another and was not committed is removed. Raises files::FileError when
  // the print file cannot take the end of its report.
  void close();
  // After a fatal error or a stop: the same without raising anything.
  void abandon() noexcept;
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

  // Asks the run to stop early (set by the command line on an interrupt or
  // termination signal); files and progress look at it.
  files::StopRequest stop;

  // The local date and time as 24 characters ("Tue Dec  8 00:49:09 2026").
  // Replaceable so that golden tests can fix the date.
  std::function<std::string()> clock;
};

// The local date and time in the 24-character form of the print-file header.
std::string localDateTime24();

}  // namespace korvex
