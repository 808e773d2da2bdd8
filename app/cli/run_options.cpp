#include "run_options.hpp"

#include <CLI/CLI.hpp>

namespace korvex::cli {

void addSharedOptions(CLI::App& sub, RunOptions& options) {
  sub.add_flag("-q,--quiet", options.quiet, "write nothing to standard output (warnings still go to standard error)");
  sub.add_option("--plots", options.plotsDir,
                 "write the pictures (model views, transmission plots, shadow map) as SVG and PNG into DIR")
      ->type_name("DIR");
  sub.add_option("--method", options.method,
                 "integrate the transmission exactly or on the Gaussian grid, whatever the KORVEX METHOD card says")
      ->check(CLI::IsMember({"exact", "gauss"}, CLI::ignore_case));
}

void addDataOptions(CLI::App& sub, RunOptions& options) {
  sub.add_option("--in-format", options.inFormat, "format of IN when its extension names none")
      ->check(CLI::IsMember({"drevik", "shelx"}, CLI::ignore_case));
  sub.add_option("--out-format", options.outFormat, "format of OUT when its extension names none")
      ->check(CLI::IsMember({"tavok", "shelx"}, CLI::ignore_case));
  sub.add_option("--summary-json", options.summaryJson,
                 "write the run's counts, transmission ranges, warnings and files to FILE as JSON")
      ->type_name("FILE");
  sub.add_option("--threads", options.threads,
                 "reflections corrected at once (default: one per core; 1: one at a time); the results do not "
                 "depend on it")
      ->check(CLI::Range(1, 1024));
  sub.add_option("--kernel", options.kernel,
                 "crystal integration: fast, or reference (the plain loops: slower, the same results; to check "
                 "the fast one)")
      ->check(CLI::IsMember({"fast", "reference"}, CLI::ignore_case));
}

}  // namespace korvex::cli
