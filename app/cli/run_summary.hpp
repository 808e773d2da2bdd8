// What the command line tells of a finished run: one line on standard
// output, and the same counts with the transmission ranges, the warnings
// and the files as JSON for pipelines.
#pragma once

#include <string>

namespace korvex {
struct Run;
}

namespace korvex::cli {

class CliDialog;

// "korvex: 286 reflections read, 270 written, 16 not written (...);
// transmission 0.412 to 0.873; 0.41 s"
std::string summaryLine(const Run& run, double seconds);

// Writes the summary of a run (finished or halted) to the file; false when
// it cannot be written.
bool writeSummaryJson(const std::string& path, const Run& run, const CliDialog& dialog, double seconds);

}  // namespace korvex::cli
