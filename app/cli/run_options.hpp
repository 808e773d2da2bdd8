// The options of the subcommands that build a model or correct a data set,
// and what the command line does with them around the run.
#pragma once

#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace korvex::cli {

struct RunOptions {
  std::vector<std::string> files;  // EXP PRT [IN OUT], in slot order
  std::string inFormat, outFormat;
  bool quiet = false;              // nothing on standard output
  std::string summaryJson;         // the run's summary as JSON, when a name is given
  std::string plotsDir;            // the pictures as SVG and PNG, when a folder is given
  std::string method;              // exact or gauss; empty: the METHOD card decides
  int threads = 0;                 // reflections corrected at once: 0 one per core
  std::string kernel = "fast";     // crystal integration: fast or reference
};

// Options that build and run share: --quiet, --plots, --method.
void addSharedOptions(CLI::App& sub, RunOptions& options);

// Options of run only: --in-format, --out-format, --summary-json, --threads,
// --kernel.
void addDataOptions(CLI::App& sub, RunOptions& options);

}  // namespace korvex::cli
